// Reading .reg files into steps, without the registry: the forms a value takes, faults in the
// bytes themselves, REGEDIT4's ANSI strings, and random damage.
#include <gtest/gtest.h>
#include "registry/trees/reg_file.h"
#include "registry/trees/reg_parse.h"
#include "tests/registry/trees/tree_fixture.h"
#include <algorithm>
#include <random>

namespace {

struct Parsed {
    LSTATUS rc = ERROR_SUCCESS;
    int line = -1;
    std::vector<RegFileStep> steps;
};

Parsed Parse(const std::vector<uint8_t>& bytes) {
    Parsed p;
    p.rc = ParseRegFile(bytes, &p.steps, &p.line);
    return p;
}

// Each value line (continued where it says so) below a key line, and what it sets.
TEST(ParseRegFile, ReadsEveryFormOfValue) {
    const struct {
        const wchar_t* line;
        DWORD type;
        std::vector<uint8_t> data;
    } cases[] = {
        {L"  @ = \"x \\\"y\\\" \\\\z\"  ; comment", REG_SZ, Terminated(L"x \"y\" \\z")},
        {L"\"crlf\"=\"a\\r\\nb\"", REG_SZ, Terminated(L"a\r\nb")},
        {L"\"d\"=dword: 0000001F ;", REG_DWORD, {0x1F, 0, 0, 0}},
        {L"\"q\"=hex(b):01,02,03,04,05,06,07,08", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {L"\"n\"=hex(0):", REG_NONE, {}},
        {L"\"u\"=hex(12345):aB, 0 ,ff", 0x12345, {0xAB, 0, 0xFF}},
        {L"\"c\"=hex:01,02,\\\r\n  03,04,\\\r\n\t05", REG_BINARY, {1, 2, 3, 4, 5}},
        {L"\"c\"=hex:01,\\ ; more below\r\n    02", REG_BINARY, {1, 2}},
        {L"\"c\"=hex:\\\r\n  0a", REG_BINARY, {10}},
        {L"\"c\"=hex:01,\\\r\n\r\n\"next\"=dword:1", REG_BINARY, {1}},
        {L"\"c\"=hex:01,\\", REG_BINARY, {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line, c.line + wcslen(c.line)));
        const Parsed p = Parse(Utf16File(L"Windows Registry Editor Version 5.00\r\n[HKCU\\A]\r\n" + std::wstring(c.line)));
        ASSERT_EQ(ERROR_SUCCESS, p.rc) << p.line;
        ASSERT_GE(p.steps.size(), 2u);
        EXPECT_EQ(RegFileStep::kSetValue, p.steps[1].kind);
        EXPECT_EQ(3, p.steps[1].line);
        EXPECT_EQ(c.type, p.steps[1].value.type);
        EXPECT_EQ(c.data, p.steps[1].value.data);
    }
}

// Bytes that are no .reg text: the line at fault, and no step.
TEST(ParseRegFile, FaultsInTheBytesGiveTheirLine) {
    const std::wstring good = L"Windows Registry Editor Version 5.00\r\n[HKCU\\A]\r\n\"a\"=\"b\"\r\n";
    std::vector<uint8_t> halfUnit = Utf16File(good), badUtf8 = Utf8File(good + L"\"c\"=\"", false);
    halfUnit.push_back('x');
    badUtf8.insert(badUtf8.end(), {0xC3, 0x28, '"'});
    const struct {
        std::vector<uint8_t> bytes;
        int line;
    } cases[] = {
        {Utf16File(good), 0},  // the control: no fault
        {{}, 1},
        {{0xFF, 0xFE}, 1},
        {{0xFE, 0xFF, 0, 'W'}, 1},
        {Utf16File(L"REGEDIT 4\r\n[HKCU\\A]"), 1},
        {Utf16File(L"\r\n" + good), 1},
        {halfUnit, 4},
        {badUtf8, 4},
        {Utf16File(good + L"\"c\"=\"d" + std::wstring(1, L'\0') + L"\"\r\n"), 4},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
        const Parsed p = Parse(cases[i].bytes);
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].line ? ERROR_INVALID_DATA : ERROR_SUCCESS, p.rc);
        EXPECT_EQ(cases[i].line, p.line);
        EXPECT_EQ(cases[i].line ? 0u : 2u, p.steps.size());
    }
}

