#pragma once
// Move-only owner of a SAFEARRAY.
#include <windows.h>
#include <oleauto.h>
#include <utility>

class SafeArray {
public:
    SafeArray() = default;
    explicit SafeArray(SAFEARRAY* p) : p_(p) {}
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    SafeArray(SafeArray&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    SafeArray& operator=(SafeArray&& o) noexcept { if (this != &o) { Reset(); p_ = std::exchange(o.p_, nullptr); } return *this; }
    ~SafeArray() { Reset(); }

    void Reset() { if (p_) SafeArrayDestroy(std::exchange(p_, nullptr)); }
    SAFEARRAY* Get() const { return p_; }
    SAFEARRAY* Detach() { return std::exchange(p_, nullptr); }

private:
    SAFEARRAY* p_ = nullptr;
};

// Keeps a SAFEARRAY's data locked for the lifetime of the guard.
class SafeArrayAccess {
public:
    explicit SafeArrayAccess(SAFEARRAY* p) : p_(p) {
        if (p_ && FAILED(SafeArrayAccessData(p_, &data_))) { p_ = nullptr; data_ = nullptr; }
    }
    SafeArrayAccess(const SafeArrayAccess&) = delete;
    SafeArrayAccess& operator=(const SafeArrayAccess&) = delete;
    ~SafeArrayAccess() { if (p_) SafeArrayUnaccessData(p_); }
    void* Data() const { return data_; }
    bool Ok() const { return data_ != nullptr || p_ != nullptr; }

private:
    SAFEARRAY* p_;
    void* data_ = nullptr;
};
