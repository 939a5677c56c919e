#include "stellwick/core/registration.h"
#include "stellwick/core/account.h"
#include "registry/trees/registry_tree.h"

const wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

std::wstring AppPathKey(const std::wstring& name) { return std::wstring(kAppPathsKey) + L"\\" + name; }

HKEY HiveRoot(const Hive& hive) {
    switch (hive.kind) {
    case Hive::kCurrentUser: return HKEY_CURRENT_USER;
    case Hive::kUser: return HKEY_USERS;
    case Hive::kMachine: break;
    }
    return HKEY_LOCAL_MACHINE;
}

std::wstring RootPath(const Hive& hive, const std::wstring& below) {
    return hive.kind == Hive::kUser ? hive.loadedAs + L"\\" + below : below;
}

std::wstring FullKeyName(const Hive& hive, const std::wstring& below) {
    if (hive.kind == Hive::kUser) return FullKeyName(HKEY_USERS, hive.sid + L"\\" + below);
    return FullKeyName(HiveRoot(hive), below);
}

std::wstring FullKeyName(const Registration& registration) {
    return FullKeyName(registration.hive, AppPathKey(registration.name));
}

const wchar_t* HiveAbbreviation(Hive::Kind kind) {
    switch (kind) {
    case Hive::kCurrentUser: return L"HKCU";
    case Hive::kUser: return L"HKU";
    case Hive::kMachine: break;
    }
    return L"HKLM";
}

Hive MachineHive() { return {}; }

Hive CurrentUserHive() { return {Hive::kCurrentUser, CallerSid(), {}}; }