// REGEDIT4 files give string data in hex as ANSI bytes: kept as UTF-16 and terminated, as the
// registry editor keeps them; other hex data stays as it stands.
TEST(ParseRegFile, Regedit4HexStringsAreAnsi) {
    const std::wstring e = Widen("\xE9", CP_ACP);
    const std::string text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\R4]\r\n\"m\"=hex(7):61,00,e9,00,00\r\n"
                             "\"s\"=hex(1):78,e9\r\n\"b\"=hex:e9\r\n\"z\"=hex(2):\r\n";
    const Parsed p = Parse(std::vector<uint8_t>(text.begin(), text.end()));
    ASSERT_EQ(ERROR_SUCCESS, p.rc) << p.line;
    ASSERT_EQ(5u, p.steps.size());
    EXPECT_EQ(Utf16(L"a" + std::wstring(1, L'\0') + e + std::wstring(2, L'\0')), p.steps[1].value.data);
    EXPECT_EQ(Terminated(L"x" + e), p.steps[2].value.data);
    EXPECT_EQ(std::vector<uint8_t>{0xE9}, p.steps[3].value.data);
    EXPECT_TRUE(p.steps[4].value.data.empty());
}

// Random damage to valid files, in each encoding: every result is a parse or a fault on a
// line the file has, and never a crash.
TEST(ParseRegFile, RandomDamageNeverCrashesAndFaultsStayInTheFile) {
    KeyImage image;
    for (const auto& v : EveryTypeTree())
        if (v.key.empty()) image.values.push_back({v.name, v.type, v.data});
    image.subkeys.push_back({L"Sub", {{L"x", REG_DWORD, {1, 2, 3, 4}}}, {}});
    const std::wstring text = FormatRegFile({{L"HKEY_CURRENT_USER\\Software\\Fuzz", image}}) +
                              L"[-HKEY_CURRENT_USER\\Software\\Fuzz\\Old]\r\n[HKCU\\Software\\Fuzz]\r\n\"x\"=-\r\n";
    const std::string regedit4 = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Fuzz]\r\n\"a\"=\"b\"\r\n"
                                 "\"e\"=hex(2):25,41,25,00\r\n\"d\"=dword:00000001\r\n";
    const std::vector<std::vector<uint8_t>> seeds = {Utf16File(text), Utf8File(text, true), Utf8File(text, false),
                                                     std::vector<uint8_t>(regedit4.begin(), regedit4.end())};
    for (const auto& seed : seeds) ASSERT_EQ(ERROR_SUCCESS, Parse(seed).rc);

    const uint8_t interesting[] = {'"', '\\', '[', ']', ',', '\r', '\n', ';', '=', '@', '-', ':', '(', ')',
                                   '0', 'f', 'x', ' ', 0, 0xFF, 0xFE, 0xC3, 0x80, 0xD8};
    std::mt19937 rng(20261208);
    int parsed = 0, faulted = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> bytes = seeds[round % seeds.size()];
        for (int edits = 1 + rng() % 4; edits > 0 && !bytes.empty(); --edits) {
            const size_t at = rng() % bytes.size();
            switch (rng() % 5) {
            case 0: bytes[at] = interesting[rng() % sizeof(interesting)]; break;
            case 1: bytes[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
            case 2: bytes.erase(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + 1 + rng() % 8)); break;
            case 3: bytes.insert(bytes.begin() + at, interesting[rng() % sizeof(interesting)]); break;
            default: bytes.resize(at); break;
            }
        }
        const auto lines = 1 + std::count_if(bytes.begin(), bytes.end(), [](uint8_t b) { return b == '\r' || b == '\n'; });
        const Parsed p = Parse(bytes);
        ++(p.rc == ERROR_SUCCESS ? parsed : faulted);
        if (p.rc == ERROR_SUCCESS) {
            for (const auto& s : p.steps) ASSERT_TRUE(s.line >= 2 && s.line <= lines) << round;
        } else {
            ASSERT_EQ(ERROR_INVALID_DATA, p.rc) << round;
            ASSERT_TRUE(p.line >= 1 && p.line <= lines) << "round " << round << ": line " << p.line;
            ASSERT_TRUE(p.steps.empty()) << round;
        }
    }
    // Both outcomes are common, or the damage tells nothing.
    EXPECT_GT(parsed, 400);
    EXPECT_GT(faulted, 400);
}

}  // namespace
