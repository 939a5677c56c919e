#include "stellwick/core/registration.h"
#include "registry/trees/registry_tree.h"

const wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

std::wstring AppPathKey(const std::wstring& name) { return std::wstring(kAppPathsKey) + L"\\" + name; }

HKEY ScopeRoot(Scope scope) { return scope == kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::wstring FullKeyName(Scope scope, const std::wstring& path) { return FullKeyName(ScopeRoot(scope), path); }

std::wstring FullKeyName(const Registration& registration) {
    return FullKeyName(registration.scope, AppPathKey(registration.name));
}

const wchar_t* ScopeAbbreviation(Scope scope) { return scope == kCurrentUser ? L"HKCU" : L"HKLM"; }
