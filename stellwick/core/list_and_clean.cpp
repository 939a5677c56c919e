#include "stellwick/core/list_and_clean.h"
#include "stellwick/core/changes.h"
#include "stellwick/core/user_hives.h"
#include "stellwick/core/backup/undo_history.h"

namespace {

// How /clean's change of one registration is reported, with the failure it adds, if any.
Action ActionOf(const ChangeOutcome& outcome) {
    switch (outcome.result) {
    case ChangeOutcome::kDone: return Action::kDeleted;
    case ChangeOutcome::kChanged: return Action::kLeftChanged;
    case ChangeOutcome::kUnverifiable: return Action::kLeftUnverifiable;
    case ChangeOutcome::kFailed:
    case ChangeOutcome::kHeld: break;
    }
    return Action::kFailed;
}

// Deletes what the scan found provably broken among report->findings[first...]: re-checked
// (what cannot be proved broken is not even read again), backed up into one file, deleted.
void Clean(size_t first, const std::wstring& backupFolder, Report* report) {
    std::vector<Registration> found;
    std::vector<Registration> broken;
    for (size_t i = first; i < report->findings.size(); ++i) {
        found.push_back(report->findings[i].registration);
        if (found.back().verdict.Broken()) broken.push_back(found.back());
    }
    const std::vector<Recheck> brokenChecks = RecheckRegistrations(broken);
    std::vector<Recheck> checks(found.size());
    for (size_t i = 0, b = 0; i < found.size(); ++i)
        if (found[i].verdict.Broken()) checks[i] = brokenChecks[b++];
    Change change;
    change.brokenOnly = true;
    ChangeRecord changes{backupFolder.empty() ? DefaultBackupFolder() : backupFolder, {}};
    const ChangeReport done = CarryOut(found, checks, change, changes);
    if (FAILED(done.backup)) report->failures.push_back({Failure::kBackup, done.backupFile, done.backup, {}});
    else if (!done.backupFile.empty()) report->backups.push_back(done.backupFile);
    for (size_t i = 0; i < found.size(); ++i) {
        Finding& finding = report->findings[first + i];
        const ChangeOutcome& outcome = done.outcomes[i];
        finding.action = ActionOf(outcome);
        if (finding.action != Action::kFailed) continue;
        finding.error = outcome.code;
        if (outcome.result == ChangeOutcome::kHeld) continue;  // the backup's failure says why
        const bool deleting = checks[i].failure == S_OK;
        report->failures.push_back({deleting ? Failure::kDelete : Failure::kNoFacade, FullKeyName(found[i]), outcome.code,
                                    found[i].hive.sid});
    }
}

// Scans the hives into the report and, for /clean, cleans what they hold.
void Handle(const std::vector<Hive>& hives, const RunOptions& options, Report* report) {
    ScanResult scan = ScanHives(hives);
    report->looked += scan.looked;
    report->failures.insert(report->failures.end(), scan.failures.begin(), scan.failures.end());
    const size_t first = report->findings.size();
    for (Registration& r : scan.found) report->findings.push_back({std::move(r), Action::kNone, 0});
    if (options.command == Report::kClean && report->findings.size() > first) Clean(first, options.backupFolder, report);
}

}  // namespace

Report ListAndClean(const RunOptions& options) {
    Report report = NewReport(options.command);
    if (!options.allUsers) {
        Handle({MachineHive(), CurrentUserHive()}, options, &report);
        return report;
    }
    Handle({MachineHive()}, options, &report);
    UserHives users = FindUserHives();
    report.failures.insert(report.failures.end(), users.failures.begin(), users.failures.end());
    if (!users.loaded.empty()) Handle(users.loaded, options, &report);
    for (const Profile& profile : users.offline) {
        LoadedProfile loaded(profile);
        Hive hive;
        Failure failure;
        if (!loaded.Get(&hive, &failure)) {
            report.failures.push_back(failure);  // one entry; the other hives are still scanned
            continue;
        }
        Handle({hive}, options, &report);
        if (!loaded.Unload(&failure)) report.failures.push_back(failure);
    }
    return report;
}
