#include "tests/fuzz/registry_fingerprint.h"
#include "com/handle_owners.h"
#include <windows.h>

namespace {

// FNV-1a.
void Mix(unsigned long long* hash, const void* data, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) *hash = (*hash ^ p[i]) * 1099511628211ull;
}

// Whether `path` is `key` or, with `below`, a key under it (registry names ignore case).
bool Within(const std::wstring& path, const std::wstring& key, bool below) {
    if (path.size() < key.size() || (path.size() > key.size() && path[key.size()] != L'\\')) return false;
    if (path.size() > key.size() && !below) return false;
    return CompareStringOrdinal(path.c_str(), static_cast<int>(key.size()), key.c_str(), static_cast<int>(key.size()),
                                TRUE) == CSTR_EQUAL;
}

bool IsExcluded(const std::wstring& path, const std::vector<std::wstring>& excluded) {
    for (const std::wstring& e : excluded)
        if (Within(path, e, true)) return true;
    return false;
}

bool HoldsExcluded(const std::wstring& path, const std::vector<std::wstring>& excluded) {
    for (const std::wstring& e : excluded)
        if (e.size() > path.size() && Within(e, path, true)) return true;
    return false;
}

// Changes whenever a value of the key is set or deleted, or a subkey made or removed.
unsigned long long KeyStamp(HKEY key) {
    DWORD subKeys = 0, values = 0;
    FILETIME written = {};
    unsigned long long hash = 14695981039346656037ull;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         &written) == ERROR_SUCCESS)
        for (DWORD n : {subKeys, values, written.dwLowDateTime, written.dwHighDateTime}) Mix(&hash, &n, sizeof(n));
    return hash;
}

// The values' names, types and data: for a key above an excluded one, whose own stamp
// changes when the excluded key is made or removed.
unsigned long long ValueHash(HKEY key) {
    unsigned long long hash = 14695981039346656037ull;
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data;
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size()), size = 0, type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        data.resize(size + 1);
        nameLen = static_cast<DWORD>(name.size());
        RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &size);
        Mix(&hash, name.data(), nameLen * sizeof(wchar_t));
        Mix(&hash, &type, sizeof(type));
        Mix(&hash, data.data(), size);
    }
    return hash;
}

void Walk(HKEY key, const std::wstring& path, const std::vector<std::wstring>& excluded, RegistryFingerprint* out) {
    (*out)[path] = HoldsExcluded(path, excluded) ? ValueHash(key) : KeyStamp(key);
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const std::wstring child = path + L"\\" + name;
        UniqueHKey sub;
        if (IsExcluded(child, excluded) || RegOpenKeyExW(key, name, 0, KEY_READ, sub.Put()) != ERROR_SUCCESS) continue;
        Walk(sub.Get(), child, excluded, out);
    }
}

}  // namespace

RegistryFingerprint TakeRegistryFingerprint(const std::vector<std::wstring>& excluded) {
    RegistryFingerprint fp;
    Walk(HKEY_CURRENT_USER, L"HKCU", excluded, &fp);
    Walk(HKEY_LOCAL_MACHINE, L"HKLM", excluded, &fp);
    return fp;
}

std::vector<std::wstring> FingerprintDifferences(const RegistryFingerprint& before, const RegistryFingerprint& after,
                                                 size_t limit) {
    std::vector<std::wstring> out;
    for (const auto& [path, hash] : after) {
        auto it = before.find(path);
        if (it == before.end() || it->second != hash) out.push_back(path);
    }
    for (const auto& [path, hash] : before)
        if (!after.count(path)) out.push_back(path + L" (deleted)");
    if (out.size() > limit) out.resize(limit);
    return out;
}
