#include "registry/trees/registry_tree.h"
#include "com/handle_owners.h"
#include "support/upper_case.h"
#include "support/zerbanesupportfbe.h"

bool operator==(const ValueImage& a, const ValueImage& b) {
    return a.name == b.name && a.type == b.type && a.data == b.data;
}

bool operator==(const KeyImage& a, const KeyImage& b) {
    return a.name == b.name && a.values == b.values && a.subkeys == b.subkeys;
}

namespace {

LSTATUS CaptureOpen(HKEY key, const std::wstring& name, REGSAM view, KeyImage* out) {
    out->name = name;
    DWORD subkeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
    LSTATUS rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxSubKey, nullptr, &values, &maxName,
                                  &maxData, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    int retries = 8;  // a value that keeps growing while we read it
    for (DWORD i = 0;; ++i) {
        std::vector<wchar_t> nameBuf(maxName + 2);
        std::vector<uint8_t> data(maxData + 1);
        DWORD nameLen = static_cast<DWORD>(nameBuf.size()), size = static_cast<DWORD>(data.size()), type = 0;
        rc = RegEnumValueW(key, i, nameBuf.data(), &nameLen, nullptr, &type, data.data(), &size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_MORE_DATA && retries-- > 0) {  // changed since the query: ask again with room enough
            RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                             nullptr, nullptr);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;
        data.resize(size);
        out->values.push_back({std::wstring(nameBuf.data(), nameLen), type, std::move(data)});
    }
    for (DWORD i = 0;; ++i) {
        std::vector<wchar_t> nameBuf(maxSubKey + 2);
        DWORD nameLen = static_cast<DWORD>(nameBuf.size());
        rc = RegEnumKeyExW(key, i, nameBuf.data(), &nameLen, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_MORE_DATA && retries-- > 0) {
            RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxSubKey, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;
        std::wstring child(nameBuf.data(), nameLen);
        UniqueHKey sub;
        rc = RegOpenKeyExW(key, child.c_str(), 0, KEY_READ | view, sub.Put());
        if (rc != ERROR_SUCCESS) return rc;
        KeyImage image;
        rc = CaptureOpen(sub.Get(), child, view, &image);
        if (rc != ERROR_SUCCESS) return rc;
        out->subkeys.push_back(std::move(image));
    }
    return ERROR_SUCCESS;
}

LSTATUS WriteOpen(HKEY key, const KeyImage& image, REGSAM view) {
    for (const auto& v : image.values) {
        LSTATUS rc = RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.empty() ? nullptr : v.data.data(),
                                    static_cast<DWORD>(v.data.size()));
        if (rc != ERROR_SUCCESS) return rc;
    }
    for (const auto& child : image.subkeys) {
        UniqueHKey sub;
        LSTATUS rc =
            RegCreateKeyExW(key, child.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, sub.Put(), nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        rc = WriteOpen(sub.Get(), child, view);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

// The predefined roots by their full names and the short ones the registry editor accepts.
struct RootNames {
    HKEY root;
    const wchar_t* full;
    const wchar_t* abbreviation;
};
const RootNames kRoots[] = {{HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"HKLM"},
                            {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", L"HKCU"},
                            {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", L"HKCR"},
                            {HKEY_USERS, L"HKEY_USERS", L"HKU"},
                            {HKEY_CURRENT_CONFIG, L"HKEY_CURRENT_CONFIG", L"HKCC"}};

}  // namespace

std::wstring RootName(HKEY root) {
    for (const auto& r : kRoots)
        if (r.root == root) return r.full;
    return {};
}

HKEY RootByName(const std::wstring& name) {
    const std::wstring upper = UpperCase(name);
    for (const auto& r : kRoots)
        if (upper == r.full || upper == r.abbreviation) return r.root;
    return nullptr;
}

std::wstring FullKeyName(HKEY root, const std::wstring& path) {
    return path.empty() ? RootName(root) : RootName(root) + L"\\" + path;
}

std::wstring ParentKeyPath(const std::wstring& path) {
    const size_t sep = path.find_last_of(L'\\');
    return sep == std::wstring::npos ? std::wstring() : path.substr(0, sep);
}

bool IsKeyPath(const std::wstring& path) {
    if (path.empty()) return true;
    return path.front() != L'\\' && path.back() != L'\\' && path.find(L"\\\\") == std::wstring::npos &&
           path.find(L'\0') == std::wstring::npos;
}

bool IsRegistryView(REGSAM view) { return view == 0 || view == KEY_WOW64_64KEY || view == KEY_WOW64_32KEY; }

LSTATUS CaptureTree(HKEY root, const std::wstring& path, KeyImage* out, REGSAM view) {
    *out = KeyImage{};
    UniqueHKey key;
    LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.Put());
    if (rc != ERROR_SUCCESS) return rc;
    return CaptureOpen(key.Get(), esGetFileName(path, false), view, out);
}

LSTATUS RestoreTree(HKEY root, const std::wstring& path, const KeyImage& image, REGSAM view) {
    LSTATUS rc = DeleteTree(root, path, view);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
    UniqueHKey key;
    rc = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, key.Put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return WriteOpen(key.Get(), image, view);
}

// The key is opened in the view first, since neither RegDeleteTreeW nor SHDeleteKeyW takes
// one: emptied through that handle, then deleted by name in the same view.
LSTATUS DeleteTree(HKEY root, const std::wstring& path, REGSAM view) {
    if (path.empty()) return ERROR_INVALID_PARAMETER;
    UniqueHKey key;
    LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_SET_VALUE | DELETE | view, key.Put());
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegDeleteTreeW(key.Get(), nullptr);
    key.Reset();
    if (rc != ERROR_SUCCESS) return rc;
    return RegDeleteKeyExW(root, path.c_str(), view, 0);
}
