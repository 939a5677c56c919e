#pragma once
// Move-only owner of a BSTR.
#include <windows.h>
#include <oleauto.h>
#include <string>
#include <utility>

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& s) : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    explicit Bstr(const wchar_t* s) : b_(SysAllocString(s)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
    Bstr& operator=(Bstr&& o) noexcept { if (this != &o) { Reset(); b_ = std::exchange(o.b_, nullptr); } return *this; }
    ~Bstr() { Reset(); }

    static Bstr Attach(BSTR b) { Bstr r; r.b_ = b; return r; }
    BSTR Detach() { return std::exchange(b_, nullptr); }
    void Reset() { if (b_) SysFreeString(std::exchange(b_, nullptr)); }
    BSTR Get() const { return b_; }
    BSTR* Put() { Reset(); return &b_; }
    std::wstring Str() const { return ToString(b_); }

    static std::wstring ToString(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

private:
    BSTR b_ = nullptr;
};

// Allocates a BSTR for an [out] parameter; E_OUTOFMEMORY when the system has none.
inline HRESULT CopyToBstr(const std::wstring& s, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}
