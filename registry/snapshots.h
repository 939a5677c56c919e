#pragma once
// RegValue and RegKey: read-only snapshots of one registry value or key, made only by
// the facade. They hold no key handle and never change after they are filled.
#include "com/bstr.h"
#include "com/dispatch_object.h"
#include "com/variant.h"
#include "automation/tarnwell_idl.h"
#include <memory>
#include <string>

// The key path of a listing, held once for all of its snapshots.
using SharedText = std::shared_ptr<const std::wstring>;

class RegValue : public DispatchObject<RegValue, _RegValue> {
public:
    // InitValue: the name ends at its first NUL; the snapshot takes `data` over.
    static HRESULT Make(std::wstring name, SharedText subKey, long root, long type, Variant data,
                        ComPtr<RegValue>* out);
    // The same with a copy of `data`.
    static HRESULT Make(const std::wstring& name, const std::wstring& subKey, long root, long type,
                        const VARIANT* data, ComPtr<RegValue>* out);

    STDMETHODIMP get_Data(VARIANT* result) override;
    STDMETHODIMP get_DataType(RegistryDataType2_Const* result) override;
    STDMETHODIMP get_Name(BSTR* result) override;
    STDMETHODIMP get_SubKey(BSTR* result) override;
    STDMETHODIMP get_RegistryRoot(RegistryRoot2_Const* result) override;

protected:
    RegValue() = default;

private:
    Variant data_;
    long type_ = 0;
    long root_ = 0;
    std::wstring name_;
    SharedText subKey_;
};

class RegKey : public DispatchObject<RegKey, _RegKey> {
public:
    // InitKey: name and class end at their first NUL; the file time becomes a UTC Date.
    static HRESULT Make(std::wstring name, SharedText subKey, long root, const FILETIME& lastWrite,
                        std::wstring keyClass, ComPtr<RegKey>* out);
    // The same with copies.
    static HRESULT Make(const std::wstring& name, const std::wstring& subKey, long root, const FILETIME& lastWrite,
                        const std::wstring& keyClass, ComPtr<RegKey>* out);

    STDMETHODIMP get_KeyClass(BSTR* result) override;
    STDMETHODIMP get_LastWriteTime(DATE* result) override;
    STDMETHODIMP get_Name(BSTR* result) override;
    STDMETHODIMP get_SubKey(BSTR* result) override;
    STDMETHODIMP get_RegistryRoot(RegistryRoot2_Const* result) override;

protected:
    RegKey() = default;

private:
    std::wstring keyClass_, name_;
    SharedText subKey_;
    DATE lastWrite_ = 0;
    long root_ = 0;
};
