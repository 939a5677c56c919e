#pragma once
// A registration: one subkey of an App Paths key, the local machine's or the current user's.
#include <windows.h>
#include <string>

// Which App Paths key a registration is under. A window row keeps it as its item data, so
// the value 0 (a row added without one) is the local machine's.
enum Scope { kLocalMachine = 0, kCurrentUser = 1 };

struct Registration {
    Scope scope = kLocalMachine;
    std::wstring name;  // the key name
    std::wstring path;  // the default value, trimmed
};

extern const wchar_t kAppPathsKey[];
// The key of one registration below its root: kAppPathsKey\name.
std::wstring AppPathKey(const std::wstring& name);
HKEY ScopeRoot(Scope scope);
// A key's full name, root included: "HKEY_CURRENT_USER\SOFTWARE\...".
std::wstring FullKeyName(Scope scope, const std::wstring& path);
// The full name of a registration's key.
std::wstring FullKeyName(const Registration& registration);
// "HKLM" or "HKCU", as reports write it.
const wchar_t* ScopeAbbreviation(Scope scope);
