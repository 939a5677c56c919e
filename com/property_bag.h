#pragma once
// A small automation object made of named values: an IDispatch whose properties are found by
// name in any letter case and hold Variants. DISPID n is the n-th property added, so none is
// the default member (DISPID_VALUE). A property is read-only unless added as settable; one
// added as failing raises its error on every use, as an object that cannot answer does.
#include <windows.h>
#include <oaidl.h>
#include <string>
#include <vector>
#include "com/com_ptr.h"
#include "com/unknown_object.h"
#include "com/variant.h"

class PropertyBag final : public UnknownObject<IDispatch> {
public:
    enum class Access { ReadOnly, Settable };

    // A bag with one reference, owned by *out; E_OUTOFMEMORY when none can be made.
    static HRESULT Make(ComPtr<PropertyBag>* out);

    // E_OUTOFMEMORY when the property cannot be added.
    HRESULT Add(const wchar_t* name, Variant value, Access access = Access::ReadOnly);
    // Every get or put of the property fails with DISP_E_EXCEPTION carrying `error` (a failure
    // code) and `description`.
    HRESULT AddFailing(const wchar_t* name, HRESULT error, const wchar_t* description);

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT*) override;

private:
    struct Property {
        std::wstring name;
        Variant value;
        Access access;
        HRESULT error;  // S_OK, or what every use raises
        std::wstring description;
    };

    PropertyBag() = default;
    ~PropertyBag() override = default;
    Property* Find(DISPID id);

    std::vector<Property> properties_;
};
