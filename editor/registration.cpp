#include "editor/registration.h"
#include "editor/backup/registry_tree.h"

const wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

std::wstring AppPathKey(const std::wstring& name) { return std::wstring(kAppPathsKey) + L"\\" + name; }

HKEY ScopeRoot(Scope scope) { return scope == kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::wstring FullKeyName(Scope scope, const std::wstring& path) { return FullKeyName(ScopeRoot(scope), path); }

const wchar_t* ScopeAbbreviation(Scope scope) { return scope == kCurrentUser ? L"HKCU" : L"HKLM"; }

void AddRegistrationRow(ListView& list, const Registration& registration) {
    const wchar_t* scope = registration.scope == kCurrentUser ? L"Текущий пользователь" : L"Все пользователи";
    list.AddRow({registration.name, registration.path, scope}, registration.scope);
}

Registration RowRegistration(const ListView& list, int row) {
    Registration registration;
    registration.scope = list.Data(row) == kCurrentUser ? kCurrentUser : kLocalMachine;
    registration.name = list.Text(row, 1);
    registration.path = list.Text(row, 2);
    return registration;
}
