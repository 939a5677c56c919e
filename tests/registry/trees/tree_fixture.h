#pragma once
// Registry trees for the tests of registry/trees/ and Stellwick's backups: trees with a value
// of every kind, written and read back with the raw API only.
#include "support/code_page.h"
#include "tests/test_registry_keys.h"
#include <windows.h>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

const std::wstring kCyrillic = L"\u0418\u043C\u044F";  // "Имя"

// A tree with a value of every kind the registry can hold, and nested subkeys; some names
// hold line breaks, which no .reg file can name.
inline void Populate(const ScratchKey& key, const std::wstring& at) {
    key.WriteText(L"", REG_SZ, L"C:\\Old \"quoted\"\\foo.exe", at);
    key.WriteText(L"Path", REG_EXPAND_SZ, L"%ProgramFiles%\\x", at);
    key.Write(L"Multi", REG_MULTI_SZ, Utf16(std::wstring(L"a\0\0b\0\0", 6)), at);
    key.Write(L"Bin", REG_BINARY, std::vector<uint8_t>(100, 0xAB), at);
    key.Write(L"Dw", REG_DWORD, {1, 2, 3, 4}, at);
    key.Write(L"Qw", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, at);
    key.Write(L"None", REG_NONE, {}, at);
    key.Write(L"Odd", REG_SZ, {'a', 0, 'b'}, at);
    key.Write(L"Unknown", 0x1234, {9, 8, 7}, at);
    key.WriteText(kCyrillic, REG_SZ, kCyrillic, at);
    key.WriteText(L"Lines", REG_SZ, L"one\r\ntwo\rthree\nfour\tfive \"\\\\\"", at);
    key.Write(L"Nuls", REG_SZ, Utf16(std::wstring(L"a\0", 2) + kCyrillic + std::wstring(L"\0\0", 2)), at);
    key.Write(L"Lone", REG_SZ, Utf16(std::wstring(L"\xD800x\xDC00\0", 4)), at);
    key.WriteText(L"Line\r\nName", REG_SZ, L"no .reg line can name it", at);
    key.WriteText(L"", REG_SZ, L"nor this key", at + L"\\Line\nKey");
    key.WriteText(L"", REG_SZ, L"child", at + L"\\Sub");
    key.Write(L"deep", REG_DWORD, {0, 0, 0, 0}, at + L"\\Sub\\Deeper");
}

// One value of a tree: the key below the tree's top ("" for the top itself), name, type, bytes.
struct TreeValue {
    std::wstring key;
    std::wstring name;
    DWORD type;
    std::vector<uint8_t> data;
};

inline std::vector<uint8_t> Terminated(const std::wstring& text) { return Utf16(text + L'\0'); }

