#pragma once
// Owning interface pointer: AddRef on copy, Release on destruction.
#include <windows.h>
#include <unknwn.h>
#include <utility>

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    explicit ComPtr(T* p) : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }

    // Takes over a reference the caller already owns.
    static ComPtr Attach(T* p) { ComPtr r; r.p_ = p; return r; }
    T* Detach() { return std::exchange(p_, nullptr); }

    void Reset() { if (T* p = std::exchange(p_, nullptr)) p->Release(); }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // For out parameters: releases what is held first.
    T** Put() { Reset(); return &p_; }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    template <class U>
    HRESULT As(ComPtr<U>* out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(__uuidof(U), out->PutVoid());
    }

    // Hands out a new reference (for [out] parameters).
    T* CopyOut() const { if (p_) p_->AddRef(); return p_; }

private:
    T* p_ = nullptr;
};

template <class U>
HRESULT QueryTo(IUnknown* from, ComPtr<U>* out) {
    if (!from) return E_POINTER;
    return from->QueryInterface(__uuidof(U), out->PutVoid());
}
