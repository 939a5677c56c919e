#pragma once
// Registry trees for the tests of registry/trees/, zbnRegistry3 and Stellwick's backups: trees
// with a value of every kind (written with RestoreTree, read back with CaptureTree, both the
// raw API only), and the bytes of .reg files.
#include "registry/trees/registry_tree.h"
#include "support/code_page.h"
#include "tests/scratch_files.h"
#include "tests/test_registry_keys.h"
#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

const std::wstring kCyrillic = L"\u0418\u043C\u044F";  // "Имя"

inline std::vector<uint8_t> Terminated(const std::wstring& text) { return Utf16(text + L'\0'); }

// Every kind of value a .reg file carries exactly, in keys several levels deep. Values and
// subkeys are in the order of their names in any letter case, as the registry lists them.
inline KeyImage EveryTypeTree() {
    std::vector<uint8_t> odd(77);
    for (size_t i = 0; i < odd.size(); ++i) odd[i] = static_cast<uint8_t>(i * 37);
    const KeyImage deepest{L"Deepest", {{L"Leaf", REG_DWORD, {1, 0, 0, 0}}}, {{L"Leaf", {{L"", REG_BINARY, {}}}, {}}}};
    return {L"",
            {{L"", REG_SZ, Terminated(L"")},
             {L"Dword", REG_DWORD, {0xEF, 0xBE, 0xAD, 0xDE}},
             {L"Expand", REG_EXPAND_SZ, Terminated(L"%SystemRoot%\\x")},
             {L"Lines", REG_SZ, Terminated(L"one\r\ntwo\rthree\n \"quoted\" C:\\dir\\ \\\\share")},
             {L"Multi", REG_MULTI_SZ, Utf16(std::wstring(L"a\0\0b\0\0", 6))},
             {L"na\"me\\x", REG_SZ, Terminated(L"a name with a quote and a backslash")},
             {L"None", REG_NONE, {}},
             {L"NoneBytes", REG_NONE, {0, 1}},
             {L"Odd", REG_BINARY, odd},
             {L"Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 0x80}},
             {L"Unknown", 0x12345, {9, 8, 7}},
             {kCyrillic, REG_SZ, Terminated(kCyrillic)}},
            {{L"Sub", {}, {{L"Deeper", {}, {deepest}}}},
             {L"\u041A\u043B\u044E\u0447", {{kCyrillic, REG_EXPAND_SZ, Terminated(L"%" + kCyrillic + L"%")}}, {}}}};
}

// The same with what no .reg file can name (names with line breaks), string data of odd length
// (which Wine's registry editor does not give back), and strings with NULs or a lone surrogate.
inline KeyImage EveryKindTree() {
    KeyImage tree = EveryTypeTree();
    tree.values.push_back({L"Line\r\nName", REG_SZ, Terminated(L"no .reg line can name it")});
    tree.values.push_back({L"OddText", REG_SZ, {'a', 0, 'b'}});
    tree.values.push_back({L"Nuls", REG_SZ, Utf16(std::wstring(L"a\0", 2) + kCyrillic + std::wstring(L"\0\0", 2))});
    tree.values.push_back({L"Lone", REG_SZ, Utf16(std::wstring(L"\xD800x\xDC00\0", 4))});
    tree.subkeys.push_back({L"Line\nKey", {{L"", REG_SZ, Terminated(L"nor this key")}}, {}});
    // In the order the registry lists them: by name in any letter case, a prefix first.
    auto byName = [](const auto& a, const auto& b) {
        return CompareStringOrdinal(a.name.c_str(), static_cast<int>(a.name.size()), b.name.c_str(),
                                    static_cast<int>(b.name.size()), TRUE) == CSTR_LESS_THAN;
    };
    std::sort(tree.values.begin(), tree.values.end(), byName);
    std::sort(tree.subkeys.begin(), tree.subkeys.end(), byName);
    return tree;
}

// The tree at root\path as the raw API reads it, the top's name left out; empty when it is not there.
inline KeyImage Captured(HKEY root, const std::wstring& path, REGSAM view = 0) {
    KeyImage image;
    if (CaptureTree(root, path, &image, view) != ERROR_SUCCESS) image.name = L"<not there>";
    else image.name.clear();
    return image;
}

inline bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0) {
    UniqueHKey k;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, k.Put()) == ERROR_SUCCESS;
}

// A .reg file's bytes: UTF-16LE after its byte order mark, UTF-8 with or without one.
inline std::vector<uint8_t> Utf16File(const std::wstring& text) { return Utf16(L"\xFEFF" + text); }
inline std::vector<uint8_t> Utf8File(const std::wstring& text, bool mark) {
    const std::string bytes = Narrow((mark ? L"\xFEFF" : L"") + text, CP_UTF8);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}
