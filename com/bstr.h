#pragma once
// Move-only owner of a BSTR (a UniqueAny), made from text and read back as text.
#include <windows.h>
#include <oleauto.h>
#include <string>
#include "com/unique_any.h"

class Bstr : public UniqueAny<NullIsEmpty<BSTR, &SysFreeString>> {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& s) : UniqueAny(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    explicit Bstr(const wchar_t* s) : UniqueAny(SysAllocString(s)) {}

    // Takes over a BSTR the caller owns (the constructors copy their text).
    static Bstr Attach(BSTR b) {
        Bstr r;
        r.Reset(b);
        return r;
    }
    std::wstring Str() const { return ToString(Get()); }

    static std::wstring ToString(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }
};

// Allocates a BSTR for an [out] parameter; E_OUTOFMEMORY when the system has none.
inline HRESULT CopyToBstr(const std::wstring& s, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}
