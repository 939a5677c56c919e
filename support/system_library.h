#pragma once
// Loading a DLL of the system by its full path in the system folder, so that a DLL of the
// same name planted beside the host program (or in its current folder) is never loaded.
#include <windows.h>

// The module, or null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);
