// Importing .reg files into the registry: exact round trips, files that change nothing,
// the encodings, deletions, failures while applying, and the registry views.
#include <gtest/gtest.h>
#include "registry/trees/reg_export.h"
#include "registry/trees/reg_import.h"
#include "tests/registry/trees/tree_fixture.h"

namespace {

const std::wstring kHeader = L"Windows Registry Editor Version 5.00\r\n\r\n";

struct Imported {
    LSTATUS rc;
    int line;
};

Imported ImportBytes(const std::vector<uint8_t>& bytes, REGSAM view = 0) {
    ScratchFile file(L"tarnwell_import.reg");
    Imported result = {ERROR_WRITE_FAULT, -1};
    if (file.Write(bytes)) result.rc = ImportRegFile(file.Path(), view, &result.line);
    return result;
}

Imported ImportText(const std::wstring& text, REGSAM view = 0) { return ImportBytes(Utf16File(text), view); }

std::wstring Text(const ScratchKey& key, const std::wstring& name, const std::wstring& child = L"") {
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    if (!key.Read(name, &type, &bytes, child) || type != REG_SZ || bytes.size() < 2) return L"<none>";
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2 - 1);
}

// Every kind of value goes out to a file and back in, the same to the byte; a value whose
// name holds a line break, which the file keeps as a comment only, is passed over.
TEST(ImportRegFile, GivesBackAnExportedTreeExactly) {
    ScratchKey key(L"RoundTrip");
    const std::vector<TreeValue> tree = EveryTypeTree();
    ASSERT_EQ(ERROR_SUCCESS, WriteTree(HKEY_CURRENT_USER, key.Sub(L"tree"), tree));
    ASSERT_EQ("", TreeDifference(HKEY_CURRENT_USER, key.Sub(L"tree"), tree));
    ScratchFile file(L"tarnwell_round_trip.reg");
    ASSERT_EQ(ERROR_SUCCESS, key.WriteText(L"Line\r\nName", REG_SZ, L"only a comment", L"tree"));
    ASSERT_EQ(ERROR_SUCCESS, ExportRegKey(HKEY_CURRENT_USER, key.Sub(L"tree"), 0, file.Path()));
    ASSERT_EQ(ERROR_SUCCESS, DeleteTree(HKEY_CURRENT_USER, key.Sub(L"tree")));

    int line = -1;
    EXPECT_EQ(ERROR_SUCCESS, ImportRegFile(file.Path(), 0, &line));
    EXPECT_EQ(0, line);
    EXPECT_EQ("", TreeDifference(HKEY_CURRENT_USER, key.Sub(L"tree"), tree));
}

// The whole file is read before anything changes: a fault on any line leaves the registry as
// it was, and names that line (the first of a continued one).
TEST(ImportRegFile, AFileWithAFaultChangesNothingAndNamesTheLine) {
    ScratchKey key(L"ParseFirst");
    const std::wstring base = L"HKEY_CURRENT_USER\\" + key.Path();
    const std::wstring preamble = kHeader + L"[" + base + L"\\Made]\r\n\"before\"=\"kept out\"\r\n[-" + base +
                                  L"\\Existing]\r\n[" + base + L"]\r\n";  // the cases start on line 7
    const struct {
        const wchar_t* lines;
        int line;
    } cases[] = {
        {L"\"v\"=\"new\"\r\n\"a\"=dword:123456789", 8}, {L"\"a\"=dword:12g4", 7},
        {L"\"a\"=dword:", 7},                           {L"\"a\"=dword:-1", 7},
        {L"\"a\"=\"unterminated", 7},                   {L"\"a=\"b\"", 7},
        {L"\"a\"=\"b\\q\"", 7},                         {L"\"a\"=\"b\" trailing", 7},
        {L"\"v\"=\"new\"\r\n\"a\"=\"\"\"", 8},          {L"\"a\"=text", 7},
        {L"\"a\"=hex:1,2,zz", 7},                       {L"\"a\"=hex:123", 7},
        {L"\"a\"=hex:01 02", 7},                        {L"\"a\"=hex:01,,02", 7},
        {L"\"a\"=hex(2:00", 7},                         {L"\"a\"=hex():00", 7},
        {L"\"a\"=hex(123456789):00", 7},                {L"\"a\"=hex:01,\\\r\n  02,\\\r\n  zz", 7},
        {L"\"a\"=hex:01\\\r\n  02", 7},                 {L"\"v\"=\"new\"\r\n\r\n; fine\r\njunk", 10},
        {L"@\"x\"", 7},                                 {L"[HKEY_NOWHERE\\X]", 7},
        {L"[HKCU\\Software\\X", 7},                     {L"[]", 7},
        {L"[-HKEY_CURRENT_USER]", 7},                   {L"[HKCU\\Software\\\\X]", 7},
        {L"[HKCU\\Software\\X\\]", 7},                  {L"[-HKCU\\Software\\X]\r\n\"a\"=\"b\"", 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lines, c.lines + wcslen(c.lines)));
        key.WriteText(L"v", REG_SZ, L"old");
        key.WriteText(L"e", REG_SZ, L"still here", L"Existing");
        const Imported result = ImportText(preamble + c.lines + L"\r\n[" + base + L"\\After]\r\n");
        EXPECT_EQ(ERROR_INVALID_DATA, result.rc);
        EXPECT_EQ(c.line, result.line);
        EXPECT_EQ(L"old", Text(key, L"v"));
        EXPECT_EQ(L"still here", Text(key, L"e", L"Existing"));
        EXPECT_FALSE(key.Exists(L"Made") || key.Exists(L"After"));
    }
    // The same file without a fault changes all of it.
    EXPECT_EQ(ERROR_SUCCESS, ImportText(preamble + L"\"v\"=\"new\"\r\n").rc);
    EXPECT_EQ(L"new", Text(key, L"v"));
    EXPECT_EQ(L"kept out", Text(key, L"before", L"Made"));
    EXPECT_FALSE(key.Exists(L"Existing"));
}

