#include "tests/fuzz/fake_objects.h"
#include "com/unknown_object.h"
#include "com/variant.h"
#include "tests/fuzz/fuzz_values.h"
#include <cwchar>

namespace {

ValueMaker* g_source = nullptr;
long g_touches = 0;

// The properties the library reads by name; any other name is property kUnnamed.
const wchar_t* const kNames[] = {L"Title", L"Major", L"Minor", L"hWnd", L"Name", L"ColumnHeaders", L"Count"};
const DISPID kUnnamed = 100;

class UnknownOnly final : public UnknownObject<IUnknown> {};

HRESULT STDMETHODCALLTYPE FillInLater(EXCEPINFO* ei) {
    ei->bstrDescription = SysAllocString(L"A property failed (deferred).");
    ei->scode = E_FAIL;
    return S_OK;
}

// A failure as an automation object reports it: with or without exception info.
HRESULT Failure(Rng& rng, EXCEPINFO* ei) {
    static const HRESULT kCodes[] = {E_FAIL, DISP_E_MEMBERNOTFOUND, DISP_E_TYPEMISMATCH, E_OUTOFMEMORY, E_NOTIMPL};
    if (!ei || rng.OneIn(2)) return rng.Pick(kCodes);
    *ei = {};
    switch (rng.Below(3)) {
    case 0: ei->wCode = 1000; break;  // a numbered error without an HRESULT
    case 1: ei->pfnDeferredFillIn = FillInLater; break;
    default:
        ei->scode = static_cast<SCODE>(0x800A0005);
        ei->bstrDescription = SysAllocString(L"Invalid procedure call.");
        ei->bstrSource = SysAllocString(L"fuzz");
        break;
    }
    return DISP_E_EXCEPTION;
}

class Fake final : public UnknownObject<IDispatch> {
public:
    explicit Fake(FakeKind kind) : kind_(kind) {}

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return count ? S_OK : E_POINTER;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ++g_touches;
        if (!names || !ids || count == 0) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        if (count > 1 || (kind_ == FakeKind::Failing && g_source && g_source->Random().OneIn(2))) return DISP_E_UNKNOWNNAME;
        ids[0] = kUnnamed;
        for (DISPID i = 0; i < static_cast<DISPID>(sizeof(kNames) / sizeof(kNames[0])); ++i)
            if (_wcsicmp(names[0], kNames[i]) == 0) ids[0] = i + 1;
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* ei,
                        UINT*) override {
        ++g_touches;
        // No default value: an object never converts to text or a number.
        if (!g_source || id == DISPID_VALUE || !params) return DISP_E_MEMBERNOTFOUND;
        if (kind_ == FakeKind::Failing) return Failure(g_source->Random(), ei);
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            Variant copy;  // reads the value as a property would keep it
            return params->cArgs == 1 ? copy.CopyFrom(&params->rgvarg[0]) : DISP_E_BADPARAMCOUNT;
        }
        if (!(flags & DISPATCH_PROPERTYGET) || params->cArgs != 0) return DISP_E_MEMBERNOTFOUND;
        if (!result) return S_OK;
        VariantInit(result);
        if (kind_ == FakeKind::WrongType) g_source->Inert(result);
        else g_source->Property(id >= 1 && id <= 7 ? kNames[id - 1] : L"", result);
        return S_OK;
    }

private:
    FakeKind kind_;
};

}  // namespace

IDispatch* NewFake(FakeKind kind) { return new Fake(kind); }
IUnknown* NewUnknownOnly() { return new UnknownOnly(); }
void SetPropertySource(ValueMaker* values) { g_source = values; }
long FakeTouches() { return g_touches; }
