// Registry trees captured and restored exact to the byte, exported in the registry editor's
// format, and .reg files under random damage. Importing is tested through zbnRegistry3.
#include <gtest/gtest.h>
#include "registry/trees/reg_export.h"
#include "registry/trees/reg_file.h"
#include "registry/trees/reg_parse.h"
#include "tests/registry/trees/tree_fixture.h"
#include <algorithm>
#include <random>

namespace {

// A tree of every kind comes back to the byte, in place of what the key held (into a key not
// there: the view test).
TEST(RegistryTree, RestoreGivesBackEveryValueAndSubkeyInPlaceOfWhatWasThere) {
    ScratchKey key(L"BackupTree");
    key.WriteText(L"Extra", REG_SZ, L"new", L"reg");
    key.WriteText(L"", REG_SZ, L"D:\\New\\foo.exe", L"reg\\Sub");
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Sub(L"reg"), EveryKindTree()));
    KeyImage image;
    ASSERT_EQ(ERROR_SUCCESS, CaptureTree(HKEY_CURRENT_USER, key.Sub(L"reg"), &image));
    EXPECT_EQ(L"reg", image.name);
    image.name.clear();
    EXPECT_TRUE(image == EveryKindTree());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, CaptureTree(HKEY_CURRENT_USER, key.Sub(L"absent"), &image));
}

// The key and everything below it in the editor's format, the root named in full, in place of
// a file of that name; an export that fails leaves that file as it was.
TEST(ExportRegKey, WritesTheEditorsFormatInPlaceOfAFileOrLeavesItAsItWas) {
    ScratchKey key(L"Export");
    ScratchFile file(L"tarnwell_export.reg");
    const KeyImage tree{L"",
                        {{L"", REG_SZ, Terminated(L"C:\\a \"b\"")},
                         {L"b", REG_BINARY, {1, 0xff}},
                         {L"crlf", REG_SZ, Terminated(L"a\r\n")},
                         {L"e", REG_EXPAND_SZ, Terminated(L"%A%")},
                         {L"n", REG_DWORD, {0x0a, 0, 0, 0}},
                         {L"odd", REG_SZ, {'x', 0, 'y'}},
                         {L"x\ny", REG_SZ, Terminated(L"")},
                         {L"z", REG_NONE, {}}},
                        {{L"sub", {}, {}}}};
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Sub(L"k"), tree));
    ASSERT_TRUE(file.Write({'o', 'l', 'd'}));
    ASSERT_EQ(ERROR_SUCCESS, ExportRegKey(HKEY_CURRENT_USER, key.Sub(L"k"), 0, file.Path()));
    const std::wstring name = L"[HKEY_CURRENT_USER\\" + key.Sub(L"k");
    const std::vector<uint8_t> exported = Utf16File(
        L"Windows Registry Editor Version 5.00\r\n\r\n" + name + L"]\r\n@=\"C:\\\\a \\\"b\\\"\"\r\n\"b\"=hex:01,ff\r\n"
        L"\"crlf\"=hex(1):61,00,0d,00,0a,00,00,00\r\n\"e\"=hex(2):25,00,41,00,25,00,00,00\r\n\"n\"=dword:0000000a\r\n"
        L"\"odd\"=hex(1):78,00,79\r\n; Not imported: the value's name holds a line break.\r\n; name=hex:78,00,0a,00,79,00\r\n"
        L"; data=\"\"\r\n\"z\"=hex(0):\r\n\r\n" +
        name + L"\\sub]\r\n\r\n");
    EXPECT_EQ(exported, file.Read());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ExportRegKey(HKEY_CURRENT_USER, key.Sub(L"absent"), 0, file.Path()));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, ExportRegKey(HKEY_CURRENT_USER, key.Sub(L"k\\"), 0, file.Path()));
    EXPECT_EQ(exported, file.Read());
}

// Random damage to valid files, in each encoding: every result is a parse or a fault on a
// line the file has, and never a crash.
TEST(ParseRegFile, RandomDamageNeverCrashesAndFaultsStayInTheFile) {
    const std::wstring text = FormatRegFile({{L"HKEY_CURRENT_USER\\Software\\Fuzz", EveryTypeTree()}}) +
                              L"[-HKEY_CURRENT_USER\\Software\\Fuzz\\Old]\r\n[HKCU\\Software\\Fuzz]\r\n\"x\"=-\r\n";
    const std::string regedit4 = Narrow(L"REGEDIT4" + text.substr(text.find(L"\r\n")), CP_ACP);
    const std::vector<std::vector<uint8_t>> seeds = {Utf16File(text), Utf8File(text, true), Utf8File(text, false),
                                                     {regedit4.begin(), regedit4.end()}};
    const std::string interesting("\"\\[],\r\n;=@-:()0fx \0\xFF\xFE\xC3\x80\xD8", 24);
    std::mt19937 rng(20261208);
    int parsed = 0, faulted = 0;
    for (int round = 0; round < 4000; ++round) {  // the first of each seed undamaged
        std::vector<uint8_t> bytes = seeds[round % seeds.size()];
        for (int edits = round < 4 ? 0 : 1 + rng() % 4; edits > 0 && !bytes.empty(); --edits) {
            const size_t at = rng() % bytes.size();
            const uint8_t some = interesting[rng() % interesting.size()];
            switch (rng() % 5) {
            case 0: bytes[at] = some; break;
            case 1: bytes[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
            case 2: bytes.erase(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + 1 + rng() % 8)); break;
            case 3: bytes.insert(bytes.begin() + at, some); break;
            default: bytes.resize(at); break;
            }
        }
        const auto lines = 1 + std::count_if(bytes.begin(), bytes.end(), [](uint8_t b) { return b == '\r' || b == '\n'; });
        std::vector<RegFileStep> steps;
        int line = -1;
        const LSTATUS rc = ParseRegFile(bytes, &steps, &line);
        ASSERT_TRUE(round >= 4 || rc == ERROR_SUCCESS) << "seed " << round;
        ++(rc == ERROR_SUCCESS ? parsed : faulted);
        if (rc == ERROR_SUCCESS) {
            for (const auto& s : steps) ASSERT_TRUE(s.line >= 2 && s.line <= lines) << round;
        } else {
            ASSERT_EQ(ERROR_INVALID_DATA, rc) << round;
            ASSERT_TRUE(line >= 1 && line <= lines && steps.empty()) << "round " << round << ": line " << line;
        }
    }
    // Both outcomes are common, or the damage tells nothing.
    EXPECT_GT(parsed, 400);
    EXPECT_GT(faulted, 400);
}

}  // namespace
