// Fixing a registration (pointing it at another executable) and deleting registrations.
#include "editor/app_paths.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "editor/background_job.h"
#include "editor/facade.h"
#include "editor/list_view_support.h"
#include "editor/system_text.h"
#include "support/upper_case.h"
#include "support/zerbanesupportfbe.h"
#include <memory>

namespace {

const UINT kWarningStyle = MB_OKCANCEL | MB_ICONEXCLAMATION;
const UINT kChangedStyle = MB_OK | MB_ICONEXCLAMATION;
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
const wchar_t kChanged[] = L"Эти записи изменились после проверки и не изменены:";
const wchar_t kCheckAgain[] = L"Нажмите F5, чтобы проверить заново.";

// What the error reporter shows for a registration: its key path, a blank line, what failed.
std::wstring FailureText(const std::wstring& name, const wchar_t* what) {
    return AppPathKey(name) + L"\r\n\r\n" + what;
}

// Backs the registrations up before a command changes them; on failure the command must
// change nothing, and the user is told why.
bool BackUp(const std::vector<Registration>& registrations, HWND owner, Outside& outside,
            const ChangeRecord& changes, UndoStep* step) {
    std::wstring file;
    HRESULT hr = BackUpRegistrations(registrations, changes.backupFolder, step, &file);
    if (FAILED(hr)) {
        outside.ShowMessage(owner, BackupFailureText(file, hr), MB_OK | MB_ICONSTOP);
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

// Reads the registrations again off the window's thread; false when the window was closed
// before that ended.
bool RecheckOffThread(const std::vector<Registration>& registrations, HWND owner, std::vector<Recheck>* checks) {
    auto result = std::make_shared<std::vector<Recheck>>();
    JobEnd end = RunInBackground(owner, [result, registrations] { *result = RecheckRegistrations(registrations); });
    if (end == kWindowClosed) return false;
    if (end == kJobFailed) result->assign(registrations.size(), Recheck{false, E_UNEXPECTED});
    *checks = std::move(*result);
    return true;
}

// One message box naming every registration the re-check left alone.
void ShowChanged(const std::vector<std::wstring>& names, HWND owner, Outside& outside) {
    std::wstring text = std::wstring(kChanged) + L"\r\n";
    for (size_t i = 0; i < names.size(); ++i) text += (i ? L"\r\n" : L"") + names[i];
    outside.ShowMessage(owner, text + L"\r\n\r\n" + kCheckAgain, kChangedStyle);
}

// Makes one change through a fresh facade; on failure *code is LastRegError, or the
// HRESULT when no facade could be made.
template <class Change>
bool ChangeThroughFacade(Change change, long* code) {
    HRESULT made = S_OK;
    ComPtr<_zbnRegistry2> facade = FacadeMaker().New(&made);
    if (!facade) {
        *code = static_cast<long>(made);
        return false;
    }
    VARIANT_BOOL ok = VARIANT_FALSE;
    if (SUCCEEDED(change(facade.Get(), &ok)) && ok != VARIANT_FALSE) return true;
    *code = 0;
    facade->get_LastRegError(code);
    return false;
}

}  // namespace

HRESULT BackUpRegistrations(const std::vector<Registration>& registrations, const std::wstring& folder,
                            UndoStep* step, std::wstring* file) {
    std::vector<KeyRef> keys;
    for (const auto& r : registrations)
        if (!r.name.empty()) keys.push_back({ScopeRoot(r.scope), AppPathKey(r.name)});
    return BackupKeys(keys, folder, step, file);
}

std::wstring BackupFailureText(const std::wstring& file, HRESULT hr) {
    return L"Не удаётся сохранить резервную копию. Реестр не изменён.\r\n\r\n" + file + L"\r\n" + ErrorText(hr);
}

std::wstring GetOpenFileName(const std::wstring& initialFileName, HWND owner, Outside& outside) {
    std::wstring chosen;
    if (!outside.ShowOpenDialog(L"Все файлы|*.*", 0, owner, esGetFileName(initialFileName, false),
                                esGetFilePath(initialFileName), &chosen))
        return {};
    return chosen;
}

bool WriteRegistration(Scope scope, const std::wstring& name, const std::wstring& path, long* code) {
    *code = ERROR_INVALID_NAME;
    if (name.empty()) return false;  // never the App Paths key itself
    return ChangeThroughFacade(
        [&](_zbnRegistry2* facade, VARIANT_BOOL* ok) {
            Variant data = Variant::Text(path);
            VARIANT_BOOL existed = VARIANT_FALSE;
            return facade->SetValue(RootConst(ScopeRoot(scope)), Bstr(AppPathKey(name)).Get(), Bstr(L"").Get(),
                                    static_cast<RegistryDataType2_Const>(REG_SZ), *data.Get(), &existed, ok);
        },
        code);
}

bool DeleteRegistration(Scope scope, const std::wstring& name, long* code) {
    *code = ERROR_INVALID_NAME;
    if (name.empty()) return false;  // SHDeleteKey must never get the App Paths key itself
    return ChangeThroughFacade(
        [&](_zbnRegistry2* facade, VARIANT_BOOL* ok) {
            return facade->DeleteKey(RootConst(ScopeRoot(scope)), Bstr(AppPathKey(name)).Get(), VARIANT_TRUE, ok);
        },
        code);
}

void WriteAppPathEntry(const std::wstring& name, const std::wstring& path, HWND owner, Outside& outside,
                       Scope scope) {
    long code = 0;
    if (!name.empty() && !WriteRegistration(scope, name, path, &code))
        ReportFailure(owner, code, FailureText(name, kWriteFailed), outside);
}

void DeleteAppPathEntry(const std::wstring& name, HWND owner, Outside& outside, Scope scope) {
    long code = 0;
    if (!name.empty() && !DeleteRegistration(scope, name, &code))
        ReportFailure(owner, code, FailureText(name, kDeleteFailed), outside);
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
    const Registration row = RowRegistration(list, index);
    const std::wstring chosen = GetOpenFileName(row.path, owner, outside);
    if (chosen.empty()) return;
    const std::wstring newName = UpperCase(esGetFileName(chosen, false));
    if (UpperCase(row.name) != newName) {
        if (outside.ShowMessage(owner, kKeyNameMismatch, kWarningStyle) != IDOK) return;
    } else {
        const std::wstring oldName = esGetFileName(row.path, false);
        if (!oldName.empty() && UpperCase(oldName) != newName &&
            outside.ShowMessage(owner, kFileNameMismatch, kWarningStyle) != IDOK)
            return;
    }
    std::vector<Recheck> checks;
    if (!RecheckOffThread({row}, owner, &checks)) return;
    if (checks[0].failure != S_OK) {
        ReportFailure(owner, checks[0].failure, FailureText(row.name, kWriteFailed), outside);
        return RemoveListRow(list, index);
    }
    if (!checks[0].current) return ShowChanged({row.name}, owner, outside);
    UndoStep step;
    if (!BackUp({row}, owner, outside, changes, &step)) return;
    WriteAppPathEntry(row.name, chosen, owner, outside, row.scope);
    Remember(std::move(step), changes);
    RemoveListRow(list, index);
}

void DeleteSelectedEntries(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes) {
    std::vector<int> selected = GetSelectedIndices(list);
    if (selected.empty()) return;
    if (outside.ShowMessage(owner, kConfirmDelete, kWarningStyle) != IDOK) return;
    std::vector<Registration> rows;
    for (int index : selected) rows.push_back(RowRegistration(list, index));
    std::vector<Recheck> checks;
    if (!RecheckOffThread(rows, owner, &checks)) return;
    std::vector<Registration> current;
    std::vector<std::wstring> changed;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (checks[i].current) current.push_back(rows[i]);
        else if (checks[i].failure == S_OK) changed.push_back(rows[i].name);
    }
    UndoStep step;
    if (!current.empty() && !BackUp(current, owner, outside, changes, &step)) return;
    // From the bottom up, so that removing a row never shifts one still to be handled.
    for (size_t i = rows.size(); i-- > 0;) {
        if (checks[i].current) DeleteAppPathEntry(rows[i].name, owner, outside, rows[i].scope);
        else if (checks[i].failure != S_OK) ReportFailure(owner, checks[i].failure, FailureText(rows[i].name, kDeleteFailed), outside);
        else continue;  // changed since the scan: its row stays
        RemoveListRow(list, selected[i]);
    }
    Remember(std::move(step), changes);
    if (!changed.empty()) ShowChanged(changed, owner, outside);
}

bool UndoLastChange(HWND owner, Outside& outside, ChangeRecord& changes) {
    if (!changes.history.CanUndo()) return false;
    std::wstring file;
    LSTATUS rc = changes.history.UndoLast(&file);
    if (rc != ERROR_SUCCESS)
        ReportFailure(owner, rc, L"Не удаётся отменить последнее изменение.\r\n\r\nРезервная копия: " + file, outside);
    return true;
}
