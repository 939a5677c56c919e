// The scan: every registration under App Paths whose default value is a plain string
// naming a missing file, and whose key holds nothing but that and a "PATH" value.
#include "editor/app_paths.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "editor/facade.h"
#include "editor/list_view_support.h"
#include "support/upper_case.h"
#include "support/zerbanesupport.h"
#include "support/zerbanesupportfbe.h"
#include <functional>

const wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

std::wstring AppPathKey(const std::wstring& name) { return std::wstring(kAppPathsKey) + L"\\" + name; }

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

// True when the registration has, or may have, values besides its default value and "PATH".
bool HasOtherValues(const FacadeMaker& facades, const std::wstring& keyName) {
    ComPtr<_zbnRegistry2> facade = facades.New();
    if (!facade) return true;
    ComPtr<_Collection> values;
    Bstr path(AppPathKey(keyName));
    if (FAILED(facade->GetValues(RootConst(HKEY_LOCAL_MACHINE), path.Get(), VARIANT_FALSE, values.Put())) || !values) return true;
    for (const auto& value : ItemsOf(values.Get())) {
        if (!value) return true;
        std::wstring name = UpperCase(NameOf(value.Get()));
        if (name.empty() || name == L"PATH") continue;
        return true;
    }
    return false;
}

}  // namespace

void ForEachBrokenRegistration(const std::function<void(const std::wstring&, const std::wstring&)>& found) {
    const FacadeMaker facades;
    ComPtr<_zbnRegistry2> facade = facades.New();
    if (!facade) return;
    ComPtr<_Collection> keys;
    if (FAILED(facade->GetSubKeys(RootConst(HKEY_LOCAL_MACHINE), Bstr(kAppPathsKey).Get(), keys.Put())) || !keys) return;
    for (const auto& key : ItemsOf(keys.Get())) {
        if (!key) continue;
        const std::wstring name = NameOf(key.Get());
        // A key whose name reads back empty would make its path the App Paths key itself.
        if (name.empty()) continue;
        Bstr path(AppPathKey(name));
        ComPtr<_RegValue> value;
        if (FAILED(facade->GetValue(RootConst(HKEY_LOCAL_MACHINE), path.Get(), Bstr(L"").Get(), value.Put()))) continue;
        _RegValue* raw = value.Get();
        RegistryDataType2_Const type{};
        if (FAILED(facade->GetValueDataType(&raw, &type)) || type != REG_SZ) continue;
        Bstr data;
        if (FAILED(facade->GetValueData_SZ(&raw, data.Put()))) continue;
        std::wstring text = asTrimEx2(data.Str(), true, true, true, true, true, 0, 0, 0, 0, 0);
        if (esIsFileExist(text)) continue;
        if (HasOtherValues(facades, name)) continue;
        found(NameOf(key.Get()), text);
    }
}

void ScanAppPaths(ListView& list) {
    list.Clear();
    SortByColumn(list, 1);
    ForEachBrokenRegistration([&list](const std::wstring& name, const std::wstring& path) { list.AddRow(name, path); });
    SelectOnlyItem(list, 1);
}

void RefreshAppPaths(ListView& list) {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    ScanAppPaths(list);
    SetCursor(previous ? previous : LoadCursorW(nullptr, IDC_ARROW));
}
