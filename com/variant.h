#pragma once
// Move-only owner of a VARIANT.
#include <windows.h>
#include <oleauto.h>
#include <string>
#include <utility>

class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    Variant& operator=(Variant&& o) noexcept {
        if (this != &o) { Clear(); v_ = o.v_; VariantInit(&o.v_); }
        return *this;
    }
    ~Variant() { Clear(); }

    // A Long (VT_I4) holding n.
    static Variant Long(long n) {
        Variant v;
        V_VT(&v.v_) = VT_I4;
        V_I4(&v.v_) = n;
        return v;
    }
    // A String (VT_BSTR) holding a copy of s.
    static Variant Text(const std::wstring& s) {
        Variant v;
        V_VT(&v.v_) = VT_BSTR;
        V_BSTR(&v.v_) = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
        return v;
    }

    // An Object (VT_DISPATCH) holding a reference of its own to the object.
    static Variant Object(IDispatch* object) {
        Variant v;
        V_VT(&v.v_) = VT_DISPATCH;
        V_DISPATCH(&v.v_) = object;
        if (object) object->AddRef();
        return v;
    }

    void Clear() { VariantClear(&v_); }
    VARIANT* Get() { return &v_; }
    const VARIANT* Get() const { return &v_; }
    VARTYPE Type() const { return V_VT(&v_); }

    HRESULT CopyFrom(const VARIANT* src) { Clear(); return VariantCopy(&v_, const_cast<VARIANT*>(src)); }
    HRESULT CopyTo(VARIANT* dst) const { VariantInit(dst); return VariantCopy(dst, const_cast<VARIANT*>(&v_)); }
    // Moves the value out into a caller's VARIANT (for [out, retval] results).
    void DetachTo(VARIANT* dst) { *dst = v_; VariantInit(&v_); }

private:
    VARIANT v_;
};
