#include "com/error_info.h"
#include "com/com_ptr.h"
#include <oleauto.h>

HRESULT ReportError(HRESULT hr, REFIID iid, const std::wstring& description) {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.Put()))) return hr;
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(L"Tarnwell0201"));
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
    return hr;
}
