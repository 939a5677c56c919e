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

// The key and everything below it, in the editor's format with the root named in full, in
// place of a file of that name; an export that fails leaves that file as it was.
TEST(ExportRegKey, WritesTheKeyWholeInPlaceOfAFileOrLeavesItAsItWas) {
    ScratchKey key(L"Export");
    ScratchFile file(L"tarnwell_export.reg");
    const KeyImage tree{L"", {{L"", REG_SZ, Terminated(L"v")}, {L"d", REG_DWORD, {0x10, 0, 0, 0}}},
                        {{L"sub", {{L"b", REG_BINARY, {1, 2}}}, {}}}};
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Sub(L"k"), tree));
    ASSERT_TRUE(file.Write({'o', 'l', 'd'}));
    ASSERT_EQ(ERROR_SUCCESS, ExportRegKey(HKEY_CURRENT_USER, key.Sub(L"k"), 0, file.Path()));
    const std::wstring name = L"HKEY_CURRENT_USER\\" + key.Sub(L"k");
    const std::vector<uint8_t> exported = Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n[" + name +
                                                    L"]\r\n@=\"v\"\r\n\"d\"=dword:00000010\r\n\r\n[" + name +
                                                    L"\\sub]\r\n\"b\"=hex:01,02\r\n\r\n");
    EXPECT_EQ(exported, file.Read());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ExportRegKey(HKEY_CURRENT_USER, key.Sub(L"absent"), 0, file.Path()));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, ExportRegKey(HKEY_CURRENT_USER, key.Sub(L"k\\"), 0, file.Path()));
    EXPECT_EQ(exported, file.Read());
}

}  // namespace