// Version 5 files in UTF-16 or UTF-8 (with or without a byte order mark), REGEDIT4 ones in
// the ANSI code page, whose hex string data is ANSI too.
TEST(ImportRegFile, ReadsEveryEncodingTheEditorReads) {
    ScratchKey key(L"Encodings");
    const std::wstring e = Widen("\xE9", CP_ACP);
    const std::wstring v5 = kHeader + L"[HKCU\\" + key.Path() + L"\\" + kCyrillic + L"]\r\n\"" + kCyrillic + L"\"=\"" +
                            kCyrillic + L"\"\r\n\"x\"=hex(2):25,00,41,00,25,00,00,00\r\n";
    const std::string v4 = "REGEDIT4\r\n[HKCU\\" + Narrow(key.Path(), CP_ACP) + "\\" + Narrow(e, CP_ACP) + "]\r\n\"" +
                           Narrow(e, CP_ACP) + "\"=\"" + Narrow(e, CP_ACP) + "\"\r\n\"x\"=hex(2):25,41,25,00\r\n";
    const struct {
        std::vector<uint8_t> bytes;
        std::wstring name;
    } cases[] = {{Utf16File(v5), kCyrillic},
                 {Utf8File(v5, true), kCyrillic},
                 {Utf8File(v5, false), kCyrillic},
                 {std::vector<uint8_t>(v4.begin(), v4.end()), e}};
    for (const auto& c : cases) {
        DeleteTree(HKEY_CURRENT_USER, key.Sub(c.name));
        EXPECT_EQ(ERROR_SUCCESS, ImportBytes(c.bytes).rc);
        EXPECT_EQ(c.name, Text(key, c.name, c.name));
        DWORD type = 0;
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(key.Read(L"x", &type, &bytes, c.name) && type == REG_EXPAND_SZ && bytes == Terminated(L"%A%"));
    }
}

TEST(ImportRegFile, DeletesKeysWithTheirTreesAndValues) {
    ScratchKey key(L"Deletes");
    const std::wstring base = L"HKEY_CURRENT_USER\\" + key.Path();
    ASSERT_EQ(ERROR_SUCCESS, WriteTree(HKEY_CURRENT_USER, key.Path(),
                                       {{L"", L"a", REG_SZ, Terminated(L"goes")},
                                        {L"", L"", REG_SZ, Terminated(L"goes")},
                                        {L"", L"b", REG_SZ, Terminated(L"stays")},
                                        {L"Sub\\Deeper", L"x", REG_SZ, Terminated(L"goes")},
                                        {L"Subway", L"x", REG_SZ, Terminated(L"stays")}}));
    EXPECT_EQ(ERROR_SUCCESS, ImportText(kHeader + L"[-" + base + L"\\Sub]\r\n[" + base + L"]\r\n\"a\"=-\r\n@=-\r\n" +
                                        L"\"never there\"=-\r\n[-" + base + L"\\NotThere]\r\n")
                                 .rc);
    EXPECT_EQ("", TreeDifference(HKEY_CURRENT_USER, key.Path(),
                                 {{L"", L"b", REG_SZ, Terminated(L"stays")},
                                  {L"Subway", L"x", REG_SZ, Terminated(L"stays")}}));
}

