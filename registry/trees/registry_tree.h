#pragma once
// An exact image of a registry key tree (every value with its type and bytes, every
// subkey): what Stellwick's undo puts back and what a .reg file holds. Every call takes the
// registry view its keys are opened in (0, KEY_WOW64_64KEY or KEY_WOW64_32KEY), OR-ed into
// every open, create and delete.
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

// A predefined root's full name as the registry editor writes it ("HKEY_LOCAL_MACHINE");
// empty for any other key.
std::wstring RootName(HKEY root);
// The predefined root a full or short name names, in any letter case ("HKEY_CURRENT_USER",
// "HKCU"); null for any other name.
HKEY RootByName(const std::wstring& name);
// A key's full name, root included: "HKEY_CURRENT_USER\SOFTWARE\..."; the root's name alone
// when the path is empty.
std::wstring FullKeyName(HKEY root, const std::wstring& path);
// The path of a key's parent: what comes before its last backslash; empty below a root.
std::wstring ParentKeyPath(const std::wstring& path);
// True when the path names a key below a root: no empty name, so no leading, trailing or
// doubled backslash, and no NUL, after which the registry would read another path. The empty
// path (the root itself) is one too.
bool IsKeyPath(const std::wstring& path);

// True for the views a call may name: 0 (the caller's own), KEY_WOW64_64KEY or KEY_WOW64_32KEY.
bool IsRegistryView(REGSAM view);

// Reads the tree at root\path. ERROR_FILE_NOT_FOUND when the key does not exist.
LSTATUS CaptureTree(HKEY root, const std::wstring& path, KeyImage* out, REGSAM view = 0);
// Replaces whatever is at root\path with exactly the image.
LSTATUS RestoreTree(HKEY root, const std::wstring& path, const KeyImage& image, REGSAM view = 0);
// Deletes root\path with its values and subkeys. ERROR_FILE_NOT_FOUND when it does not exist;
// ERROR_INVALID_PARAMETER for the empty path (a root is never deleted).
LSTATUS DeleteTree(HKEY root, const std::wstring& path, REGSAM view = 0);
