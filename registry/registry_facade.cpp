#include "registry/registry_facade.h"
#include "registry/registry2.h"
#include "registry/registry3.h"
#include "automation/arguments.h"
#include "com/error_info.h"
#include "com/variant_util.h"
#include "registry/value_codec.h"
#include "support/zerbanesupport.h"
#include "support/zerbanesupportfbe.h"
#include <algorithm>
#include <initializer_list>
#include <vector>

namespace {

const REGSAM kQueryAndEnumerate = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
// The buffer a value is first read into: most values fit, so one query is enough.
const size_t kFirstRead = 1024;

// The snapshot an accessor reads: null for Nothing. Any object is accepted as long as it
// is a RegValue; others count as Nothing.
ComPtr<_RegValue> SnapshotOf(_RegValue** value) {
    ComPtr<_RegValue> v;
    if (value && *value) QueryTo(reinterpret_cast<IUnknown*>(*value), &v);
    return v;
}

HRESULT DataTypeOf(_RegValue* v, long* type) {
    RegistryDataType2_Const t{};
    HRESULT hr = v->get_DataType(&t);
    *type = t;
    return hr;
}

HRESULT ConversionError(HRESULT hr) {
    return ReportError(hr, IID__zbnRegistry2, L"The value's data cannot be converted: the snapshot was made without data.");
}

// The typed accessors' one path: the snapshot's Data converted to `vt` when its DataType is
// one of `types`; S_FALSE, with `data` left empty, for Nothing or a value of another type.
HRESULT ReadSnapshotData(_RegValue** value, std::initializer_list<long> types, VARTYPE vt, VARIANT* data) {
    ComPtr<_RegValue> v = SnapshotOf(value);
    if (!v) return S_FALSE;
    long type = REG_NONE;
    if (FAILED(DataTypeOf(v.Get(), &type))) return E_FAIL;
    if (std::find(types.begin(), types.end(), type) == types.end()) return S_FALSE;
    Variant raw;
    HRESULT hr = v->get_Data(raw.Get());
    if (SUCCEEDED(hr)) hr = VariantChangeType(data, raw.Get(), 0, vt);
    return FAILED(hr) ? ConversionError(hr) : S_OK;
}

}  // namespace

template <class D, class I>
HRESULT RegistryFacade<D, I>::Make(ComPtr<D>* out) {
    ComPtr<D> r;
    HRESULT hr = DispatchObject<D, I>::Create(&r);
    if (FAILED(hr)) return hr;
    r->unicode_ = esIsUnicodeAvailable();
    *out = std::move(r);
    return S_OK;
}

