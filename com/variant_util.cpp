#include "com/variant_util.h"
#include "com/bstr.h"
#include "com/safe_array.h"
#include <oleauto.h>
#include <cstring>

namespace {

bool IsVariantRef(const VARIANT* v) { return V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v); }

}  // namespace

const VARIANT* DerefVariant(const VARIANT* v) {
    if (!v || !IsVariantRef(v)) return v;
    v = V_VARIANTREF(v);
    return V_VT(v) == (VT_BYREF | VT_VARIANT) ? nullptr : v;
}

bool IsVariantChain(const VARIANT* v) { return v && !DerefVariant(v); }

bool IsMissingArg(const VARIANT* v) {
    if (!v) return true;
    v = DerefVariant(v);
    return v && V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND;
}

HRESULT ConvertVariant(VARIANT* out, VARIANT* in, VARTYPE vt) {
    // The flag is about text; conversions to other types stay exactly as they were.
    return VariantChangeType(out, in, vt == VT_BSTR ? VARIANT_ALPHABOOL : 0, vt);
}

HRESULT MakeByteArray(const uint8_t* data, size_t size, SAFEARRAY** out) {
    if (size > 0x7fffffff) return E_OUTOFMEMORY;
    SafeArray sa(SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size)));
    if (!sa.Get()) return E_OUTOFMEMORY;
    if (size > 0) {
        SafeArrayAccess access(sa.Get());
        if (!access.Data()) return E_UNEXPECTED;
        memcpy(access.Data(), data, size);
    }
    *out = sa.Detach();
    return S_OK;
}

HRESULT MakeStringArray(const std::vector<std::wstring>& items, SAFEARRAY** out) {
    SafeArray sa(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(items.size())));
    if (!sa.Get()) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        const Bstr b(items[i]);
        if (!b.Get()) return E_OUTOFMEMORY;
        HRESULT hr = SafeArrayPutElement(sa.Get(), &i, b.Get());  // copies the string
        if (FAILED(hr)) return hr;
    }
    *out = sa.Detach();
    return S_OK;
}

bool ArrayElementCount(SAFEARRAY* sa, long* count) {
    if (!sa || SafeArrayGetDim(sa) != 1) return false;
    LONG lo = 0, hi = 0;
    if (FAILED(SafeArrayGetLBound(sa, 1, &lo)) || FAILED(SafeArrayGetUBound(sa, 1, &hi))) return false;
    *count = hi - lo + 1;
    return *count >= 0;
}

HRESULT ReadByteArray(SAFEARRAY* sa, std::vector<uint8_t>* out) {
    long count = 0;
    if (!ArrayElementCount(sa, &count) || SafeArrayGetElemsize(sa) != 1) return DISP_E_TYPEMISMATCH;
    out->assign(static_cast<size_t>(count), 0);
    if (count == 0) return S_OK;
    SafeArrayAccess access(sa);
    if (!access.Data()) return E_UNEXPECTED;
    memcpy(out->data(), access.Data(), static_cast<size_t>(count));
    return S_OK;
}

namespace {

// Whether the array really holds strings, whatever the variant around it claims.
bool HoldsStrings(SAFEARRAY* sa) {
    if (SafeArrayGetElemsize(sa) != sizeof(BSTR)) return false;
    VARTYPE vt = VT_EMPTY;
    if (SUCCEEDED(SafeArrayGetVartype(sa, &vt))) return vt == VT_BSTR;
    return (sa->fFeatures & FADF_BSTR) != 0;
}

}  // namespace

HRESULT ReadStringArray(SAFEARRAY* sa, std::vector<std::wstring>* out) {
    long count = 0;
    if (!ArrayElementCount(sa, &count) || !HoldsStrings(sa)) return DISP_E_TYPEMISMATCH;
    out->clear();
    if (count == 0) return S_OK;
    SafeArrayAccess access(sa);
    if (!access.Data()) return E_UNEXPECTED;
    const BSTR* items = static_cast<const BSTR*>(access.Data());
    for (long i = 0; i < count; ++i)
        out->emplace_back(items[i] ? std::wstring(items[i], SysStringLen(items[i])) : std::wstring());
    return S_OK;
}
