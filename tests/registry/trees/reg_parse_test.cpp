// Reading .reg files into steps, without the registry: the line of a fault, in the bytes or in
// the text, and random damage.
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

// Bytes that are no .reg file, in their encoding or their lines: the first line at fault (of a
// continued line, its first), and no step.
TEST(ParseRegFile, AFaultGivesItsLineAndNoStep) {
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
    const wchar_t* const lines[] = {
        L"\"a\"=dword:123456789", L"\"a\"=dword:12g4", L"\"a\"=\"unterminated", L"\"a\"=\"b\\q\"",
        L"\"a\"=\"b\" trailing", L"\"a\"=hex:1,2,zz", L"\"a\"=hex(2:00", L"\"a\"=hex:01,\\\r\n  02,\\\r\n  zz",
        L"junk", L"[HKEY_NOWHERE\\X]", L"[HKCU\\Software\\X", L"[-HKEY_CURRENT_USER]",
    };
    std::vector<std::pair<std::vector<uint8_t>, int>> all;
    for (const auto& c : cases) all.emplace_back(c.bytes, c.line);
    for (const wchar_t* line : lines) all.emplace_back(Utf16File(good + L"\r\n; fine\r\n" + line + L"\r\n"), 6);
    for (size_t i = 0; i < all.size(); ++i) {
        const Parsed p = Parse(all[i].first);
        SCOPED_TRACE(i);
        EXPECT_EQ(all[i].second ? ERROR_INVALID_DATA : ERROR_SUCCESS, p.rc);
        EXPECT_EQ(all[i].second, p.line);
        EXPECT_EQ(all[i].second ? 0u : 2u, p.steps.size());
    }
}

// Random damage to valid files, in each encoding: every result is a parse or a fault on a
// line the file has, and never a crash.
TEST(ParseRegFile, RandomDamageNeverCrashesAndFaultsStayInTheFile) {
    const std::wstring text = FormatRegFile({{L"HKEY_CURRENT_USER\\Software\\Fuzz", EveryTypeTree()}}) +
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
