#pragma once
// The DLL's entry points, exported by Tarnwell0201.def; tests call them in-process.
#include <windows.h>
#include <olectl.h>

STDAPI DllInstall(BOOL install, LPCWSTR cmdLine);
