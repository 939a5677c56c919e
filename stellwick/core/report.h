#pragma once
// A report of what /list or /clean found and did on this computer: every listed registration
// with what was done to it, everything that could not be read or done, the backups written.
// The faces write it as text lines or as a JSON document; neither decides anything.
#include "stellwick/core/registration.h"
#include "stellwick/core/scan.h"
#include <string>
#include <vector>

enum class Action { kNone, kDeleted, kLeftChanged, kLeftUnverifiable, kFailed };

struct Finding {
    Registration registration;
    Action action = Action::kNone;
    long error = 0;  // the system's code when the action failed
};

struct Report {
    enum Command { kList, kClean } command = kList;
    std::wstring computer;    // this computer's name
    std::wstring user;        // the account Stellwick ran as, DOMAIN\name
    SYSTEMTIME started = {};  // UTC
    long looked = 0;
    std::vector<Finding> findings;
    std::vector<Failure> failures;
    std::vector<std::wstring> backups;
};

struct Summary {
    long looked = 0, broken = 0, unverifiable = 0, deleted = 0, failed = 0;
};
Summary Summarize(const Report& report);

// A report begun now, on this computer, by this account.
Report NewReport(Report::Command command);

// The names reports use: "none", "deleted", "left-changed", "left-unverifiable", "failed".
const wchar_t* ActionName(Action action);
