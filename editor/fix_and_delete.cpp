// Fixing a registration (pointing it at another executable) and deleting registrations.
#include "editor/app_paths.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "editor/facade.h"
#include "editor/list_view_support.h"
#include "editor/system_text.h"
#include "support/upper_case.h"
#include "support/zerbanesupportfbe.h"
#include <cwchar>

namespace {

const UINT kWarningStyle = MB_OKCANCEL | MB_ICONEXCLAMATION;
const long kCriticalStyle = MB_ICONSTOP;

const wchar_t kKeyNameMismatch[] =
    L"Имя раздела App Paths и имя выбранного файла не совпадают. "
    L"Обычно они должны совпадать, если только это не псевдоним. \r\n\r\nПродолжить? (не рекомендуется)";
const wchar_t kFileNameMismatch[] =
    L"Имя выбранного файла и имя оригинального файла не совпадают. "
    L"Обычно они должны совпадать, если только это не псевдоним. \r\n\r\nПродолжить? (не рекомендуется)";
const wchar_t kConfirmDelete[] = L"Удалить выделенные элементы из реестра?";
const wchar_t kWriteFailed[] = L"Не удаётся изменить указанный ключ.";
const wchar_t kDeleteFailed[] = L"Не удаётся удалить указанный ключ.";

// What the error reporter shows for a registration: its key path, a blank line, what failed.
std::wstring FailureText(const std::wstring& keyPath, const wchar_t* what) { return keyPath + L"\r\n\r\n" + what; }

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
bool BackUp(const std::vector<std::wstring>& names, HWND owner, Outside& outside, const ChangeRecord& changes,
            UndoStep* step) {
    std::vector<std::wstring> paths;
    for (const auto& name : names)
        if (!name.empty()) paths.push_back(AppPathKey(name));
    std::wstring file;
    HRESULT hr = BackupKeys(HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", paths, changes.backupFolder, step, &file);
    if (FAILED(hr)) {
        outside.ShowMessage(owner, std::wstring(L"Не удаётся сохранить резервную копию. Реестр не изменён.") +
                                       L"\r\n\r\n" + file + L"\r\n" + ErrorText(hr),
                            MB_OK | MB_ICONSTOP);
        return false;
    }
    return true;
}

// After the command: an undo step for what it really changed, if anything.
void Remember(UndoStep step, ChangeRecord& changes) {
    ForgetUnchangedKeys(&step);
    changes.history.Push(std::move(step));
}

void ReportFailure(HWND owner, long code, const std::wstring& text, Outside& outside) {
    bool handled = false;
    outside.ReportRegistryError(owner, code, kCriticalStyle, 0, text, &handled);
}

void ReportFailure(HWND owner, _zbnRegistry2* facade, const std::wstring& text, Outside& outside) {
    long code = 0;
    facade->get_LastRegError(&code);
    ReportFailure(owner, code, text, outside);
}

}  // namespace

std::wstring GetOpenFileName(const std::wstring& initialFileName, HWND owner, Outside& outside) {
    std::wstring chosen;
    if (!outside.ShowOpenDialog(L"Все файлы|*.*", 0, owner, esGetFileName(initialFileName, false),
                                esGetFilePath(initialFileName), &chosen))
        return {};
    return chosen;
}

void WriteAppPathEntry(const std::wstring& name, const std::wstring& path, HWND owner, Outside& outside) {
    if (name.empty()) return;  // never the App Paths key itself
    const std::wstring keyPath = AppPathKey(name);
    ComPtr<_zbnRegistry2> facade;
    HRESULT made = NewRegistryFacade(&facade);
    const std::wstring failure = FailureText(keyPath, kWriteFailed);
    if (FAILED(made)) return ReportFailure(owner, static_cast<long>(made), failure, outside);
    Variant data = Variant::Text(path);
    VARIANT_BOOL existed = VARIANT_FALSE, ok = VARIANT_FALSE;
    HRESULT hr = facade->SetValue(RootConst(HKEY_LOCAL_MACHINE), Bstr(keyPath).Get(), Bstr(L"").Get(),
                                  static_cast<RegistryDataType2_Const>(REG_SZ), *data.Get(), &existed, &ok);
    if (FAILED(hr) || ok == VARIANT_FALSE) ReportFailure(owner, facade.Get(), failure, outside);
}

void DeleteAppPathEntry(const std::wstring& name, HWND owner, Outside& outside) {
    if (name.empty()) return;  // SHDeleteKey must never get the App Paths key itself
    const std::wstring keyPath = AppPathKey(name);
    ComPtr<_zbnRegistry2> facade;
    HRESULT made = NewRegistryFacade(&facade);
    const std::wstring failure = FailureText(keyPath, kDeleteFailed);
    if (FAILED(made)) return ReportFailure(owner, static_cast<long>(made), failure, outside);
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = facade->DeleteKey(RootConst(HKEY_LOCAL_MACHINE), Bstr(keyPath).Get(), VARIANT_TRUE, &ok);
    if (FAILED(hr) || ok == VARIANT_FALSE) ReportFailure(owner, facade.Get(), failure, outside);
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
    const std::wstring chosen = GetOpenFileName(current, owner, outside);
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
    UndoStep step;
    if (!BackUp({list.Text(index, 1)}, owner, outside, changes, &step)) return;
    WriteAppPathEntry(list.Text(index, 1), chosen, owner, outside);
    Remember(std::move(step), changes);
    RemoveListRow(list, index);
}

void DeleteSelectedEntries(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes) {
    std::vector<int> selected = GetSelectedIndices(list);
    if (selected.empty()) return;
    if (outside.ShowMessage(owner, kConfirmDelete, kWarningStyle) != IDOK) return;
    std::vector<std::wstring> names;
    for (int index : selected) names.push_back(list.Text(index, 1));
    UndoStep step;
    if (!BackUp(names, owner, outside, changes, &step)) return;
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        DeleteAppPathEntry(list.Text(*it, 1), owner, outside);
        RemoveListRow(list, *it);
    }
    Remember(std::move(step), changes);
}

void UndoLastChange(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes) {
    if (!changes.history.CanUndo()) return;
    std::wstring file;
    LSTATUS rc = changes.history.UndoLast(&file);
    if (rc != ERROR_SUCCESS)
        ReportFailure(owner, rc, L"Не удаётся отменить последнее изменение.\r\n\r\nРезервная копия: " + file, outside);
    RefreshAppPaths(list);
}