template <class D, class I>
HRESULT RegistryFacade<D, I>::CreateInstance(REFIID riid, void** ppv) {
    ComPtr<D> r;
    HRESULT hr = Make(&r);
    if (FAILED(hr)) return hr;
    return r->QueryInterface(riid, ppv);
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::get_UseUnicodeFunctions(VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    *result = Bool(unicode_);
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::put_UseUnicodeFunctions(VARIANT_BOOL value) {
    unicode_ = value != VARIANT_FALSE;
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::get_LastRegError(long* result) {
    if (!result) return E_POINTER;
    *result = lastError_;
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::ValueDataTypeToString(RegistryDataType2_Const valueType, BSTR* result) {
    static const wchar_t* const kNames[] = {L"REG_NONE",  L"REG_SZ",   L"REG_EXPAND_SZ",
                                            L"REG_BINARY", L"REG_DWORD", L"REG_DWORD_BIG_ENDIAN",
                                            L"REG_LINK",  L"REG_MULTI_SZ", L"REG_RESOURCE_LIST"};
    long type = valueType;
    return CopyToBstr(type >= 0 && type <= 8 ? kNames[type] : L"", result);
}

template <class D, class I>
HRESULT RegistryFacade<D, I>::Decode(std::wstring name, DWORD type, const uint8_t* bytes, size_t size,
                                     const SharedText& subKey, long root, ComPtr<RegValue>* out) {
    out->Reset();
    Variant data;
    if (!codec::DecodeRegValue(type, bytes, size, unicode_, data.Get())) return S_OK;
    return RegValue::Make(std::move(name), subKey, root, static_cast<long>(type), std::move(data), out);
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::GetValue(RegistryRoot2_Const root, BSTR subKeyArg, BSTR valueNameArg, _RegValue** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    RegCalls calls = Calls();
    const std::wstring subKey = Bstr::ToString(subKeyArg), name = Bstr::ToString(valueNameArg);
    UniqueHKey key;
    if (calls.Open(RootKey(root), subKey, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return S_OK;
    DWORD type = 0;
    std::vector<uint8_t> bytes(kFirstRead);
    if (calls.QueryValue(key.Get(), name, &type, &bytes) != ERROR_SUCCESS) return S_OK;
    ComPtr<RegValue> value;
    HRESULT hr = Decode(calls.AsSeen(name), type, bytes.data(), bytes.size(),
                        std::make_shared<const std::wstring>(calls.AsSeen(subKey)), root, &value);
    if (FAILED(hr)) return hr;
    *result = value.Detach();
    return S_OK;
}

template <class D, class I>
template <class Object, class Result, class Read>
HRESULT RegistryFacade<D, I>::ReadKey(long root, BSTR subKeyArg, REGSAM access, Result** result, Read read) {
    if (!result) return E_POINTER;
    *result = nullptr;
    RegCalls calls = Calls();
    const std::wstring subKey = Bstr::ToString(subKeyArg);
    UniqueHKey key;
    if (calls.Open(RootKey(root), subKey, access, &key) != ERROR_SUCCESS) return S_OK;
    ComPtr<Object> object;
    HRESULT hr = read(key.Get(), calls, std::make_shared<const std::wstring>(calls.AsSeen(subKey)), &object);
    if (FAILED(hr)) return hr;
    *result = object.Detach();
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::IsKeyExist(RegistryRoot2_Const root, BSTR subKey, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    RegCalls calls = Calls();
    UniqueHKey key;
    *result = Bool(calls.Open(RootKey(root), Bstr::ToString(subKey), KEY_QUERY_VALUE, &key) == ERROR_SUCCESS);
    return S_OK;
}

template <class D, class I>
typename RegistryFacade<D, I>::Entry RegistryFacade<D, I>::EntryOf(LONG rc, LONG accepted) {
    if (rc == ERROR_NO_MORE_ITEMS) {
        lastError_ = 0;
        return Entry::End;
    }
    return rc == ERROR_SUCCESS || rc == accepted ? Entry::Read : Entry::Failed;
}

template <class D, class I>
typename RegistryFacade<D, I>::Entry RegistryFacade<D, I>::ReadValueWithData(HKEY key, RegCalls& calls, DWORD i,
                                                                             const KeyInfo& info, EnumEntry* entry,
                                                                             std::vector<uint8_t>* buffer,
                                                                             DWORD* size) {
    *size = static_cast<DWORD>(buffer->size());
    LONG rc = calls.EnumValueData(key, i, info.maxValueNameLen, entry, buffer->empty() ? nullptr : buffer->data(),
                                  size);
    if (rc != ERROR_MORE_DATA && (rc != ERROR_SUCCESS || *size <= buffer->size())) return EntryOf(rc, ERROR_SUCCESS);
    // The name or the data grew since the key was queried: the name query, then the data
    // query with a buffer of exactly the size reported; ERROR_MORE_DATA there fails (no retry).
    *size = 0;
    Entry read = EntryOf(calls.EnumValue(key, i, info.maxValueNameLen, entry), ERROR_MORE_DATA);
    if (read != Entry::Read || entry->dataSize == 0) return read;
    if (buffer->size() < entry->dataSize) buffer->resize(entry->dataSize);
    *size = entry->dataSize;
    return EntryOf(calls.EnumValueData(key, i, info.maxValueNameLen, entry, buffer->data(), size), ERROR_SUCCESS);
}

template <class D, class I>
HRESULT RegistryFacade<D, I>::ListValues(HKEY key, RegCalls& calls, const SharedText& subKey, long root, bool queryData,
                                         ComPtr<Collection>* out) {
    KeyInfo info;
    if (calls.QueryInfo(key, &info) != ERROR_SUCCESS) return S_OK;
    ComPtr<Collection> list;
    HRESULT hr = Collection::Create(&list);
    if (FAILED(hr)) return hr;
    list->Reserve(info.values);
    // One buffer of the longest data for every value.
    std::vector<uint8_t> buffer(queryData ? info.maxValueLen : 0);
    for (DWORD i = 0; i < info.values; ++i) {
        EnumEntry entry;
        DWORD size = 0;
        Entry read = queryData ? ReadValueWithData(key, calls, i, info, &entry, &buffer, &size)
                               : EntryOf(calls.EnumValue(key, i, info.maxValueNameLen, &entry), ERROR_MORE_DATA);
        if (read == Entry::End) break;
        if (read == Entry::Failed) return S_OK;
        ComPtr<RegValue> value;
        if (queryData) {
            hr = Decode(std::move(entry.name), entry.type, buffer.data(), size, subKey, root, &value);
        } else {
            Variant null;
            V_VT(null.Get()) = VT_NULL;
            hr = RegValue::Make(std::move(entry.name), subKey, root, static_cast<long>(entry.type), std::move(null),
                                &value);
        }
        if (FAILED(hr)) return hr;
        hr = list->AddObject(value.Get());
        if (FAILED(hr)) return hr;
    }
    *out = std::move(list);
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::GetValues(RegistryRoot2_Const root, BSTR subKeyArg, VARIANT_BOOL queryData,
                                             _Collection** result) {
    return ReadKey<Collection>(root, subKeyArg, KEY_QUERY_VALUE, result,
                               [&](HKEY key, RegCalls& calls, const SharedText& seen, ComPtr<Collection>* list) {
                                   return ListValues(key, calls, seen, root, queryData != VARIANT_FALSE, list);
                               });
}

template <class D, class I>
HRESULT RegistryFacade<D, I>::ListSubKeys(HKEY key, RegCalls& calls, const SharedText& subKey, long root,
                                          ComPtr<Collection>* out) {
    KeyInfo info;
    if (calls.QueryInfo(key, &info) != ERROR_SUCCESS) return S_OK;
    ComPtr<Collection> list;
    HRESULT hr = Collection::Create(&list);
    if (FAILED(hr)) return hr;
    list->Reserve(info.subKeys);
    for (DWORD i = 0; i < info.subKeys; ++i) {
        EnumEntry entry;
        Entry read = EntryOf(calls.EnumKey(key, i, info.maxSubKeyLen, info.maxClassLen, &entry), ERROR_SUCCESS);
        if (read == Entry::End) break;
        if (read == Entry::Failed) return S_OK;
        ComPtr<RegKey> snapshot;
        hr = RegKey::Make(std::move(entry.name), subKey, root, entry.lastWrite, std::move(entry.keyClass), &snapshot);
        if (FAILED(hr)) return hr;
        hr = list->AddObject(snapshot.Get());
        if (FAILED(hr)) return hr;
    }
    *out = std::move(list);
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::GetSubKeys(RegistryRoot2_Const root, BSTR subKeyArg, _Collection** result) {
    return ReadKey<Collection>(root, subKeyArg, kQueryAndEnumerate, result,
                               [&](HKEY key, RegCalls& calls, const SharedText& seen, ComPtr<Collection>* list) {
                                   return ListSubKeys(key, calls, seen, root, list);
                               });
}

template <class D, class I>
HRESULT RegistryFacade<D, I>::KeySnapshot(HKEY key, RegCalls& calls, const SharedText& path, long root,
                                          ComPtr<RegKey>* out) {
    std::wstring keyClass;
    FILETIME lastWrite = {};
    if (calls.QueryClass(key, &keyClass, &lastWrite) != ERROR_SUCCESS) return S_OK;
    return RegKey::Make(esGetFileName(*path, false), path, root, lastWrite, std::move(keyClass), out);
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::GetKey(RegistryRoot2_Const root, BSTR subKeyArg, _RegKey** result) {
    return ReadKey<RegKey>(root, subKeyArg, kQueryAndEnumerate, result,
                           [&](HKEY key, RegCalls& calls, const SharedText& seen, ComPtr<RegKey>* snapshot) {
                               return KeySnapshot(key, calls, seen, root, snapshot);
                           });
}

template <class D, class I>
HRESULT RegistryFacade<D, I>::CreateOrOpen(long root, const std::wstring& subKey, VARIANT_BOOL* keyAlreadyExist,
                                           UniqueHKey* key) {
    RegCalls calls = Calls();
    bool created = false;
    if (calls.Create(RootKey(root), subKey, KEY_SET_VALUE, key, &created) != ERROR_SUCCESS) return S_FALSE;
    SetFlag(keyAlreadyExist, !created);
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::SetValue(RegistryRoot2_Const root, BSTR subKey, BSTR valueName,
                                            RegistryDataType2_Const valueDataType, VARIANT valueData,
                                            VARIANT_BOOL* keyAlreadyExist, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    // Omitted or refused data: nothing is touched, LastRegError included.
    if (IsMissingArg(&valueData)) return S_OK;
    std::vector<uint8_t> image;
    if (!codec::EncodeValueData(&valueData, valueDataType, unicode_, &image)) return S_OK;
    UniqueHKey key;
    if (CreateOrOpen(root, Bstr::ToString(subKey), keyAlreadyExist, &key) != S_OK) return S_OK;
    RegCalls calls = Calls();
    *result = Bool(calls.SetValue(key.Get(), Bstr::ToString(valueName), static_cast<DWORD>(valueDataType), image) ==
                   ERROR_SUCCESS);
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::CreateKey(RegistryRoot2_Const root, BSTR subKey, VARIANT_BOOL* keyAlreadyExist,
                                             VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    UniqueHKey key;
    *result = Bool(CreateOrOpen(root, Bstr::ToString(subKey), keyAlreadyExist, &key) == S_OK);
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::DeleteValue(RegistryRoot2_Const root, BSTR subKey, BSTR valueName, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    RegCalls calls = Calls();
    UniqueHKey key;
    if (calls.Open(RootKey(root), Bstr::ToString(subKey), KEY_SET_VALUE, &key) != ERROR_SUCCESS) return S_OK;
    *result = Bool(calls.DeleteValue(key.Get(), Bstr::ToString(valueName)) == ERROR_SUCCESS);
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::DeleteKey(RegistryRoot2_Const root, BSTR subKey, VARIANT_BOOL recursive,
                                             VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    RegCalls calls = Calls();
    const std::wstring path = Bstr::ToString(subKey);
    LONG rc = recursive != VARIANT_FALSE ? calls.DeleteTree(RootKey(root), path) : calls.DeleteEmpty(RootKey(root), path);
    *result = Bool(rc == ERROR_SUCCESS);
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::GetValueDataType(_RegValue** value, RegistryDataType2_Const* result) {
    if (!result) return E_POINTER;
    *result = static_cast<RegistryDataType2_Const>(-1);
    ComPtr<_RegValue> v = SnapshotOf(value);
    if (!v) return S_OK;
    return v->get_DataType(result);
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::GetValueData_SZ(_RegValue** value, BSTR* result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    Variant text;
    HRESULT hr = ReadSnapshotData(value, {REG_SZ, REG_EXPAND_SZ}, VT_BSTR, text.Get());
    if (hr != S_OK) return FAILED(hr) ? hr : CopyToBstr(L"", result);
    *result = V_BSTR(text.Get());
    V_VT(text.Get()) = VT_EMPTY;
    return S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::GetValueData_DWORD(_RegValue** value, long* result) {
    if (!result) return E_POINTER;
    *result = 0;
    Variant number;
    HRESULT hr = ReadSnapshotData(value, {REG_DWORD}, VT_I4, number.Get());
    if (hr == S_OK) *result = V_I4(number.Get());
    return FAILED(hr) ? hr : S_OK;
}

template <class D, class I>
STDMETHODIMP RegistryFacade<D, I>::GetValueData_BINARY(_RegValue** value, SAFEARRAY** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    Variant bytes;
    HRESULT hr = ReadSnapshotData(value, {REG_BINARY, REG_NONE}, VT_ARRAY | VT_UI1, bytes.Get());
    if (hr != S_OK) return FAILED(hr) ? hr : MakeByteArray(nullptr, 0, result);
    *result = V_ARRAY(bytes.Get());
    V_VT(bytes.Get()) = VT_EMPTY;
    return S_OK;
}

template class RegistryFacade<Registry2, _zbnRegistry2>;
template class RegistryFacade<Registry3, _zbnRegistry3>;
