#include "com/property_bag.h"
#include "com/barrier.h"
#include <new>
#include <utility>

namespace {

HRESULT Raise(HRESULT error, const std::wstring& description, EXCEPINFO* excep) {
    if (excep) {
        *excep = {};
        excep->scode = error;
        excep->bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
    }
    return DISP_E_EXCEPTION;
}

// A by-reference argument is copied as the value it refers to: the reference dies with the call.
HRESULT Store(const VARIANT* argument, Variant* value) {
    Variant copy;
    HRESULT hr = VariantCopyInd(copy.Get(), const_cast<VARIANT*>(argument));
    if (SUCCEEDED(hr)) *value = std::move(copy);
    return hr;
}

}  // namespace

HRESULT PropertyBag::Make(ComPtr<PropertyBag>* out) {
    PropertyBag* bag = new (std::nothrow) PropertyBag;
    if (!bag) return E_OUTOFMEMORY;
    *out = ComPtr<PropertyBag>::Attach(bag);
    return S_OK;
}

HRESULT PropertyBag::Add(const wchar_t* name, Variant value, Access access) {
    if (!name) return E_INVALIDARG;
    return Barrier([&] {
        properties_.push_back({name, std::move(value), access, S_OK, {}});
        return S_OK;
    });
}

HRESULT PropertyBag::AddFailing(const wchar_t* name, HRESULT error, const wchar_t* description) {
    if (!name || !description || SUCCEEDED(error)) return E_INVALIDARG;
    return Barrier([&] {
        properties_.push_back({name, Variant(), Access::ReadOnly, error, description});
        return S_OK;
    });
}

PropertyBag::Property* PropertyBag::Find(DISPID id) {
    if (id < 1 || static_cast<size_t>(id) > properties_.size()) return nullptr;
    return &properties_[static_cast<size_t>(id) - 1];
}

STDMETHODIMP PropertyBag::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP PropertyBag::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

// Only the first name is a property's; the others would name arguments, which none takes.
STDMETHODIMP PropertyBag::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (count > 0 && names[0])
        for (size_t p = 0; p < properties_.size() && ids[0] == DISPID_UNKNOWN; ++p)
            if (lstrcmpiW(names[0], properties_[p].name.c_str()) == 0) ids[0] = static_cast<DISPID>(p + 1);
    for (UINT i = 0; i < count; ++i)
        if (ids[i] == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
    return S_OK;
}

STDMETHODIMP PropertyBag::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* excep, UINT*) {
    return Barrier([&] {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        Property* property = Find(id);
        if (!property) return DISP_E_MEMBERNOTFOUND;
        if (FAILED(property->error)) return Raise(property->error, property->description, excep);
        const UINT args = params ? params->cArgs : 0;
        if (flags & DISPATCH_PROPERTYPUT) {
            if (property->access != Access::Settable) return DISP_E_MEMBERNOTFOUND;
            return args == 1 ? Store(&params->rgvarg[0], &property->value) : DISP_E_BADPARAMCOUNT;
        }
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (args > 0) return DISP_E_BADPARAMCOUNT;
        return result ? property->value.CopyTo(result) : S_OK;
    });
}
