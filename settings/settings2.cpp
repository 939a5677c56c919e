#include "settings/settings2.h"
#include "settings/app_object.h"
#include "com/bstr.h"
#include "registry/registry2.h"
#include "settings/setting_path.h"
#include "support/zerbanesupport.h"

HRESULT Settings2::Make(ComPtr<Settings2>* out) {
    ComPtr<Settings2> s;
    HRESULT hr = Create(&s);
    if (FAILED(hr)) return hr;
    ComPtr<Registry2> registry;
    hr = Registry2::Make(&registry);
    if (FAILED(hr)) return hr;
    hr = registry.As(&s->registry_);
    if (FAILED(hr)) return hr;
    *out = std::move(s);
    return S_OK;
}

HRESULT CreateSettings2(REFIID riid, void** ppv) {
    ComPtr<Settings2> s;
    HRESULT hr = Settings2::Make(&s);
    if (FAILED(hr)) return hr;
    return s->QueryInterface(riid, ppv);
}

STDMETHODIMP Settings2::GetSettingPath(BSTR AppTitle, LONG VerMajor, LONG VerMinor, BSTR KeyPath, BSTR* Result) {
    if (!Result) return E_POINTER;
    *Result = nullptr;
    return CopyToBstr(BuildSettingPath(Bstr::ToString(AppTitle), asFormatVersionShort(VerMajor, VerMinor),
                                       Bstr::ToString(KeyPath)),
                      Result);
}

STDMETHODIMP Settings2::GetSettingPath2(IDispatch* AppObject, BSTR KeyPath, BSTR* Result) {
    if (!Result) return E_POINTER;
    *Result = nullptr;
    return WithAppObject(AppObject, [&](BSTR title, LONG major, LONG minor) {
        return Self()->GetSettingPath(title, major, minor, KeyPath, Result);
    });
}
