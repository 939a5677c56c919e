// The unattended mode. /list writes one line per broken registration: the scope, a TAB,
// the key name, a TAB and the trimmed path. /clean hands what /list would list to the core,
// which re-checks and backs up as for the window, and writes the same lines for what it
// deleted. Failures go to standard error in the window's words.
#include "stellwick/command_line/unattended.h"
#include "stellwick/command_line/switches.h"
#include "stellwick/command_line/text_output.h"
#include "stellwick/core/changes.h"
#include "stellwick/core/system_text.h"
#include "stellwick/core/texts.h"
#include "stellwick/core/backup/undo_history.h"

namespace {

std::wstring Line(const Registration& r) {
    return std::wstring(ScopeAbbreviation(r.scope)) + L"\t" + r.name + L"\t" + r.path;
}

// A failure as one line: what it concerns, a TAB, the system's text.
void ReportFailure(TextOutput& errors, const std::wstring& what, long code) {
    errors.Line(what + L"\t" + ErrorText(code));
}

int List(const ScanResult& scan, TextOutput& out) {
    for (const auto& r : scan.broken) out.Line(Line(r));
    return scan.broken.empty() ? kNothingBroken : kFoundBroken;
}

int Clean(const ScanResult& scan, TextOutput& out, TextOutput& errors) {
    ChangeRecord changes{DefaultBackupFolder(), {}};
    const ChangeReport report = CarryOut(scan.broken, RecheckRegistrations(scan.broken), Change{}, changes);
    for (size_t i = 0; i < scan.broken.size(); ++i) {
        const Registration& r = scan.broken[i];
        const ChangeOutcome& outcome = report.outcomes[i];
        if (outcome.result == ChangeOutcome::kDone) out.Line(Line(r));
        else if (outcome.result == ChangeOutcome::kFailed) ReportFailure(errors, FullKeyName(r), outcome.code);
    }
    if (FAILED(report.backup)) errors.Line(BackupFailureText(report.backupFile, report.backup));
    return report.AnyFailed() ? kFailed : kNothingBroken;
}

}  // namespace

int RunUnattended(const std::vector<std::wstring>& args) {
    TextOutput errors(StandardError());
    const Switches switches = ParseSwitches(args);
    if (!switches.valid || switches.help) {
        errors.Line(Text(IDS_USAGE));
        return switches.valid ? kNothingBroken : kFailed;
    }
    TextOutput out(StandardOutputFileOrPipe());
    DWORD error = 0;
    if (!switches.out.empty() && !out.Create(switches.out, &error)) {
        ReportFailure(errors, switches.out, static_cast<long>(error));
        return kFailed;
    }
    const ScanResult scan = ScanRegistrations();
    if (!scan.failure.empty()) {
        errors.Line(scan.failure);
        return kFailed;
    }
    int rc = switches.command == Switches::kList ? List(scan, out) : Clean(scan, out, errors);
    if (out.Error()) {
        ReportFailure(errors, switches.out, static_cast<long>(out.Error()));
        rc = kFailed;
    }
    return rc;
}
