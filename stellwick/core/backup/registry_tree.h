#pragma once
// An exact image of a registry key tree (every value with its type and bytes, every
// subkey), taken before Stellwick changes a registration so the change can be undone.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

struct ValueImage {
    std::wstring name;
    DWORD type = 0;
    std::vector<uint8_t> data;
};

struct KeyImage {
    std::wstring name;  // the key's own name (last path component)
    std::vector<ValueImage> values;
    std::vector<KeyImage> subkeys;
};

bool operator==(const ValueImage& a, const ValueImage& b);
bool operator==(const KeyImage& a, const KeyImage& b);

// A predefined root's full name as the registry editor writes it ("HKEY_LOCAL_MACHINE").
std::wstring RootName(HKEY root);
// A key's full name, root included: "HKEY_CURRENT_USER\SOFTWARE\...".
std::wstring FullKeyName(HKEY root, const std::wstring& path);

// Reads the tree at root\path. ERROR_FILE_NOT_FOUND when the key does not exist.
LSTATUS CaptureTree(HKEY root, const std::wstring& path, KeyImage* out);
// Replaces whatever is at root\path with exactly the image.
LSTATUS RestoreTree(HKEY root, const std::wstring& path, const KeyImage& image);
