#pragma once
// The App Paths registrations: the scan that lists the broken ones, the re-check before a
// change, the fix and the delete.
#include "editor/list_view.h"
#include "editor/outside.h"
#include "editor/registration.h"
#include "editor/backup/undo_history.h"
#include <string>
#include <vector>

// What a scan found: how many registrations it looked at and the broken ones, in the order
// the registry lists them; or, in `failure`, why it could not run, as the user is told.
struct ScanResult {
    std::wstring failure;
    long looked = 0;
    std::vector<Registration> broken;
};
// Scans the local machine's App Paths key, then the current user's (which may be absent).
ScanResult ScanRegistrations();

// A registration read again just before a change.
struct Recheck {
    bool current = false;  // it still qualifies, with the path the row shows
    HRESULT failure = S_OK;  // no facade to read it with
};
std::vector<Recheck> RecheckRegistrations(const std::vector<Registration>& registrations);

// Where a command keeps the backups of what it changes, and the steps it can undo.
struct ChangeRecord {
    std::wstring backupFolder;
    UndoHistory history;
};

// Backs the registrations' keys up into one new .reg file in `folder`, as one undo step.
HRESULT BackUpRegistrations(const std::vector<Registration>& registrations, const std::wstring& folder,
                            UndoStep* step, std::wstring* file);
// What the user is told when a backup cannot be written (and nothing is changed).
std::wstring BackupFailureText(const std::wstring& file, HRESULT hr);

// The commands below show every box and dialog owned by `owner`, the main window. Fix and
// delete re-check the registrations first, back up what they may change and keep an undo
// step for what they really changed. While they re-check, the window keeps handling its
// messages; if it is closed meanwhile, they change nothing.

// Points the selected registration at a file the user chooses (with the name warnings).
void FixSelectedEntry(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes);
// Deletes the selected registrations after one confirmation.
void DeleteSelectedEntries(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes);
// Undoes the newest fix or delete; false when there was none. A step that cannot be carried
// out is reported and dropped, so the next undo reaches the older ones. The caller scans again.
bool UndoLastChange(HWND owner, Outside& outside, ChangeRecord& changes);

// Writes the registration's default value; *code gets the registry's error code (or the
// HRESULT when no facade could be made) on failure. Refuses an empty name.
bool WriteRegistration(Scope scope, const std::wstring& name, const std::wstring& path, long* code);
// Deletes the registration's key with everything below it; failures as above.
bool DeleteRegistration(Scope scope, const std::wstring& name, long* code);
// The same, reporting a failure to the user.
void WriteAppPathEntry(const std::wstring& name, const std::wstring& path, HWND owner, Outside& outside,
                       Scope scope = kLocalMachine);
void DeleteAppPathEntry(const std::wstring& name, HWND owner, Outside& outside, Scope scope = kLocalMachine);
// Removes a row and selects the one that takes its place (or the new last one).
void RemoveListRow(ListView& list, int index);
// The open-file dialog, starting at the registered path: the chosen path or empty.
std::wstring GetOpenFileName(const std::wstring& initialFileName, HWND owner, Outside& outside);
