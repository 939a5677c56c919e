#include "stellwick/core/backup/registry_tree.h"
#include "com/handle_owners.h"
#include <shlwapi.h>

bool operator==(const ValueImage& a, const ValueImage& b) {
    return a.name == b.name && a.type == b.type && a.data == b.data;
}

bool operator==(const KeyImage& a, const KeyImage& b) {
    return a.name == b.name && a.values == b.values && a.subkeys == b.subkeys;
}

namespace {

std::wstring LastComponent(const std::wstring& path) {
    size_t sep = path.find_last_of(L'\\');
    return sep == std::wstring::npos ? path : path.substr(sep + 1);
}

LSTATUS CaptureOpen(HKEY key, const std::wstring& name, KeyImage* out) {
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
        rc = RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, sub.Put());
        if (rc != ERROR_SUCCESS) return rc;
        KeyImage image;
        rc = CaptureOpen(sub.Get(), child, &image);
        if (rc != ERROR_SUCCESS) return rc;
        out->subkeys.push_back(std::move(image));
    }
    return ERROR_SUCCESS;
}

LSTATUS WriteOpen(HKEY key, const KeyImage& image) {
    for (const auto& v : image.values) {
        LSTATUS rc = RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.empty() ? nullptr : v.data.data(),
                                    static_cast<DWORD>(v.data.size()));
        if (rc != ERROR_SUCCESS) return rc;
    }
    for (const auto& child : image.subkeys) {
        UniqueHKey sub;
        LSTATUS rc = RegCreateKeyExW(key, child.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, sub.Put(), nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        rc = WriteOpen(sub.Get(), child);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

}  // namespace

std::wstring RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
    if (root == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT";
    if (root == HKEY_USERS) return L"HKEY_USERS";
    if (root == HKEY_CURRENT_CONFIG) return L"HKEY_CURRENT_CONFIG";
    return {};
}

std::wstring FullKeyName(HKEY root, const std::wstring& path) { return RootName(root) + L"\\" + path; }

LSTATUS CaptureTree(HKEY root, const std::wstring& path, KeyImage* out) {
    *out = KeyImage{};
    UniqueHKey key;
    LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put());
    if (rc != ERROR_SUCCESS) return rc;
    return CaptureOpen(key.Get(), LastComponent(path), out);
}

LSTATUS RestoreTree(HKEY root, const std::wstring& path, const KeyImage& image) {
    LSTATUS rc = SHDeleteKeyW(root, path.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
    UniqueHKey key;
    rc = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return WriteOpen(key.Get(), image);
}
