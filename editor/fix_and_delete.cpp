// Fixing a registration (pointing it at another executable) and deleting registrations.
#include "app_paths.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "facade.h"
#include "list_view_support.h"
#include "system_text.h"
#include "upper_case.h"
#include "zerbanesupportfbe.h"
#include <cwchar>

namespace {

const UINT kWarningStyle = MB_OKCANCEL | MB_ICONEXCLAMATION;  // 49
const long kCriticalStyle = MB_ICONSTOP;                       // 16

const wchar_t kKeyNameMismatch[] =
    L"Имя раздела App Paths и имя выбранного файла не совпадают. "
    L"Обычно они должны совпадать, если только это не псевдоним. \r\n\r\nПродолжить? (не рекомендуется)";
const wchar_t kFileNameMismatch[] =
    L"Имя выбранного файла и имя оригинального файла не совпадают. "
    L"Обычно они должны совпадать, если только это не псевдоним. \r\n\r\nПродолжить? (не рекомендуется)";
const wchar_t kConfirmDelete[] = L"Удалить выделенные элементы из реестра?";
const wchar_t kWriteFailed[] = L"Не удаётся изменить указанный ключ.";
const wchar_t kDeleteFailed[] = L"Не удаётся удалить указанный ключ.";

std::wstring RegistrationPath(const std::wstring& name) { return std::wstring(kAppPathsKey) + L"\\" + name; }

// The system's text for hr, or the code in hexadecimal when it has none.
std::wstring ErrorText(HRESULT hr) {
    std::wstring text = SystemErrorText(hr);
    if (!text.empty()) return text;
    wchar_t hex[16];
    swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return hex;
}

// Backs the registrations up before a command changes them; on failure the command must
// change nothing, and the user is told why.
bool BackUp(const std::vector<std::wstring>& names, HWND owner, Outside& outside, ChangeRecord& changes) {
    std::vector<std::wstring> paths;
    for (const auto& name : names)
        if (!name.empty()) paths.push_back(RegistrationPath(name));
    UndoStep step;
    std::wstring file;
    HRESULT hr = BackupKeys(HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", paths, changes.backupFolder, &step, &file);
    if (FAILED(hr)) {
        outside.ShowMessage(owner, std::wstring(L"Не удаётся сохранить резервную копию. Реестр не изменён.") +
                                       L"\r\n\r\n" + file + L"\r\n" + ErrorText(hr),
                            MB_OK | MB_ICONSTOP);
        return false;
    }
    changes.history.Push(std::move(step));
    return true;
}

void ReportFailure(long code, const std::wstring& path, const wchar_t* what, Outside& outside) {
    bool handled = false;
    outside.ReportRegistryError(code, kCriticalStyle, 0, path + L"\r\n\r\n" + what, &handled);
}

void ReportFailure(_zbnRegistry2* facade, const std::wstring& path, const wchar_t* what, Outside& outside) {
    long code = 0;
    facade->get_LastRegError(&code);
    ReportFailure(code, path, what, outside);
}

}  // namespace

std::wstring GetOpenFileName(const std::wstring& initialFileName, Outside& outside) {
    std::wstring chosen;
    if (!outside.ShowOpenDialog(L"Все файлы|*.*", 0, GetActiveWindow(), esGetFileName(initialFileName, false),
                                esGetFilePath(initialFileName), &chosen))
        return {};
    return chosen;
}

void WriteAppPathEntry(const std::wstring& name, const std::wstring& path, Outside& outside) {
    if (name.empty()) return;  // never the App Paths key itself
    const std::wstring keyPath = RegistrationPath(name);
    ComPtr<_zbnRegistry2> facade;
    HRESULT made = NewRegistryFacade(&facade);
    if (FAILED(made)) return ReportFailure(static_cast<long>(made), keyPath, kWriteFailed, outside);
    Variant data = Variant::Text(path);
    VARIANT_BOOL existed = VARIANT_FALSE, ok = VARIANT_FALSE;
    HRESULT hr = facade->SetValue(kLocalMachine, Bstr(keyPath).Get(), Bstr(L"").Get(),
                                  static_cast<RegistryDataType2_Const>(REG_SZ), *data.Get(), &existed, &ok);
    if (FAILED(hr) || ok == VARIANT_FALSE) ReportFailure(facade.Get(), keyPath, kWriteFailed, outside);
}

void DeleteAppPathEntry(const std::wstring& name, Outside& outside) {
    if (name.empty()) return;  // SHDeleteKey must never get the App Paths key itself
    const std::wstring keyPath = RegistrationPath(name);
    ComPtr<_zbnRegistry2> facade;
    HRESULT made = NewRegistryFacade(&facade);
    if (FAILED(made)) return ReportFailure(static_cast<long>(made), keyPath, kDeleteFailed, outside);
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = facade->DeleteKey(kLocalMachine, Bstr(keyPath).Get(), VARIANT_TRUE, &ok);
    if (FAILED(hr) || ok == VARIANT_FALSE) ReportFailure(facade.Get(), keyPath, kDeleteFailed, outside);
}

void RemoveListRow(ListView& list, int index) {
    list.RemoveRow(index);
    const int rows = list.RowCount();
    if (rows == 0) return;
    if (index > rows) index = rows;
    list.SetSelected(index, true);
    list.EnsureVisible(index);
}

void FixSelectedEntry(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes) {
    std::vector<int> selected = GetSelectedIndices(list);
    if (selected.empty()) return;
    const int index = selected.front();
    const std::wstring current = list.Text(index, 2);
    const std::wstring chosen = GetOpenFileName(current, outside);
    if (chosen.empty()) return;
    const std::wstring newName = UpperCase(esGetFileName(chosen, false));
    const std::wstring keyName = UpperCase(list.Text(index, 1));
    if (keyName != newName) {
        if (outside.ShowMessage(owner, kKeyNameMismatch, kWarningStyle) != IDOK) return;
    } else {
        const std::wstring oldName = esGetFileName(current, false);
        if (!oldName.empty() && UpperCase(oldName) != newName &&
            outside.ShowMessage(owner, kFileNameMismatch, kWarningStyle) != IDOK)
            return;
    }
    if (!BackUp({list.Text(index, 1)}, owner, outside, changes)) return;
    WriteAppPathEntry(list.Text(index, 1), chosen, outside);
    RemoveListRow(list, index);
}

void DeleteSelectedEntries(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes) {
    std::vector<int> selected = GetSelectedIndices(list);
    if (selected.empty()) return;
    if (outside.ShowMessage(owner, kConfirmDelete, kWarningStyle) != IDOK) return;
    std::vector<std::wstring> names;
    for (int index : selected) names.push_back(list.Text(index, 1));
    if (!BackUp(names, owner, outside, changes)) return;
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        DeleteAppPathEntry(list.Text(*it, 1), outside);
        RemoveListRow(list, *it);
    }
}

void UndoLastChange(ListView& list, Outside& outside, ChangeRecord& changes) {
    if (!changes.history.CanUndo()) return;
    LSTATUS rc = changes.history.UndoLast();
    if (rc != ERROR_SUCCESS) {
        bool handled = false;
        outside.ReportRegistryError(rc, kCriticalStyle, 0, L"Не удаётся отменить последнее изменение.", &handled);
    }
    RefreshAppPaths(list);
}