// Every kind of value a .reg file carries exactly, in keys several levels deep.
inline std::vector<TreeValue> EveryTypeTree() {
    const std::wstring cyrillicKey = L"\u041A\u043B\u044E\u0447";  // "Ключ"
    std::vector<uint8_t> odd(77);
    for (size_t i = 0; i < odd.size(); ++i) odd[i] = static_cast<uint8_t>(i * 37);
    return {
        {L"", L"", REG_SZ, Terminated(L"")},
        {L"", L"Lines", REG_SZ, Terminated(L"one\r\ntwo\rthree\n \"quoted\" C:\\dir\\ \\\\share")},
        {L"", L"Plain", REG_SZ, Terminated(L"C:\\Program Files\\x \"y\".exe")},
        {L"", L"na\"me\\x", REG_SZ, Terminated(L"a name with a quote and a backslash")},
        {L"", L"Expand", REG_EXPAND_SZ, Terminated(L"%SystemRoot%\\x")},
        {L"", L"Multi", REG_MULTI_SZ, Utf16(std::wstring(L"a\0\0b\0\0", 6))},
        {L"", L"Odd", REG_BINARY, odd},
        {L"", L"Dword", REG_DWORD, {0xEF, 0xBE, 0xAD, 0xDE}},
        {L"", L"Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 0x80}},
        {L"", L"None", REG_NONE, {}},
        {L"", L"NoneBytes", REG_NONE, {0, 1}},
        {L"", L"Unknown", 0x12345, {9, 8, 7}},
        {L"", kCyrillic, REG_SZ, Terminated(kCyrillic)},
        {cyrillicKey, kCyrillic, REG_EXPAND_SZ, Terminated(L"%" + kCyrillic + L"%")},
        {L"Sub", L"", REG_SZ, Terminated(L"child")},
        {L"Sub\\Deeper\\Deepest", L"Leaf", REG_DWORD, {1, 0, 0, 0}},
        {L"Sub\\Deeper\\Deepest\\Leaf", L"", REG_BINARY, {}},
    };
}

inline std::wstring Below(const std::wstring& path, const std::wstring& key) {
    return key.empty() ? path : path + L"\\" + key;
}

inline std::wstring ParentOf(const std::wstring& key) {
    const size_t separator = key.find_last_of(L'\\');
    return separator == std::wstring::npos ? std::wstring() : key.substr(0, separator);
}

inline LSTATUS WriteTree(HKEY root, const std::wstring& path, const std::vector<TreeValue>& tree, REGSAM view = 0) {
    for (const auto& v : tree) {
        HKEY k = nullptr;
        LSTATUS rc = RegCreateKeyExW(root, Below(path, v.key).c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                                     &k, nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        rc = RegSetValueExW(k, v.name.c_str(), 0, v.type, v.data.empty() ? nullptr : v.data.data(),
                            static_cast<DWORD>(v.data.size()));
        RegCloseKey(k);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

// Empty when root\path holds exactly the tree, no more and no less; else the first difference.
inline std::string TreeDifference(HKEY root, const std::wstring& path, const std::vector<TreeValue>& tree,
                                  REGSAM view = 0) {
    auto narrow = [](const std::wstring& s) { return std::string(s.begin(), s.end()); };  // names for messages
    std::set<std::wstring> keys = {L""};
    for (const auto& v : tree)
        for (std::wstring key = v.key; !key.empty(); key = ParentOf(key)) keys.insert(key);
    for (const auto& key : keys) {
        HKEY k = nullptr;
        if (RegOpenKeyExW(root, Below(path, key).c_str(), 0, KEY_READ | view, &k) != ERROR_SUCCESS)
            return "cannot open '" + narrow(key) + "'";
        DWORD subkeys = 0, values = 0;
        RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         nullptr);
        DWORD wantValues = 0, wantSubkeys = 0;
        for (const auto& v : tree) wantValues += v.key == key;
        for (const auto& other : keys) wantSubkeys += !other.empty() && ParentOf(other) == key;
        std::string fault;
        if (values != wantValues || subkeys != wantSubkeys)
            fault = "'" + narrow(key) + "' holds " + std::to_string(values) + " values and " +
                    std::to_string(subkeys) + " subkeys";
        for (const auto& v : tree) {
            if (v.key != key || !fault.empty()) continue;
            DWORD type = 0, size = 0;
            std::vector<uint8_t> data;
            LSTATUS rc = RegQueryValueExW(k, v.name.c_str(), nullptr, &type, nullptr, &size);
            data.resize(size);
            if (rc == ERROR_SUCCESS && size) rc = RegQueryValueExW(k, v.name.c_str(), nullptr, &type, data.data(), &size);
            if (rc != ERROR_SUCCESS || type != v.type || data != v.data)
                fault = "value '" + narrow(v.name) + "' of '" + narrow(key) + "' differs";
        }
        RegCloseKey(k);
        if (!fault.empty()) return fault;
    }
    return {};
}

inline bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

// A file in the temporary folder, absent when the test starts and removed when it ends.
class ScratchFile {
public:
    explicit ScratchFile(const std::wstring& name) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = temp + name;
        DeleteFileW(path_.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile() { DeleteFileW(path_.c_str()); }

    const std::wstring& Path() const { return path_; }
    bool Write(const std::vector<uint8_t>& bytes) const {
        FILE* f = _wfopen(path_.c_str(), L"wb");
        if (!f) return false;
        const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return fclose(f) == 0 && ok;
    }
    // The text of a UTF-16LE file after its byte order mark.
    std::wstring Utf16Text() const {
        std::wstring text;
        FILE* f = _wfopen(path_.c_str(), L"rb");
        if (!f) return L"<no file>";
        if (fgetc(f) != 0xFF || fgetc(f) != 0xFE) text = L"<no byte order mark>";
        for (int lo, hi; (lo = fgetc(f)) != EOF && (hi = fgetc(f)) != EOF;) text.push_back(static_cast<wchar_t>(lo | hi << 8));
        fclose(f);
        return text;
    }

private:
    std::wstring path_;
};

// A .reg file's bytes: UTF-16LE after its byte order mark, UTF-8 with or without one.
inline std::vector<uint8_t> Utf16File(const std::wstring& text) { return Utf16(L"\xFEFF" + text); }
inline std::vector<uint8_t> Utf8File(const std::wstring& text, bool mark) {
    const std::string bytes = Narrow((mark ? L"\xFEFF" : L"") + text, CP_UTF8);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}
