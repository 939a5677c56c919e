#pragma once
// The built Tarnwell0201.dll, loaded directly by path (TARNWELL_DLL names it).
#include <windows.h>
#include <cstdlib>
#include <string>

inline std::wstring ServerDllPath() {
    const char* unixPath = std::getenv("TARNWELL_DLL");
    if (!unixPath) return {};
    std::wstring p = L"Z:";
    for (const char* c = unixPath; *c; ++c) p += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return p;
}

template <class Fn>
Fn ServerExport(const char* name) {
    HMODULE dll = LoadLibraryW(ServerDllPath().c_str());  // kept loaded for the test run
    return dll ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name))) : nullptr;
}
