#pragma once
// /list and /clean: the hives to scan (the machine's and the current user's, or with
// /allusers the machine's and every user's), the scan, and for /clean the deletion of what is
// provably broken, each re-checked and backed up first; never what could not be proved broken.
#include "stellwick/core/report.h"
#include <string>

struct RunOptions {
    Report::Command command = Report::kList;
    bool allUsers = false;
    std::wstring backupFolder;  // /clean's backups; the per-user default when empty
};

Report ListAndClean(const RunOptions& options);
