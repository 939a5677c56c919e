#include "settings/late_binding.h"
#include "com/bstr.h"
#include "com/error_info.h"
#include "com/variant.h"
#include "com/com_ptr.h"
#include "com/variant_util.h"
#include "automation/tarnwell_idl.h"
#include <dispex.h>
#include <utility>

namespace {

// Keeps the object's own error description when it set one; otherwise says what failed.
HRESULT PropertyError(HRESULT hr, const wchar_t* name, const wchar_t* action, EXCEPINFO* ei) {
    if (hr == DISP_E_EXCEPTION && ei) {
        if (ei->pfnDeferredFillIn) ei->pfnDeferredFillIn(ei);
        // An object that raised a numbered error without an HRESULT (wCode) gets the
        // code a script host would give it.
        HRESULT code = ei->scode ? ei->scode
                       : ei->wCode ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, ei->wCode)
                                   : E_FAIL;
        // Ours to free, also when copying the text fails.
        Bstr description = Bstr::Attach(std::exchange(ei->bstrDescription, nullptr));
        Bstr source = Bstr::Attach(std::exchange(ei->bstrSource, nullptr));
        Bstr helpFile = Bstr::Attach(std::exchange(ei->bstrHelpFile, nullptr));
        std::wstring text = description.Str();
        if (text.empty()) text = std::wstring(L"Property \"") + name + L"\" failed to " + action + L".";
        return ReportError(code, IID__zbnZerbaneSettings2, text);
    }
    return ReportError(hr, IID__zbnZerbaneSettings2,
                       std::wstring(L"The object has no property \"") + name + L"\" to " + action + L".");
}

HRESULT IdOf(IDispatch* object, const wchar_t* name, DISPID* id) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
    if (hr != E_NOTIMPL) return hr;
    // Some script engines' objects (VBScript classes under Wine) name their members
    // only through IDispatchEx.
    ComPtr<IDispatchEx> ex;
    if (FAILED(object->QueryInterface(__uuidof(IDispatchEx), ex.PutVoid()))) return hr;
    Bstr text(name);
    return ex->GetDispID(text.Get(), fdexNameCaseInsensitive, id);
}

HRESULT ConvertProperty(VARIANT* raw, const wchar_t* name, VARTYPE vt, VARIANT* result) {
    VariantInit(result);
    HRESULT hr = ConvertVariant(result, raw, vt);
    if (FAILED(hr))
        return ReportError(hr, IID__zbnZerbaneSettings2,
                           std::wstring(L"Property \"") + name + L"\" holds a value of the wrong type.");
    return S_OK;
}

}  // namespace

HRESULT ObjectNotSet(REFIID iid, const wchar_t* what) {
    // 424, "Object required", as a script host reports it.
    return ReportError(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 424), iid,
                       std::wstring(L"Object required: ") + what + L" is not set.");
}

HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* result) {
    VariantInit(result);
    if (!object) return ObjectNotSet(IID__zbnZerbaneSettings2, name);
    DISPID id = 0;
    HRESULT hr = IdOf(object, name, &id);
    if (FAILED(hr)) return PropertyError(hr, name, L"read", nullptr);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXCEPINFO ei = {};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result, &ei, nullptr);
    if (FAILED(hr)) return PropertyError(hr, name, L"read", &ei);
    return S_OK;
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value) {
    if (!object) return ObjectNotSet(IID__zbnZerbaneSettings2, name);
    DISPID id = 0;
    HRESULT hr = IdOf(object, name, &id);
    if (FAILED(hr)) return PropertyError(hr, name, L"set", nullptr);
    VARIANT arg = value;  // shallow: the caller keeps ownership
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&arg, &named, 1, 1};
    EXCEPINFO ei = {};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, &ei, nullptr);
    if (FAILED(hr)) return PropertyError(hr, name, L"set", &ei);
    return S_OK;
}

HRESULT GetPropertyAs(IDispatch* object, const wchar_t* name, VARTYPE vt, VARIANT* result) {
    Variant raw;
    HRESULT hr = GetProperty(object, name, raw.Get());
    return SUCCEEDED(hr) ? ConvertProperty(raw.Get(), name, vt, result) : hr;
}

HRESULT GetTextProperty(IDispatch* object, const wchar_t* name, std::wstring* text) {
    Variant v;
    HRESULT hr = GetPropertyAs(object, name, VT_BSTR, v.Get());
    if (SUCCEEDED(hr)) *text = Bstr::ToString(V_BSTR(v.Get()));
    return hr;
}

HRESULT GetTextProperty(IDispatch* object, const wchar_t* name, SecretText* text) {
    SecretVariant raw, converted;
    HRESULT hr = GetProperty(object, name, raw.Get());
    if (FAILED(hr)) return hr;
    VARIANT* value = raw.Get();
    // Text is taken as it is: a conversion would leave copies that the platform frees unwiped.
    if (V_VT(value) != VT_BSTR) {
        hr = ConvertProperty(value, name, VT_BSTR, converted.Get());
        if (FAILED(hr)) return hr;
        value = converted.Get();
    }
    *text = SecretText(V_BSTR(value), SysStringLen(V_BSTR(value)));
    return S_OK;
}

HRESULT GetLongProperty(IDispatch* object, const wchar_t* name, long* value) {
    Variant v;
    HRESULT hr = GetPropertyAs(object, name, VT_I4, v.Get());
    if (SUCCEEDED(hr)) *value = V_I4(v.Get());
    return hr;
}
