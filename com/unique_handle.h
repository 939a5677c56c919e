#pragma once
// Move-only owner of a kernel handle (a file, a thread). The platform marks "no handle" two
// ways, null and INVALID_HANDLE_VALUE; both count as empty here.
#include <windows.h>
#include <utility>

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(Valid(h) ? h : nullptr) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept { if (this != &o) { Reset(); h_ = std::exchange(o.h_, nullptr); } return *this; }
    ~UniqueHandle() { Reset(); }

    void Reset(HANDLE h = nullptr) {
        if (h_) CloseHandle(h_);
        h_ = Valid(h) ? h : nullptr;
    }
    HANDLE Get() const { return h_; }

private:
    static bool Valid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    HANDLE h_ = nullptr;
};
