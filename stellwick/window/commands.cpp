// The window's fix, delete and undo: each asks, re-checks off the window's thread, hands the
// change to the core and shows how it went.
#include "stellwick/window/commands.h"
#include "stellwick/core/texts.h"
#include "stellwick/window/background_job.h"
#include "stellwick/window/list_view_support.h"
#include "stellwick/window/rows.h"
#include "support/upper_case.h"
#include "support/zerbanesupportfbe.h"
#include <memory>

namespace {

const UINT kWarningStyle = MB_OKCANCEL | MB_ICONEXCLAMATION;
const UINT kChangedStyle = MB_OK | MB_ICONEXCLAMATION;
const long kCriticalStyle = MB_ICONSTOP;

// What the error reporter shows for a registration: its key path, a blank line, what failed.
std::wstring FailureText(const std::wstring& name, UINT what) { return AppPathKey(name) + L"\r\n\r\n" + Text(what); }

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
    if (end == kJobFailed) result->assign(registrations.size(), Recheck{false, {}, E_UNEXPECTED});
    *checks = std::move(*result);
    return true;
}

// Re-checks and carries the change out; false, with the user told, when the backup failed
// and nothing was changed.
bool CarryOutFromWindow(const std::vector<Registration>& rows, const Change& change, HWND owner, Outside& outside,
                        ChangeRecord& changes, ChangeReport* report) {
    std::vector<Recheck> checks;
    if (!RecheckOffThread(rows, owner, &checks)) return false;
    *report = CarryOut(rows, checks, change, changes);
    if (SUCCEEDED(report->backup)) return true;
    outside.ShowMessage(owner, BackupFailureText(report->backupFile, report->backup), MB_OK | MB_ICONSTOP);
    return false;
}

// One message box naming every registration the re-check left alone.
void ShowChanged(const std::vector<std::wstring>& names, HWND owner, Outside& outside) {
    if (names.empty()) return;
    std::wstring text = Text(IDS_CHANGED) + L"\r\n";
    for (size_t i = 0; i < names.size(); ++i) text += (i ? L"\r\n" : L"") + names[i];
    outside.ShowMessage(owner, text + L"\r\n\r\n" + Text(IDS_CHECK_AGAIN), kChangedStyle);
}

// Takes the rows the command is done with out of the list, from the bottom up so that
// removing one never shifts one still to be handled; failures are reported on the way.
// A row that changed since the scan stays, and is named afterwards.
void ShowOutcomes(ListView& list, const std::vector<int>& indices, const std::vector<Registration>& rows,
                  const ChangeReport& report, UINT failedText, HWND owner, Outside& outside) {
    std::vector<std::wstring> changed;
    for (size_t i = rows.size(); i-- > 0;) {
        const ChangeOutcome& outcome = report.outcomes[i];
        if (outcome.result == ChangeOutcome::kChanged) continue;
        if (outcome.result == ChangeOutcome::kFailed)
            ReportFailure(owner, outcome.code, FailureText(rows[i].name, failedText), outside);
        RemoveListRow(list, indices[i]);
    }
    for (size_t i = 0; i < rows.size(); ++i)
        if (report.outcomes[i].result == ChangeOutcome::kChanged) changed.push_back(rows[i].name);
    ShowChanged(changed, owner, outside);
}

// The name warnings of a fix; false when the user turned the choice down.
bool AcceptsChoice(const Registration& row, const std::wstring& chosen, HWND owner, Outside& outside) {
    const std::wstring newName = UpperCase(esGetFileName(chosen, false));
    if (UpperCase(row.name) != newName) return outside.ShowMessage(owner, Text(IDS_KEY_NAME_MISMATCH), kWarningStyle) == IDOK;
    const std::wstring oldName = esGetFileName(row.path, false);
    if (oldName.empty() || UpperCase(oldName) == newName) return true;
    return outside.ShowMessage(owner, Text(IDS_FILE_NAME_MISMATCH), kWarningStyle) == IDOK;
}

// The open-file dialog, starting at the registered path: the chosen path or empty.
std::wstring GetOpenFileName(const std::wstring& initialFileName, HWND owner, Outside& outside) {
    std::wstring chosen;
    if (!outside.ShowOpenDialog(Text(IDS_FILE_FILTER), 0, owner, esGetFileName(initialFileName, false),
                                esGetFilePath(initialFileName), &chosen))
        return {};
    return chosen;
}

}  // namespace

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
    Change change{Change::kPoint, GetOpenFileName(row.path, owner, outside)};
    if (change.newPath.empty() || !AcceptsChoice(row, change.newPath, owner, outside)) return;
    ChangeReport report;
    if (!CarryOutFromWindow({row}, change, owner, outside, changes, &report)) return;
    ShowOutcomes(list, {index}, {row}, report, IDS_WRITE_FAILED, owner, outside);
}

void DeleteSelectedEntries(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes) {
    std::vector<int> selected = GetSelectedIndices(list);
    if (selected.empty()) return;
    if (outside.ShowMessage(owner, Text(IDS_CONFIRM_DELETE), kWarningStyle) != IDOK) return;
    std::vector<Registration> rows;
    for (int index : selected) rows.push_back(RowRegistration(list, index));
    ChangeReport report;
    if (!CarryOutFromWindow(rows, Change{}, owner, outside, changes, &report)) return;
    ShowOutcomes(list, selected, rows, report, IDS_DELETE_FAILED, owner, outside);
}

bool UndoLastChange(HWND owner, Outside& outside, ChangeRecord& changes) {
    if (!changes.history.CanUndo()) return false;
    std::wstring file;
    LSTATUS rc = changes.history.UndoLast(&file);
    if (rc != ERROR_SUCCESS) ReportFailure(owner, rc, Text(IDS_UNDO_FAILED, {file}), outside);
    return true;
}