// A key the platform refuses stops the import there with its code and line: what came
// before stays, nothing after it is done. The locked key belongs to another (Wine lets an
// owner do anything) and allows reading it and changing its access list; Wine does not check
// the parent's access when a subkey is created, so that way to fail is not tried.
TEST(ImportRegFile, AFailureWhileApplyingStopsWithThePlatformsCode) {
    ScratchKey key(L"ApplyFailure");
    const std::wstring base = L"HKEY_CURRENT_USER\\" + key.Path();
    const struct {
        std::wstring lines;
        int line;
    } cases[] = {
        {L"[" + base + L"\\Locked]\r\n\"v\"=\"x\"", 5},
        {L"\"b\"=\"2\"\r\n[" + base + L"\\Locked]\r\n\"v\"=\"x\"", 6},
        {L"[-" + base + L"\\Locked]", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lines.begin(), c.lines.end()));
        key.WriteText(L"v", REG_SZ, L"old", L"Locked");
        ASSERT_EQ(ERROR_SUCCESS, SetKeySecurity(HKEY_CURRENT_USER, key.Sub(L"Locked"), L"O:SYD:P(A;;KRWD;;;WD)",
                                                DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION));
        const Imported result =
            ImportText(kHeader + L"[" + base + L"\\Before]\r\n\"a\"=\"1\"\r\n" + c.lines + L"\r\n[" + base + L"\\After]\r\n");
        EXPECT_EQ(ERROR_ACCESS_DENIED, result.rc);
        EXPECT_EQ(c.line, result.line);
        EXPECT_EQ(L"1", Text(key, L"a", L"Before"));
        EXPECT_FALSE(key.Exists(L"After"));
        ASSERT_EQ(ERROR_SUCCESS, SetKeySecurity(HKEY_CURRENT_USER, key.Sub(L"Locked"), L"D:P(A;;KA;;;WD)",
                                                DACL_SECURITY_INFORMATION));
        EXPECT_EQ(L"old", Text(key, L"v", L"Locked"));
        DeleteTree(HKEY_CURRENT_USER, key.Sub(L"Before"));
    }
}

// A 64-bit process that names the 32-bit view imports into, exports from and deletes in
// HKLM\Software\WOW6432Node, where Wine keeps the 32-bit programs' machine software keys.
TEST(ImportRegFile, ImportAndExportKeepToTheViewTheyAreGiven) {
    if (sizeof(void*) != 8) GTEST_SKIP() << "the 32-bit view is the native one here";
    const std::wstring path = L"Software\\TarnwellTests\\ImportView";
    const std::wstring redirected = L"Software\\WOW6432Node\\TarnwellTests\\ImportView";
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) DeleteTree(HKEY_LOCAL_MACHINE, path, view);  // an earlier run's
    const std::wstring lines = L"[HKEY_LOCAL_MACHINE\\" + path + L"]\r\n\"v\"=dword:00000007\r\n";
    ASSERT_EQ(ERROR_SUCCESS, ImportText(kHeader + lines + L"[HKLM\\" + path + L"\\Sub]\r\n@=\"s\"\r\n", KEY_WOW64_32KEY).rc);
    EXPECT_EQ("", TreeDifference(HKEY_LOCAL_MACHINE, redirected,
                                 {{L"", L"v", REG_DWORD, {7, 0, 0, 0}}, {L"Sub", L"", REG_SZ, Terminated(L"s")}}));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));

    ScratchFile exported(L"tarnwell_export_view.reg");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ExportRegKey(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, exported.Path()));
    ASSERT_EQ(ERROR_SUCCESS, ExportRegKey(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY, exported.Path()));
    EXPECT_NE(std::wstring::npos, exported.Utf16Text().find(lines));

    ASSERT_EQ(ERROR_SUCCESS, ImportText(kHeader + L"[-HKLM\\" + path + L"]\r\n", KEY_WOW64_64KEY).rc);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, redirected));
    ASSERT_EQ(ERROR_SUCCESS, ImportText(kHeader + L"[-HKLM\\" + path + L"]\r\n", KEY_WOW64_32KEY).rc);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, redirected));
}

TEST(ImportRegFile, RefusesWhatItCannotReadWithoutChangingAnything) {
    ScratchFile huge(L"tarnwell_huge.reg");
    HANDLE h = CreateFileW(huge.Path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 300ll << 20;  // sparse: no disk space, no time
    EXPECT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && SetEndOfFile(h));
    CloseHandle(h);
    int line = -1;
    EXPECT_EQ(ERROR_OUTOFMEMORY, ImportRegFile(huge.Path(), 0, &line));
    EXPECT_EQ(0, line);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ImportRegFile(huge.Path() + L".absent", 0, &line));
    EXPECT_EQ(0, line);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, ImportText(kHeader, 64).rc);
    EXPECT_EQ(ERROR_SUCCESS, ImportText(kHeader).rc);  // a file with nothing to do does nothing
}

}  // namespace
