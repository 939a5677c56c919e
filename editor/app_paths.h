#pragma once
// The App Paths registrations: the scan that lists the broken ones, the fix and the delete.
#include "editor/list_view.h"
#include "editor/outside.h"
#include "editor/backup/undo_history.h"
#include <functional>
#include <string>

extern const wchar_t kAppPathsKey[];
// The key of one registration: kAppPathsKey\name.
std::wstring AppPathKey(const std::wstring& name);

// Calls `found` for each broken registration (its key name and trimmed path), in the
// order the registry lists them.
void ForEachBrokenRegistration(const std::function<void(const std::wstring&, const std::wstring&)>& found);
// Empties the list and fills it with the broken registrations, sorted, the first selected.
void ScanAppPaths(ListView& list);
// ScanAppPaths under the hourglass.
void RefreshAppPaths(ListView& list);

// Where a command keeps the backups of what it changes, and the steps it can undo.
struct ChangeRecord {
    std::wstring backupFolder;
    UndoHistory history;
};

// The commands below show every box and dialog owned by `owner`, the main window. Fix and
// delete back up what they may change and keep an undo step for what they really changed.

// Points the selected registration at a file the user chooses (with the name warnings),
// after backing its key up.
void FixSelectedEntry(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes);
// Deletes the selected registrations after one confirmation, after backing their keys up.
void DeleteSelectedEntries(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes);
// Undoes the newest fix or delete, then scans again. A step that cannot be carried out is
// reported and dropped, so the next undo reaches the older ones.
void UndoLastChange(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes);

// Writes the registration's default value; reports a failure. Refuses an empty name.
void WriteAppPathEntry(const std::wstring& name, const std::wstring& path, HWND owner, Outside& outside);
// Deletes the registration's key with everything below it; reports a failure. Refuses an empty name.
void DeleteAppPathEntry(const std::wstring& name, HWND owner, Outside& outside);
// Removes a row and selects the one that takes its place (or the new last one).
void RemoveListRow(ListView& list, int index);
// The open-file dialog, starting at the registered path: the chosen path or empty.
std::wstring GetOpenFileName(const std::wstring& initialFileName, HWND owner, Outside& outside);
