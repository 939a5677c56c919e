#pragma once
// The members of zbnRegistry2, for zbnRegistry2 and for every class whose interface derives
// from it: one implementation, with every key opened in the object's registry view (always 0,
// the caller's own, for zbnRegistry2). Every member opens what it needs, works, closes and
// returns; registry failures are reported through results and LastRegError, never raised.
#include "automation/collection.h"
#include "com/dispatch_object.h"
#include "registry/reg_calls.h"
#include "registry/snapshots.h"
#include "automation/tarnwell_idl.h"

template <class Derived, class Interface>
class RegistryFacade : public DispatchObject<Derived, Interface> {
public:
    // A new object; it calls the Unicode functions wherever the system has them.
    static HRESULT Make(ComPtr<Derived>* out);
    // The class factory's entry.
    static HRESULT CreateInstance(REFIID riid, void** ppv);

    STDMETHODIMP get_UseUnicodeFunctions(VARIANT_BOOL* result) override;
    STDMETHODIMP put_UseUnicodeFunctions(VARIANT_BOOL value) override;
    STDMETHODIMP get_LastRegError(long* result) override;
    STDMETHODIMP ValueDataTypeToString(RegistryDataType2_Const valueType, BSTR* result) override;
    STDMETHODIMP SetValue(RegistryRoot2_Const root, BSTR subKey, BSTR valueName, RegistryDataType2_Const valueDataType,
                          VARIANT valueData, VARIANT_BOOL* keyAlreadyExist, VARIANT_BOOL* result) override;
    STDMETHODIMP GetValue(RegistryRoot2_Const root, BSTR subKey, BSTR valueName, _RegValue** result) override;
    STDMETHODIMP DeleteValue(RegistryRoot2_Const root, BSTR subKey, BSTR valueName, VARIANT_BOOL* result) override;
    STDMETHODIMP DeleteKey(RegistryRoot2_Const root, BSTR subKey, VARIANT_BOOL recursive,
                           VARIANT_BOOL* result) override;
    STDMETHODIMP CreateKey(RegistryRoot2_Const root, BSTR subKey, VARIANT_BOOL* keyAlreadyExist,
                           VARIANT_BOOL* result) override;
    STDMETHODIMP IsKeyExist(RegistryRoot2_Const root, BSTR subKey, VARIANT_BOOL* result) override;
    STDMETHODIMP GetValues(RegistryRoot2_Const root, BSTR subKey, VARIANT_BOOL queryData,
                           _Collection** result) override;
    STDMETHODIMP GetSubKeys(RegistryRoot2_Const root, BSTR subKey, _Collection** result) override;
    STDMETHODIMP GetKey(RegistryRoot2_Const root, BSTR subKey, _RegKey** result) override;
    STDMETHODIMP GetValueDataType(_RegValue** value, RegistryDataType2_Const* result) override;
    STDMETHODIMP GetValueData_SZ(_RegValue** value, BSTR* result) override;
    STDMETHODIMP GetValueData_DWORD(_RegValue** value, long* result) override;
    STDMETHODIMP GetValueData_BINARY(_RegValue** value, SAFEARRAY** result) override;

protected:
    RegistryFacade() = default;
    RegCalls Calls() { return RegCalls(unicode_, view_, &lastError_); }

    REGSAM view_ = 0;  // 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY
    LONG lastError_ = 0;

private:
    // How reading one entry of a listing ended.
    enum class Entry { Read, End, Failed };

    // Raw data to a snapshot (DecodeRegValue); null when the data does not fit its type.
    HRESULT Decode(std::wstring name, DWORD type, const uint8_t* bytes, size_t size, const SharedText& subKey,
                   long root, ComPtr<RegValue>* out);
    // GetValues', GetSubKeys' and GetKey's one path: opens root\subKey and has `read` make the
    // result, an Object, from the open key and its path as the chosen functions see it (held
    // once for all of a listing's snapshots). Nothing (LastRegError set) when the key cannot be
    // opened, or when `read` makes nothing.
    template <class Object, class Result, class Read>
    HRESULT ReadKey(long root, BSTR subKeyArg, REGSAM access, Result** result, Read read);
    // What an enumeration code means for a listing: ERROR_NO_MORE_ITEMS ends it (LastRegError
    // back to 0), ERROR_SUCCESS and `accepted` give an entry, any other code fails it.
    Entry EntryOf(LONG rc, LONG accepted);
    // Value i with its data into *buffer (first as long as the key's longest data), *size bytes.
    Entry ReadValueWithData(HKEY key, RegCalls& calls, DWORD i, const KeyInfo& info, EnumEntry* entry,
                            std::vector<uint8_t>* buffer, DWORD* size);
    HRESULT ListValues(HKEY key, RegCalls& calls, const SharedText& subKey, long root, bool queryData,
                       ComPtr<Collection>* out);
    HRESULT ListSubKeys(HKEY key, RegCalls& calls, const SharedText& subKey, long root, ComPtr<Collection>* out);
    HRESULT KeySnapshot(HKEY key, RegCalls& calls, const SharedText& path, long root, ComPtr<RegKey>* out);
    HRESULT CreateOrOpen(long root, const std::wstring& subKey, VARIANT_BOOL* keyAlreadyExist, UniqueHKey* key);

    bool unicode_ = true;
};
