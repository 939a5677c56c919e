#pragma once
// Backups and undo for the changes Stellwick makes: before a command changes registration
// keys, their trees are captured and written to one .reg file; undoing puts them back.
#include "registry/trees/registry_tree.h"
#include <string>
#include <vector>

// A key a command may change: a predefined root and the path below it, and the full name a
// backup gives it (the root's and the path's when empty): a hive loaded under a temporary name
// is named as it is when its user is logged on, so that the backup can be imported then.
struct KeyRef {
    KeyRef(HKEY root, std::wstring path, std::wstring fullName = {})
        : root(root), path(std::move(path)), fullName(std::move(fullName)) {}
    HKEY root;
    std::wstring path;
    std::wstring fullName;
};

struct SavedKey {
    HKEY root = nullptr;
    std::wstring path;    // below the root
    bool existed = false; // a key that did not exist is removed again on undo
    KeyImage image;
};

// One command's keys, of any roots.
struct UndoStep {
    std::vector<SavedKey> keys;
    std::wstring file;  // the .reg backup of the keys
};

// %LOCALAPPDATA%\Orrindale\Stellwick\Backup
std::wstring DefaultBackupFolder();

// Captures the keys and writes them to a new file in `folder` (made when missing), named by
// the date and time. On failure nothing is written and *file names what was attempted.
HRESULT BackupKeys(const std::vector<KeyRef>& keys, const std::wstring& folder, UndoStep* step, std::wstring* file);

// Keeps only the keys that are no longer as they were saved: what a command really changed.
void ForgetUnchangedKeys(UndoStep* step);

class UndoHistory {
public:
    // A step with no keys is not kept: there is nothing to undo.
    void Push(UndoStep step);
    bool CanUndo() const { return !steps_.empty(); }
    // Restores every key of the newest step and drops the step, even when a key could not
    // be restored (that error is returned, with the step's backup file), so that a step
    // that cannot be carried out never blocks the older ones.
    LSTATUS UndoLast(std::wstring* backupFile);

private:
    std::vector<UndoStep> steps_;
};
