#pragma once
// Loading a registry hive file as a key and unloading it again, with the backup and restore
// privileges enabled for the call when the caller holds them.
#include <windows.h>
#include <string>

// Loads the hive file as root\path; root is HKEY_USERS or HKEY_LOCAL_MACHINE, any other gives
// ERROR_INVALID_PARAMETER. A load that fails leaves no key behind.
LSTATUS LoadHive(HKEY root, const std::wstring& path, const std::wstring& fileName);
// Unloads the hive loaded as root\path; the same roots.
LSTATUS UnloadHive(HKEY root, const std::wstring& path);
