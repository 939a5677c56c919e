// The scan: every registration under an App Paths key whose default value is a plain string
// naming a missing file, and whose key holds nothing but that and a "PATH" value. The
// re-check before a change puts a registration through the same tests.
#include "stellwick/core/scan.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "stellwick/core/facade.h"
#include "stellwick/core/system_text.h"
#include "stellwick/core/texts.h"
#include "support/upper_case.h"
#include "support/zerbanesupport.h"
#include "support/zerbanesupportfbe.h"

namespace {

std::wstring NameOf(IDispatch* item) {
    Bstr name;
    ComPtr<_RegKey> key;
    ComPtr<_RegValue> value;
    if (SUCCEEDED(QueryTo(item, &key))) key->get_Name(name.Put());
    else if (SUCCEEDED(QueryTo(item, &value))) value->get_Name(name.Put());
    return name.Str();
}

// The snapshots of a collection, in order (null for Nothing entries).
std::vector<ComPtr<IDispatch>> ItemsOf(_Collection* list) {
    std::vector<ComPtr<IDispatch>> items;
    long count = 0;
    if (!list || FAILED(list->Count(&count))) return items;
    for (long i = 1; i <= count; ++i) {
        Variant index = Variant::Long(i), item;
        if (FAILED(list->Item(index.Get(), item.Get()))) continue;
        items.push_back(ComPtr<IDispatch>(item.Type() == VT_DISPATCH ? V_DISPATCH(item.Get()) : nullptr));
    }
    return items;
}

// Whether a value's name is other than the default value's and "PATH" (in any letter case).
bool IsOtherName(IDispatch* value) {
    const std::wstring name = UpperCase(NameOf(value));
    return !name.empty() && name != L"PATH";
}

// True when the registration has, or may have, values besides its default value and "PATH",
// as a listing of its value names tells.
bool HasOtherValues(const FacadeMaker& facades, Scope scope, const std::wstring& keyName) {
    ComPtr<_zbnRegistry2> facade = facades.New();
    if (!facade) return true;
    ComPtr<_Collection> values;
    Bstr path(AppPathKey(keyName));
    if (FAILED(facade->GetValues(RootConst(ScopeRoot(scope)), path.Get(), VARIANT_FALSE, values.Put())) || !values)
        return true;
    for (const auto& value : ItemsOf(values.Get())) {
        if (!value || IsOtherName(value.Get())) return true;
    }
    return false;
}

// The same from the registration's listing with data. A value whose data does not decode is
// Nothing there, with no name to judge by: then its names are listed on their own, as above.
bool HasOtherValues(const FacadeMaker& facades, Scope scope, const std::wstring& keyName,
                    const std::vector<ComPtr<IDispatch>>& values) {
    for (const auto& value : values) {
        if (!value) return HasOtherValues(facades, scope, keyName);
        if (IsOtherName(value.Get())) return true;
    }
    return false;
}

// The default value (named "") of a listing; null when there is none or its data did not decode.
ComPtr<_RegValue> DefaultValueOf(const std::vector<ComPtr<IDispatch>>& values) {
    ComPtr<_RegValue> found;
    for (const auto& value : values)
        if (value && NameOf(value.Get()).empty() && SUCCEEDED(QueryTo(value.Get(), &found))) break;
    return found;
}

// Whether the registration is one the scan lists; *path gets its trimmed default value.
// One listing of its values with their data serves every test, in a fixed order: the type of
// the default value, existence of the file, then the value names. A listing that fails lists nothing.
bool Qualifies(const FacadeMaker& facades, _zbnRegistry2* facade, Scope scope, const std::wstring& name,
               std::wstring* path) {
    // A key whose name reads back empty would make its path the App Paths key itself.
    if (name.empty()) return false;
    ComPtr<_Collection> list;
    if (FAILED(facade->GetValues(RootConst(ScopeRoot(scope)), Bstr(AppPathKey(name)).Get(), VARIANT_TRUE,
                                 list.Put())) ||
        !list)
        return false;
    const std::vector<ComPtr<IDispatch>> values = ItemsOf(list.Get());
    ComPtr<_RegValue> value = DefaultValueOf(values);
    _RegValue* raw = value.Get();
    RegistryDataType2_Const type{};
    if (FAILED(facade->GetValueDataType(&raw, &type)) || type != REG_SZ) return false;
    Bstr data;
    if (FAILED(facade->GetValueData_SZ(&raw, data.Put()))) return false;
    std::wstring text = asTrimEx2(data.Str(), true, true, true, true, true, 0, 0, 0, 0, 0);
    if (esIsFileExist(text)) return false;
    if (HasOtherValues(facades, scope, name, values)) return false;
    *path = text;
    return true;
}

std::wstring ReadFailure(Scope scope, long code) {
    return Text(IDS_CANNOT_READ) + L"\r\n" + FullKeyName(scope, kAppPathsKey) + L"\r\n\r\n" + ErrorText(code);
}

// Adds one App Paths key's registrations to the result; false, with the failure, when the
// key cannot be opened or listed. Only some users have a per-user key: its absence is no failure.
bool ScanKey(const FacadeMaker& facades, _zbnRegistry2* facade, Scope scope, ScanResult* result) {
    ComPtr<_Collection> keys;
    HRESULT hr = facade->GetSubKeys(RootConst(ScopeRoot(scope)), Bstr(kAppPathsKey).Get(), keys.Put());
    if (FAILED(hr)) {
        result->failure = ReadFailure(scope, hr);
        return false;
    }
    if (!keys) {
        long code = 0;
        facade->get_LastRegError(&code);
        if (scope == kCurrentUser && code == ERROR_FILE_NOT_FOUND) return true;
        result->failure = ReadFailure(scope, code);
        return false;
    }
    for (const auto& key : ItemsOf(keys.Get())) {
        ++result->looked;
        if (!key) continue;
        const std::wstring name = NameOf(key.Get());
        std::wstring path;
        if (Qualifies(facades, facade, scope, name, &path)) result->broken.push_back({scope, name, path});
    }
    return true;
}

}  // namespace

ScanResult ScanRegistrations() {
    ScanResult result;
    const FacadeMaker facades;
    HRESULT hr = S_OK;
    ComPtr<_zbnRegistry2> facade = facades.New(&hr);
    if (!facade) {
        result.failure = Text(IDS_CANNOT_CREATE) + L"\r\n\r\n" + ErrorText(hr);
        return result;
    }
    for (Scope scope : {kLocalMachine, kCurrentUser}) {
        if (!ScanKey(facades, facade.Get(), scope, &result)) {
            result.looked = 0;
            result.broken.clear();  // a scan that could not run finds nothing
            return result;
        }
    }
    return result;
}

std::vector<Recheck> RecheckRegistrations(const std::vector<Registration>& registrations) {
    std::vector<Recheck> checks(registrations.size());
    const FacadeMaker facades;
    HRESULT hr = S_OK;
    ComPtr<_zbnRegistry2> facade = facades.New(&hr);
    for (size_t i = 0; i < registrations.size(); ++i) {
        const Registration& r = registrations[i];
        std::wstring path;
        if (!facade) checks[i].failure = hr;
        else checks[i].current = Qualifies(facades, facade.Get(), r.scope, r.name, &path) && path == r.path;
    }
    return checks;
}
