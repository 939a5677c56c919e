#include "registry/snapshots.h"
#include "support/zerbanesupport.h"

HRESULT RegValue::Make(std::wstring name, SharedText subKey, long root, long type, Variant data,
                       ComPtr<RegValue>* out) {
    ComPtr<RegValue> v;
    HRESULT hr = Create(&v);
    if (FAILED(hr)) return hr;
    v->name_ = asGetStringFromPointerW(std::move(name));
    v->subKey_ = std::move(subKey);
    v->root_ = root;
    v->type_ = type;
    v->data_ = std::move(data);
    *out = std::move(v);
    return S_OK;
}

HRESULT RegValue::Make(const std::wstring& name, const std::wstring& subKey, long root, long type,
                       const VARIANT* data, ComPtr<RegValue>* out) {
    Variant copy;
    HRESULT hr = copy.CopyFrom(data);
    if (FAILED(hr)) return hr;
    return Make(std::wstring(name), std::make_shared<const std::wstring>(subKey), root, type, std::move(copy), out);
}

STDMETHODIMP RegValue::get_Data(VARIANT* result) {
    if (!result) return E_POINTER;
    return data_.CopyTo(result);
}

STDMETHODIMP RegValue::get_DataType(RegistryDataType2_Const* result) {
    if (!result) return E_POINTER;
    *result = static_cast<RegistryDataType2_Const>(type_);
    return S_OK;
}
STDMETHODIMP RegValue::get_Name(BSTR* result) { return CopyToBstr(name_, result); }
STDMETHODIMP RegValue::get_SubKey(BSTR* result) { return CopyToBstr(*subKey_, result); }
STDMETHODIMP RegValue::get_RegistryRoot(RegistryRoot2_Const* result) {
    if (!result) return E_POINTER;
    *result = static_cast<RegistryRoot2_Const>(root_);
    return S_OK;
}

HRESULT RegKey::Make(std::wstring name, SharedText subKey, long root, const FILETIME& lastWrite,
                     std::wstring keyClass, ComPtr<RegKey>* out) {
    ComPtr<RegKey> k;
    HRESULT hr = Create(&k);
    if (FAILED(hr)) return hr;
    k->name_ = asGetStringFromPointerW(std::move(name));
    k->subKey_ = std::move(subKey);
    k->root_ = root;
    // Conversion results are not tested: a failed one leaves the date at 0.
    SYSTEMTIME st = {};
    DATE date = 0;
    if (FileTimeToSystemTime(&lastWrite, &st) && SystemTimeToVariantTime(&st, &date)) k->lastWrite_ = date;
    k->keyClass_ = asGetStringFromPointerW(std::move(keyClass));
    *out = std::move(k);
    return S_OK;
}

HRESULT RegKey::Make(const std::wstring& name, const std::wstring& subKey, long root, const FILETIME& lastWrite,
                     const std::wstring& keyClass, ComPtr<RegKey>* out) {
    return Make(std::wstring(name), std::make_shared<const std::wstring>(subKey), root, lastWrite,
                std::wstring(keyClass), out);
}

STDMETHODIMP RegKey::get_KeyClass(BSTR* result) { return CopyToBstr(keyClass_, result); }
STDMETHODIMP RegKey::get_LastWriteTime(DATE* result) {
    if (!result) return E_POINTER;
    *result = lastWrite_;
    return S_OK;
}
STDMETHODIMP RegKey::get_Name(BSTR* result) { return CopyToBstr(name_, result); }
STDMETHODIMP RegKey::get_SubKey(BSTR* result) { return CopyToBstr(*subKey_, result); }
STDMETHODIMP RegKey::get_RegistryRoot(RegistryRoot2_Const* result) {
    if (!result) return E_POINTER;
    *result = static_cast<RegistryRoot2_Const>(root_);
    return S_OK;
}
