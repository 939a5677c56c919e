#include "stellwick/core/user_hives.h"
#include "com/bstr.h"
#include "stellwick/core/facade.h"
#include <vector>

namespace {

const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const long kNativeView = 64;  // a 32-bit Stellwick on 64-bit Windows reads the list in the 64-bit view

// A new zbnRegistry3 (the facade with registry views and hives), or null and the failure in *hr.
ComPtr<_zbnRegistry3> NewRegistry3(HRESULT* hr) {
    ComPtr<_zbnRegistry3> facade;
    *hr = CoCreateInstance(CLSID_zbnRegistry3, nullptr, CLSCTX_INPROC_SERVER, IID__zbnRegistry3, facade.PutVoid());
    if (FAILED(*hr)) facade.Reset();
    return facade;
}

// The names of a key's subkeys, or false with the registry's code.
bool SubKeyNames(_zbnRegistry2* facade, HKEY root, const std::wstring& path, std::vector<std::wstring>* names,
                 long* code) {
    ComPtr<_Collection> keys;
    HRESULT hr = facade->GetSubKeys(RootConst(root), Bstr(path).Get(), keys.Put());
    if (FAILED(hr) || !keys) {
        *code = static_cast<long>(hr);
        if (SUCCEEDED(hr)) facade->get_LastRegError(code);
        return false;
    }
    for (const auto& key : ItemsOf(keys.Get())) names->push_back(key ? NameOf(key.Get()) : std::wstring());
    return true;
}

// The profile folder's NTUSER.DAT, its ProfileImagePath expanded (it is a REG_EXPAND_SZ).
bool HiveFileOf(_zbnRegistry3* facade, const std::wstring& sid, std::wstring* file, long* code) {
    ComPtr<_RegValue> value;
    const std::wstring key = std::wstring(kProfileList) + L"\\" + sid;
    HRESULT hr = facade->GetValue(RootConst(HKEY_LOCAL_MACHINE), Bstr(key).Get(), Bstr(L"ProfileImagePath").Get(),
                                  value.Put());
    Bstr folder;
    _RegValue* raw = value.Get();
    if (FAILED(hr) || !value || FAILED(facade->GetValueData_SZ(&raw, folder.Put())) || folder.Str().empty()) {
        *code = FAILED(hr) ? static_cast<long>(hr) : ERROR_FILE_NOT_FOUND;
        if (SUCCEEDED(hr) && !value) facade->get_LastRegError(code);
        return false;
    }
    std::vector<wchar_t> expanded(32768);
    const DWORD n = ExpandEnvironmentStringsW(folder.Get(), expanded.data(), static_cast<DWORD>(expanded.size()));
    const std::wstring path = n > 0 && n <= expanded.size() ? std::wstring(expanded.data()) : folder.Str();
    *file = path + (path.back() == L'\\' ? L"" : L"\\") + L"NTUSER.DAT";
    return true;
}

bool Contains(const std::vector<Hive>& hives, const std::wstring& sid) {
    for (const Hive& hive : hives)
        if (_wcsicmp(hive.sid.c_str(), sid.c_str()) == 0) return true;
    return false;
}

void FindLoaded(UserHives* found) {
    const FacadeMaker facades;
    HRESULT hr = S_OK;
    ComPtr<_zbnRegistry2> facade = facades.New(&hr);
    std::vector<std::wstring> names;
    long code = static_cast<long>(hr);
    if (!facade || !SubKeyNames(facade.Get(), HKEY_USERS, L"", &names, &code))
        return found->failures.push_back({Failure::kRead, L"HKEY_USERS", code, {}});
    for (const std::wstring& name : names)
        if (IsUserSid(name)) found->loaded.push_back({Hive::kUser, name, name});
}

void FindOffline(UserHives* found) {
    const std::wstring listKey = std::wstring(L"HKEY_LOCAL_MACHINE\\") + kProfileList;
    HRESULT hr = S_OK;
    ComPtr<_zbnRegistry3> facade = NewRegistry3(&hr);
    if (!facade) return found->failures.push_back({Failure::kRead, listKey, static_cast<long>(hr), {}});
    facade->put_View(kNativeView);
    std::vector<std::wstring> sids;
    long code = 0;
    if (!SubKeyNames(facade.Get(), HKEY_LOCAL_MACHINE, kProfileList, &sids, &code))
        return found->failures.push_back({Failure::kRead, listKey, code, {}});
    for (const std::wstring& sid : sids) {
        if (!IsUserSid(sid) || Contains(found->loaded, sid)) continue;
        Profile profile{sid, {}};
        if (HiveFileOf(facade.Get(), sid, &profile.hiveFile, &code)) found->offline.push_back(std::move(profile));
        else found->failures.push_back({Failure::kRead, listKey + L"\\" + sid, code, sid});
    }
}

// A name below HKEY_USERS that no user's hive has: the program's and the hive's own.
std::wstring TemporaryName() {
    static LONG loads = 0;
    return L"Stellwick-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(InterlockedIncrement(&loads));
}

}  // namespace

