#pragma once
// Exports a key and everything below it as a .reg file in the system registry editor's
// format (reg_file.h).
#include "registry/trees/registry_tree.h"

// The key root\subKey, read in the view (0, KEY_WOW64_64KEY or KEY_WOW64_32KEY); an empty
// subKey exports the whole root, as the registry editor does. The file is written whole, in
// place of any file of that name, or not at all (an existing file then stays as it was).
// Returns ERROR_SUCCESS, or: ERROR_INVALID_PARAMETER for a root that is not predefined, a
// subKey with an empty name in it (a leading, trailing or doubled backslash), no such view,
// or no file name; ERROR_FILE_NOT_FOUND when the key does not exist; ERROR_OUTOFMEMORY;
// else the platform's code for the key that could not be read or the file not written.
LSTATUS ExportRegKey(HKEY root, const std::wstring& subKey, REGSAM view, const std::wstring& fileName);
