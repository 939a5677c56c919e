#pragma once
// What every benchmark needs besides its work: a clock, and marks for bench/count_requests.sh.
#include <windows.h>
#include "com/handle_owners.h"

// Seconds since an arbitrary start, from the performance counter.
inline double Now() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// A request the server trace shows by name (the open of a key that need not exist):
// bench/count_requests.sh counts the requests between two marks.
inline void Mark(const wchar_t* name) {
    UniqueHKey k;
    RegOpenKeyExW(HKEY_CURRENT_USER, name, 0, KEY_READ, k.Put());
}
