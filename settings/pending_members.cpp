// Members of the settings store that this version does not provide yet: they fail
// with E_NOTIMPL and say so, rather than pretending to have stored or applied anything.
#include "settings2.h"
#include "com/error_info.h"

namespace {

HRESULT NotAvailable(const wchar_t* member) {
    return ReportError(E_NOTIMPL, IID__zbnZerbaneSettings2,
                       std::wstring(member) + L" is not available in this version of Tarnwell0201.");
}

}  // namespace

STDMETHODIMP Settings2::SaveProxySettings(BSTR, IDispatch**, BSTR, LONG, LONG, VARIANT_BOOL) {
    return NotAvailable(L"SaveProxySettings");
}

STDMETHODIMP Settings2::LoadProxySettings(BSTR, IDispatch**, BSTR, LONG, LONG, VARIANT_BOOL) {
    return NotAvailable(L"LoadProxySettings");
}

STDMETHODIMP Settings2::SaveProxySettings2(BSTR, IDispatch**, IDispatch**, VARIANT_BOOL) {
    return NotAvailable(L"SaveProxySettings2");
}

STDMETHODIMP Settings2::LoadProxySettings2(BSTR, IDispatch**, IDispatch**, VARIANT_BOOL) {
    return NotAvailable(L"LoadProxySettings2");
}

STDMETHODIMP Settings2::SaveProxySettingsHT(BSTR, IDispatch**, BSTR, LONG, LONG, VARIANT_BOOL) {
    return NotAvailable(L"SaveProxySettingsHT");
}

STDMETHODIMP Settings2::LoadProxySettingsHT(BSTR, IDispatch**, BSTR, LONG, LONG, VARIANT_BOOL) {
    return NotAvailable(L"LoadProxySettingsHT");
}

STDMETHODIMP Settings2::SaveProxySettingsHT2(BSTR, IDispatch**, IDispatch**, VARIANT_BOOL) {
    return NotAvailable(L"SaveProxySettingsHT2");
}

STDMETHODIMP Settings2::LoadProxySettingsHT2(BSTR, IDispatch**, IDispatch**, VARIANT_BOOL) {
    return NotAvailable(L"LoadProxySettingsHT2");
}

STDMETHODIMP Settings2::LoadFont(BSTR, IFontDisp**, BSTR, LONG, LONG, VARIANT_BOOL, IFontDisp** Result) {
    if (Result) *Result = nullptr;
    return NotAvailable(L"LoadFont");
}

STDMETHODIMP Settings2::SaveFont(BSTR, IFontDisp**, BSTR, LONG, LONG, VARIANT_BOOL) {
    return NotAvailable(L"SaveFont");
}

STDMETHODIMP Settings2::LoadFont2(BSTR, IFontDisp**, IDispatch*, VARIANT_BOOL, IFontDisp** Result) {
    if (Result) *Result = nullptr;
    return NotAvailable(L"LoadFont2");
}

STDMETHODIMP Settings2::SaveFont2(BSTR, IFontDisp**, IDispatch*, VARIANT_BOOL) {
    return NotAvailable(L"SaveFont2");
}

