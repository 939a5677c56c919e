#include "registry/trees/copy_rename.h"
#include "com/handle_owners.h"
#include "support/zerbanesupportfbe.h"
#include <algorithm>
#include <vector>

namespace {

// Whether `path` is `key` or lies below it, registry names being compared in any letter case.
bool Within(const std::wstring& path, const std::wstring& key) {
    if (key.empty()) return true;
    if (path.size() < key.size() || (path.size() > key.size() && path[key.size()] != L'\\')) return false;
    return CompareStringOrdinal(path.c_str(), static_cast<int>(key.size()), key.c_str(), static_cast<int>(key.size()),
                                TRUE) == CSTR_EQUAL;
}

// The name the registry itself gives an open key ("\REGISTRY\MACHINE\SOFTWARE\WOW6432Node\X");
// empty for a predefined root, which has none to ask.
std::wstring RegistryName(HKEY key) {
    using NtQueryKeyFn = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const int kKeyNameInformation = 3;
    static const auto query = reinterpret_cast<NtQueryKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
    std::vector<ULONG> buffer(512);  // the name's length in bytes, then the name
    ULONG size = 0;
    if (!query || query(key, kKeyNameInformation, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(ULONG)),
                        &size) != 0)
        return {};
    return std::wstring(reinterpret_cast<const wchar_t*>(&buffer[1]), std::min<size_t>(buffer[0], size) / sizeof(wchar_t));
}

// The registry's own name of toRoot\toPath: that of its deepest key that exists, and the names
// below it. Empty when only the root exists.
std::wstring RegistryNameOf(HKEY toRoot, const std::wstring& toPath, REGSAM view) {
    for (std::wstring existing = toPath; !existing.empty(); existing = ParentKeyPath(existing)) {
        UniqueHKey key;
        if (RegOpenKeyExW(toRoot, existing.c_str(), 0, KEY_QUERY_VALUE | view, key.Put()) != ERROR_SUCCESS) continue;
        const std::wstring name = RegistryName(key.Get());
        return name.empty() ? name : name + toPath.substr(existing.size());
    }
    return {};
}

bool TargetWithinSource(HKEY root, const std::wstring& path, HKEY source, HKEY toRoot, const std::wstring& toPath,
                        REGSAM view) {
    if (root == toRoot && Within(toPath, path)) return true;
    const std::wstring sourceName = RegistryName(source), targetName = RegistryNameOf(toRoot, toPath, view);
    return !sourceName.empty() && !targetName.empty() && Within(targetName, sourceName);
}

// Wine's registry server keeps a key's subkeys in name order, compared in any letter case and
// then by length; renaming a key to a name that sorts right after its own, with no sibling in
// between, writes the key over its next sibling, which is lost. So where the server is Wine's,
// the key goes first by a name that has a sibling between it and both its old and its new name.
bool RenamingCanLoseASibling() {
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

wchar_t Lower(wchar_t c) {
    CharLowerBuffW(&c, 1);
    return c;
}

int NameOrder(const std::wstring& a, const std::wstring& b) {
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        const int d = static_cast<int>(Lower(a[i])) - static_cast<int>(Lower(b[i]));
        if (d) return d;
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

LSTATUS SubkeyNames(HKEY root, const std::wstring& path, REGSAM view, std::vector<std::wstring>* names) {
    UniqueHKey key;
    LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | view, key.Put());
    for (DWORD i = 0; rc == ERROR_SUCCESS; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        rc = RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) names->emplace_back(name, length);
    }
    return rc == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : rc;
}

// The name to rename through when renaming `from` to `to` among `siblings` directly could lose
// one; empty when it cannot.
std::wstring Detour(const std::wstring& from, const std::wstring& to, const std::vector<std::wstring>& siblings) {
    if (NameOrder(to, from) <= 0) return {};
    std::wstring next, previous, last = to;
    for (const std::wstring& s : siblings) {
        if (NameOrder(s, from) == 0) continue;
        if (NameOrder(s, to) == 0) return {};  // refused, as the name is taken
        if (NameOrder(s, from) > 0 && NameOrder(s, to) < 0) return {};  // one lies between
        if (NameOrder(s, to) > 0 && (next.empty() || NameOrder(s, next) < 0)) next = s;
        if (NameOrder(s, from) < 0 && (previous.empty() || NameOrder(s, previous) > 0)) previous = s;
        if (NameOrder(s, last) > 0) last = s;
    }
    if (!next.empty()) return last + L"~";  // after every sibling: `next` lies between
    if (previous.empty()) return {};        // an only child has no sibling to lose
    // Before `previous`, which then lies between.
    for (std::wstring low(1, L'\x01'); low.size() < 8; low += L'\x01') {
        const bool taken = std::any_of(siblings.begin(), siblings.end(),
                                       [&](const std::wstring& s) { return NameOrder(s, low) == 0; });
        if (!taken && NameOrder(low, previous) < 0) return low;
    }
    return {};
}

}  // namespace

LSTATUS CopyTree(HKEY root, const std::wstring& path, HKEY toRoot, const std::wstring& toPath, REGSAM view) {
    if (!IsRegistryView(view) || !IsKeyPath(path) || !IsKeyPath(toPath)) return ERROR_INVALID_PARAMETER;
    UniqueHKey source, target;
    LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, source.Put());
    if (rc != ERROR_SUCCESS) return rc;
    if (TargetWithinSource(root, path, source.Get(), toRoot, toPath, view)) return ERROR_INVALID_PARAMETER;
    rc = RegCreateKeyExW(toRoot, toPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, target.Put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return RegCopyTreeW(source.Get(), nullptr, target.Get());
}

LSTATUS RenameKey(HKEY root, const std::wstring& path, const std::wstring& newName, REGSAM view) {
    if (!IsRegistryView(view) || path.empty() || !IsKeyPath(path) || newName.empty() ||
        newName.find_first_of(std::wstring(L"\\\0", 2)) != std::wstring::npos)
        return ERROR_INVALID_PARAMETER;
    UniqueHKey key;
    LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_WRITE | view, key.Put());
    if (rc != ERROR_SUCCESS) return rc;
    std::wstring detour;
    if (RenamingCanLoseASibling()) {
        std::vector<std::wstring> siblings;
        rc = SubkeyNames(root, ParentKeyPath(path), view, &siblings);
        if (rc != ERROR_SUCCESS) return rc;
        detour = Detour(esGetFileName(path, false), newName, siblings);
    }
    if (detour.empty()) return RegRenameKey(key.Get(), nullptr, newName.c_str());
    rc = RegRenameKey(key.Get(), nullptr, detour.c_str());
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegRenameKey(key.Get(), nullptr, newName.c_str());
    if (rc != ERROR_SUCCESS) RegRenameKey(key.Get(), nullptr, esGetFileName(path, false).c_str());  // back as it was
    return rc;
}
