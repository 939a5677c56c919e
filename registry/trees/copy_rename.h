#pragma once
// Copying a key tree into another key, and renaming a key in place, in a registry view (0,
// KEY_WOW64_64KEY or KEY_WOW64_32KEY).
#include "registry/trees/registry_tree.h"

// Copies every value (type and bytes) and every subkey of root\path into toRoot\toPath,
// creating it when needed. ERROR_INVALID_PARAMETER for no such view, a path with an empty name
// in it (see IsKeyPath), or a target that is the source or lies below it: by name in the same
// root (any letter case), or by the names the registry gives the keys themselves, which see
// through views and through roots that are other keys (HKEY_CLASSES_ROOT).
LSTATUS CopyTree(HKEY root, const std::wstring& path, HKEY toRoot, const std::wstring& toPath, REGSAM view);

// Renames root\path to newName, a single name. ERROR_INVALID_PARAMETER for no such view, an
// empty path or name, a path that IsKeyPath refuses, or a name with a backslash or a NUL; a
// sibling of that name is left untouched and the platform's code returned.
LSTATUS RenameKey(HKEY root, const std::wstring& path, const std::wstring& newName, REGSAM view);
