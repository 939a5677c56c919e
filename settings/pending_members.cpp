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

