#pragma once
// The built Tarnwell0201.dll, loaded directly by path (TARNWELL_DLL names it).
#include "tests/scratch_files.h"

inline std::wstring ServerDllPath() { return PathFromEnvironment(L"TARNWELL_DLL"); }

template <class Fn>
Fn ServerExport(const char* name) {
    HMODULE dll = LoadLibraryW(ServerDllPath().c_str());  // kept loaded for the test run
    return dll ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name))) : nullptr;
}