bool IsUserSid(const std::wstring& name) {
    const std::wstring classes = L"_Classes";
    if (name.compare(0, 4, L"S-1-") != 0) return false;
    if (name.size() > classes.size() && _wcsicmp(name.c_str() + name.size() - classes.size(), classes.c_str()) == 0)
        return false;
    for (const wchar_t* service : {L"S-1-5-18", L"S-1-5-19", L"S-1-5-20"})
        if (name == service) return false;
    return true;
}

UserHives FindUserHives() {
    UserHives found;
    FindLoaded(&found);
    FindOffline(&found);
    return found;
}

LoadedProfile::LoadedProfile(const Profile& profile) : profile_(profile), loadedAs_(TemporaryName()) {
    loadFailure_ = {Failure::kLoadHive, profile.hiveFile, 0, profile.sid};
    HRESULT hr = S_OK;
    ComPtr<_zbnRegistry3> facade = NewRegistry3(&hr);
    if (!facade) {
        loadFailure_.code = static_cast<long>(hr);
        return;
    }
    VARIANT_BOOL ok = VARIANT_FALSE;
    hr = facade->LoadHive(RootConst(HKEY_USERS), Bstr(loadedAs_).Get(), Bstr(profile.hiveFile).Get(), &ok);
    loaded_ = SUCCEEDED(hr) && ok != VARIANT_FALSE;
    if (loaded_) return;
    loadFailure_.code = static_cast<long>(hr);
    if (SUCCEEDED(hr)) facade->get_LastRegError(&loadFailure_.code);
}

LoadedProfile::~LoadedProfile() {
    Failure ignored;
    Unload(&ignored);
}

bool LoadedProfile::Get(Hive* hive, Failure* failure) const {
    if (!loaded_) {
        *failure = loadFailure_;
        return false;
    }
    *hive = {Hive::kUser, profile_.sid, loadedAs_};
    return true;
}

bool LoadedProfile::Unload(Failure* failure) {
    if (!loaded_) return true;
    *failure = {Failure::kUnloadHive, profile_.hiveFile, 0, profile_.sid};
    HRESULT hr = S_OK;
    ComPtr<_zbnRegistry3> facade = NewRegistry3(&hr);
    VARIANT_BOOL ok = VARIANT_FALSE;
    if (facade) hr = facade->UnloadHive(RootConst(HKEY_USERS), Bstr(loadedAs_).Get(), &ok);
    if (facade && SUCCEEDED(hr) && ok != VARIANT_FALSE) {
        loaded_ = false;
        return true;
    }
    failure->code = static_cast<long>(hr);
    if (facade && SUCCEEDED(hr)) facade->get_LastRegError(&failure->code);
    return false;
}
