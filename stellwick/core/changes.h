#pragma once
// The one way Stellwick changes registrations, whichever face asked: re-checked first, the
// current ones backed up into one .reg file, then changed, and a report of how each fared.
#include "stellwick/core/registration.h"
#include "stellwick/core/scan.h"
#include "stellwick/core/backup/undo_history.h"
#include <string>
#include <vector>

// Where changes keep their backups, and the steps they can undo.
struct ChangeRecord {
    std::wstring backupFolder;
    UndoHistory history;
};

// What a command does to each registration: delete its key, or point it at another file.
// With brokenOnly it leaves alone what is not provably broken, at the scan or at the re-check.
struct Change {
    enum Kind { kDelete, kPoint } kind = kDelete;
    std::wstring newPath;  // for kPoint
    bool brokenOnly = false;
};

// How one registration fared.
struct ChangeOutcome {
    enum Result {
        kDone,     // changed as asked
        kChanged,  // it changed since the scan and was left alone
        kFailed,   // the re-check or the change failed; `code` says why
        kHeld,     // current, but left alone because the backup failed
        kUnverifiable,  // left alone: not provably broken (with brokenOnly)
    } result = kFailed;
    long code = 0;  // the registry's error code, or the HRESULT when no facade could be made
};

struct ChangeReport {
    HRESULT backup = S_OK;    // a failed backup changes nothing
    std::wstring backupFile;  // the .reg file written, or what was attempted
    std::vector<ChangeOutcome> outcomes;  // one per registration, in the order given
    bool AnyFailed() const;
};

// Carries the change out on the registrations whose re-check found them current: backs
// them up (in `changes.backupFolder`), changes them and keeps an undo step for what really
// changed. Registrations the re-check found changed or could not read are left alone, and
// with brokenOnly those the scan or the re-check could not prove broken.
ChangeReport CarryOut(const std::vector<Registration>& registrations, const std::vector<Recheck>& checks,
                      const Change& change, ChangeRecord& changes);

// Backs the registrations' keys up into one new .reg file in `folder`, as one undo step.
HRESULT BackUpRegistrations(const std::vector<Registration>& registrations, const std::wstring& folder,
                            UndoStep* step, std::wstring* file);

// Writes the registration's default value; *code gets the registry's error code (or the
// HRESULT when no facade could be made) on failure. Refuses an empty name.
bool WriteRegistration(const Hive& hive, const std::wstring& name, const std::wstring& path, long* code);
// Deletes the registration's key with everything below it; failures as above.
bool DeleteRegistration(const Hive& hive, const std::wstring& name, long* code);

// What the user is told when a backup cannot be written (and nothing is changed).
std::wstring BackupFailureText(const std::wstring& file, HRESULT hr);
