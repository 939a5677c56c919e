#pragma once
// A 32-bit program on 64-bit Windows sees SysWOW64 where it asks for System32; while a
// NoFsRedirection lives, the thread sees the file system as it is.
#include <windows.h>

class NoFsRedirection {
public:
    NoFsRedirection();
    NoFsRedirection(const NoFsRedirection&) = delete;
    NoFsRedirection& operator=(const NoFsRedirection&) = delete;
    ~NoFsRedirection();

private:
    PVOID old_ = nullptr;
    bool active_ = false;
};
