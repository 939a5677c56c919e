#pragma once
// zbnRegistry3: every member of zbnRegistry2 (registry_facade.h) in a registry view of the
// caller's choice, and watching keys, .reg files, copy and rename, key security and hives.
// The members it adds call the wide-character functions; like the others they report
// registry failures through results and LastRegError, never raised.
#include "registry/registry_facade.h"

class Registry3 : public RegistryFacade<Registry3, _zbnRegistry3> {
public:
    STDMETHODIMP get_View(long* result) override;
    STDMETHODIMP put_View(long value) override;
    STDMETHODIMP Watch(RegistryRoot2_Const root, BSTR subKey, VARIANT_BOOL watchSubtree, _RegWatch** result) override;
    STDMETHODIMP ExportKey(RegistryRoot2_Const root, BSTR subKey, BSTR fileName, VARIANT_BOOL* result) override;
    STDMETHODIMP ImportFile(BSTR fileName, VARIANT_BOOL* result) override;
    STDMETHODIMP get_LastImportLine(long* result) override;
    STDMETHODIMP CopyKey(RegistryRoot2_Const root, BSTR subKey, RegistryRoot2_Const toRoot, BSTR toSubKey,
                         VARIANT_BOOL* result) override;
    STDMETHODIMP RenameKey(RegistryRoot2_Const root, BSTR subKey, BSTR newName, VARIANT_BOOL* result) override;
    STDMETHODIMP GetKeySecurity(RegistryRoot2_Const root, BSTR subKey, BSTR* result) override;
    STDMETHODIMP SetKeySecurity(RegistryRoot2_Const root, BSTR subKey, BSTR sddl, VARIANT_BOOL* result) override;
    STDMETHODIMP LoadHive(RegistryRoot2_Const root, BSTR subKey, BSTR fileName, VARIANT_BOOL* result) override;
    STDMETHODIMP UnloadHive(RegistryRoot2_Const root, BSTR subKey, VARIANT_BOOL* result) override;

protected:
    Registry3() = default;

private:
    // Keeps a call's code as LastRegError and gives the member's Boolean result.
    VARIANT_BOOL Result(LONG rc);
    // A member whose result is whether the registry call `call` (returning its code) succeeded.
    template <class Call>
    HRESULT Answer(VARIANT_BOOL* result, Call call) {
        if (!result) return E_POINTER;
        *result = Result(call());
        return S_OK;
    }

    long importLine_ = 0;
};
