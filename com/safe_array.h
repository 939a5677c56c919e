#pragma once
// The owner of a SAFEARRAY (UniqueAny), and the lock on its data.
#include <windows.h>
#include <oleauto.h>
#include "com/unique_any.h"

using SafeArray = UniqueAny<NullIsEmpty<SAFEARRAY*, &SafeArrayDestroy>>;

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
