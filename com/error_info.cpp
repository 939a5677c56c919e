#include "com/error_info.h"
#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/type_library.h"
#include <oleauto.h>

namespace {

// The source an error names: the library this module's type library describes.
std::wstring ErrorSource() {
    static const std::wstring source = [] {
        ComPtr<ITypeLib> lib;
        Bstr name;
        if (FAILED(typelib::GetTypeLib(lib.Put())) || FAILED(lib->GetDocumentation(-1, name.Put(), nullptr, nullptr, nullptr)))
            return std::wstring();
        return name.Str();
    }();
    return source;
}

}  // namespace

HRESULT ReportError(HRESULT hr, REFIID iid, const std::wstring& description) {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.Put()))) return hr;
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(ErrorSource().c_str()));
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
    return hr;
}
