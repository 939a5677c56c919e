#pragma once
// zbnRegistry2: the registry facade. Every member opens what it needs, works, closes and
// returns; registry failures are reported through results and LastRegError, never raised.
#include "automation/collection.h"
#include "com/dispatch_object.h"
#include "registry/reg_calls.h"
#include "registry/snapshots.h"
#include "automation/tarnwell_idl.h"

class Registry2 : public DispatchObject<Registry2, _zbnRegistry2> {
public:
    static HRESULT Make(ComPtr<Registry2>* out);

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
    Registry2() = default;

private:
    // How reading one entry of a listing ended.
    enum class Entry { Read, End, Failed };

    RegCalls Calls() { return RegCalls(unicode_, &lastError_); }
    // Raw data to a snapshot (DecodeRegValue); null when the data does not fit its type.
    HRESULT Decode(std::wstring name, DWORD type, const uint8_t* bytes, size_t size, const SharedText& subKey,
                   long root, ComPtr<RegValue>* out);
    // Opens the key a listing reads; *seen gets its path as the chosen functions see it, held
    // once for all the listing's snapshots. False (LastRegError set) when it cannot be opened.
    bool OpenListed(RegCalls& calls, long root, BSTR subKeyArg, REGSAM access, UniqueHKey* key, SharedText* seen);
    // What an enumeration code means for a listing: ERROR_NO_MORE_ITEMS ends it (LastRegError
    // back to 0), ERROR_SUCCESS and `accepted` give an entry, any other code fails it.
    Entry EntryOf(LONG rc, LONG accepted);
    // Value i with its data into *buffer (first as long as the key's longest data), *size bytes.
    Entry ReadValueWithData(HKEY key, RegCalls& calls, DWORD i, const KeyInfo& info, EnumEntry* entry,
                            std::vector<uint8_t>* buffer, DWORD* size);
    HRESULT ListValues(HKEY key, RegCalls& calls, const SharedText& subKey, long root, bool queryData,
                       ComPtr<Collection>* out);
    HRESULT ListSubKeys(HKEY key, RegCalls& calls, const SharedText& subKey, long root, ComPtr<Collection>* out);
    HRESULT CreateOrOpen(long root, const std::wstring& subKey, VARIANT_BOOL* keyAlreadyExist, UniqueHKey* key);

    bool unicode_ = true;
    LONG lastError_ = 0;
};

// Class factory entry for zbnRegistry2.
HRESULT CreateRegistry2(REFIID riid, void** ppv);
