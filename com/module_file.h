#pragma once
// Full paths of loaded modules, however long.
#include <windows.h>
#include <string>

// The full path of `module` (null: the program); empty when the system cannot tell.
std::wstring ModuleFileName(HMODULE module);
// The full path of the module that holds this code (the DLL, or a program linking it).
std::wstring CodeModuleFileName();
