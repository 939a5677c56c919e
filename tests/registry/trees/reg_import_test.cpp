// Importing .reg files: the encodings the editor reads, a file that changes all it asks or,
// with a fault, nothing, and a failure while applying that stops where the platform refused.
#include <gtest/gtest.h>
#include "registry/trees/reg_import.h"
#include "tests/registry/trees/tree_fixture.h"

namespace {

const std::wstring kHeader = L"Windows Registry Editor Version 5.00\r\n\r\n";

struct Imported {
    LSTATUS rc;
    int line;
};

Imported ImportBytes(const std::vector<uint8_t>& bytes) {
    ScratchFile file(L"tarnwell_import.reg");
    Imported result = {ERROR_WRITE_FAULT, -1};
    if (file.Write(bytes)) result.rc = ImportRegFile(file.Path(), 0, &result.line);
    return result;
}

Imported ImportText(const std::wstring& text) { return ImportBytes(Utf16File(text)); }

std::wstring Text(const ScratchKey& key, const std::wstring& name, const std::wstring& child = L"") {
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    if (!key.Read(name, &type, &bytes, child) || type != REG_SZ || bytes.size() < 2) return L"<none>";
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2 - 1);
}

// The whole file is read before anything changes: with a fault at its end it changes nothing;
// without it, it makes, sets and deletes keys and values.
TEST(ImportRegFile, ChangesAllItAsksOrNothing) {
    ScratchKey key(L"AllOrNothing");
    const std::wstring base = L"HKEY_CURRENT_USER\\" + key.Path();
    const std::wstring file = kHeader + L"[-" + base + L"\\Existing]\r\n[" + base + L"\\Made]\r\n\"v\"=\"new\"\r\n[" +
                              base + L"]\r\n\"gone\"=-\r\n\"never there\"=-\r\n@=-\r\n";
    key.WriteText(L"gone", REG_SZ, L"old");
    key.WriteText(L"e", REG_SZ, L"here", L"Existing\\Deeper");
    const Imported faulty = ImportText(file + L"junk\r\n");
    EXPECT_EQ(ERROR_INVALID_DATA, faulty.rc);
    EXPECT_EQ(10, faulty.line);
    EXPECT_TRUE(key.Exists(L"Existing\\Deeper") && !key.Exists(L"Made"));
    EXPECT_EQ(L"old", Text(key, L"gone"));
    EXPECT_EQ(ERROR_SUCCESS, ImportText(file).rc);
    EXPECT_FALSE(key.Exists(L"Existing"));
    EXPECT_EQ(L"new", Text(key, L"v", L"Made"));
    EXPECT_EQ(L"<none>", Text(key, L"gone"));
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

// A key the platform refuses stops the import there with its code and line: what came
// before stays, nothing after it is done. The locked key belongs to another (Wine lets an
// owner do anything) and allows reading it and changing its access list; Wine does not check
// the parent's access when a subkey is created, so that way to fail is not tried.
TEST(ImportRegFile, AFailureWhileApplyingStopsWithThePlatformsCode) {
    ScratchKey key(L"ApplyFailure");
    const std::wstring base = L"HKEY_CURRENT_USER\\" + key.Path();
    key.WriteText(L"v", REG_SZ, L"old", L"Locked");
    ASSERT_EQ(ERROR_SUCCESS, SetKeySecurity(HKEY_CURRENT_USER, key.Sub(L"Locked"), L"O:SYD:P(A;;KRWD;;;WD)",
                                            DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION));
    const Imported result = ImportText(kHeader + L"[" + base + L"\\Before]\r\n\"a\"=\"1\"\r\n[" + base +
                                       L"\\Locked]\r\n\"v\"=\"x\"\r\n[" + base + L"\\After]\r\n");
    EXPECT_EQ(ERROR_ACCESS_DENIED, result.rc);
    EXPECT_EQ(5, result.line);  // the locked key's line
    EXPECT_EQ(L"1", Text(key, L"a", L"Before"));
    EXPECT_FALSE(key.Exists(L"After"));
    ASSERT_EQ(ERROR_SUCCESS, SetKeySecurity(HKEY_CURRENT_USER, key.Sub(L"Locked"), L"D:P(A;;KA;;;WD)",
                                            DACL_SECURITY_INFORMATION));
    EXPECT_EQ(L"old", Text(key, L"v", L"Locked"));
}

}  // namespace
