// Writing registry trees as .reg files in the registry editor's format, and exporting keys.
#include <gtest/gtest.h>
#include "registry/trees/reg_file.h"
#include "registry/trees/reg_export.h"
#include "tests/registry/trees/tree_fixture.h"

namespace {

TEST(RegFile, WritesTheEditorsFormat) {
    KeyImage image;
    image.name = L"foo.exe";
    image.values = {{L"", REG_SZ, Utf16(std::wstring(L"C:\\a \"b\"\0", 9))},
                    {L"n", REG_DWORD, {0x0a, 0, 0, 0}},
                    {L"e", REG_EXPAND_SZ, Utf16(std::wstring(L"%A%\0", 4))},
                    {L"odd", REG_SZ, {'x', 0, 'y'}},
                    {L"b", REG_BINARY, {1, 0xff}},
                    {L"z", REG_NONE, {}},
                    {L"crlf", REG_SZ, Utf16(std::wstring(L"a\r\n\0", 4))},
                    {L"x\ny", REG_SZ, Utf16(std::wstring(L"\0", 1))}};
    image.subkeys = {KeyImage{L"sub", {}, {}}};
    std::wstring text = FormatRegFile({{L"HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\foo.exe", image}});
    EXPECT_EQ(0u, text.find(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\foo.exe]\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"@=\"C:\\\\a \\\"b\\\"\"\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\"n\"=dword:0000000a\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\"e\"=hex(2):25,00,41,00,25,00,00,00\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\"odd\"=hex(1):78,00,79\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\"b\"=hex:01,ff\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\"z\"=hex(0):\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\"crlf\"=hex(1):61,00,0d,00,0a,00,00,00\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\r\n; name=hex:78,00,0a,00,79,00\r\n; data=\"\"\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\foo.exe\\sub]\r\n"));
}

TEST(ExportRegKey, WritesTheKeyAndEverythingBelowInTheEditorsFormat) {
    ScratchKey key(L"Export");
    ASSERT_EQ(ERROR_SUCCESS, WriteTree(HKEY_CURRENT_USER, key.Sub(L"k"),
                                       {{L"", L"", REG_SZ, Terminated(L"v")},
                                        {L"", L"d", REG_DWORD, {0x10, 0, 0, 0}},
                                        {L"sub", L"b", REG_BINARY, {1, 2}}}));
    ScratchFile file(L"tarnwell_export.reg");
    ASSERT_EQ(ERROR_SUCCESS, ExportRegKey(HKEY_CURRENT_USER, key.Sub(L"k"), 0, file.Path()));
    const std::wstring name = L"HKEY_CURRENT_USER\\" + key.Sub(L"k");
    EXPECT_EQ(L"Windows Registry Editor Version 5.00\r\n\r\n[" + name + L"]\r\n@=\"v\"\r\n\"d\"=dword:00000010\r\n\r\n[" +
                  name + L"\\sub]\r\n\"b\"=hex:01,02\r\n\r\n",
              file.Utf16Text());
    // An empty subkey is the whole root.
    ASSERT_EQ(ERROR_SUCCESS, ExportRegKey(HKEY_CURRENT_CONFIG, L"", 0, file.Path()));
    EXPECT_EQ(0u, file.Utf16Text().find(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_CONFIG]\r\n"));
}

// An export replaces a file of the same name, as the registry editor's does; a failed one
// leaves it as it was, and leaves nothing else behind.
TEST(ExportRegKey, ReplacesAFileWholeOrLeavesItAsItWas) {
    ScratchKey key(L"ExportReplace");
    key.WriteText(L"a", REG_SZ, L"x", L"k");
    ScratchFile file(L"tarnwell_export_replace.reg"), inMissingFolder(L"tarnwell_no_such_folder\\x.reg");
    ASSERT_TRUE(file.Write({'o', 'l', 'd'}));
    ASSERT_EQ(ERROR_SUCCESS, ExportRegKey(HKEY_CURRENT_USER, key.Sub(L"k"), 0, file.Path()));
    const std::wstring exported = file.Utf16Text();
    EXPECT_NE(std::wstring::npos, exported.find(L"\"a\"=\"x\""));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ExportRegKey(HKEY_CURRENT_USER, key.Sub(L"absent"), 0, file.Path()));
    EXPECT_EQ(exported, file.Utf16Text());
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, ExportRegKey(HKEY_CURRENT_USER, key.Sub(L"k"), 0, inMissingFolder.Path()));
    int named = 0;  // the export, and nothing else that starts with its name
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((file.Path() + L"*").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found)) ++named;
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    EXPECT_EQ(1, named);
}

TEST(ExportRegKey, RefusesWhatNamesNoKeyOrFile) {
    ScratchFile file(L"tarnwell_export_refused.reg");
    const std::wstring key = L"Software\\TarnwellTests";
    EXPECT_EQ(ERROR_INVALID_PARAMETER, ExportRegKey(HKEY_PERFORMANCE_DATA, key, 0, file.Path()));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, ExportRegKey(reinterpret_cast<HKEY>(ULONG_PTR(0x1234)), key, 0, file.Path()));
    for (const std::wstring& bad : {L"\\" + key, key + L"\\", std::wstring(L"Software\\\\TarnwellTests")})
        EXPECT_EQ(ERROR_INVALID_PARAMETER, ExportRegKey(HKEY_CURRENT_USER, bad, 0, file.Path()));
    for (REGSAM view : {REGSAM(64), REGSAM(KEY_WOW64_32KEY | KEY_WOW64_64KEY)})
        EXPECT_EQ(ERROR_INVALID_PARAMETER, ExportRegKey(HKEY_CURRENT_USER, key, view, file.Path()));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, ExportRegKey(HKEY_CURRENT_USER, key, 0, L""));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.Path().c_str()));
}

}  // namespace
