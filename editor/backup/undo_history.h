#pragma once
// Backups and undo for the changes Stellwick makes: before a command changes registration
// keys, their trees are captured and written to one .reg file; undoing puts them back.
#include "registry_tree.h"
#include <string>
#include <vector>

struct SavedKey {
    std::wstring path;    // below the root
    bool existed = false; // a key that did not exist is removed again on undo
    KeyImage image;
};

struct UndoStep {
    HKEY root = nullptr;
    std::vector<SavedKey> keys;
};

// %LOCALAPPDATA%\Orrindale\Stellwick\Backup
std::wstring DefaultBackupFolder();

// Captures the keys and writes them to a new file in `folder` (made when missing), named by
// the date and time. On failure nothing is written and *file names what was attempted.
HRESULT BackupKeys(HKEY root, const std::wstring& rootName, const std::vector<std::wstring>& paths,
                   const std::wstring& folder, UndoStep* step, std::wstring* file);

class UndoHistory {
public:
    void Push(UndoStep step) { steps_.push_back(std::move(step)); }
    bool CanUndo() const { return !steps_.empty(); }
    // Restores the newest step; it is dropped only when every key came back.
    LSTATUS UndoLast();

private:
    std::vector<UndoStep> steps_;
};
