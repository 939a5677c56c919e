// The unattended mode. /list writes one line per broken registration: the scope, a TAB,
// the key name, a TAB and the trimmed path. /clean deletes what /list would list, each
// re-checked and backed up first as the window does, and writes the same lines for what it
// deleted. Failures go to standard error in the window's words.
#include "editor/unattended.h"
#include "editor/app_paths.h"
#include "editor/system_text.h"
#include "editor/text_output.h"
#include "support/upper_case.h"

namespace {

const wchar_t kUsage[] =
    L"Stellwick.exe /list [/out:FILE]\r\n"
    L"Stellwick.exe /clean [/out:FILE]\r\n"
    L"Stellwick.exe /?";

enum Command { kNoCommand, kList, kClean };

struct Switches {
    Command command = kNoCommand;
    std::wstring out;
    bool help = false;
    bool valid = true;
};

// Switches start with "/" or "-" and are read whatever their letter case.
Switches Parse(const std::vector<std::wstring>& args) {
    Switches s;
    auto take = [&s](Command command) {
        if (s.command != kNoCommand && s.command != command) s.valid = false;
        s.command = command;
    };
    for (const auto& arg : args) {
        const std::wstring name = arg.size() > 1 && (arg[0] == L'/' || arg[0] == L'-') ? UpperCase(arg.substr(1)) : L"";
        if (name == L"LIST") take(kList);
        else if (name == L"CLEAN") take(kClean);
        else if (name == L"?") s.help = true;
        else if (name.compare(0, 4, L"OUT:") == 0 && name.size() > 4 && s.out.empty()) s.out = arg.substr(5);
        else s.valid = false;
    }
    if (s.command == kNoCommand && !s.help) s.valid = false;
    return s;
}

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
    const std::vector<Recheck> checks = RecheckRegistrations(scan.broken);
    std::vector<Registration> current;
    bool failed = false;
    for (size_t i = 0; i < checks.size(); ++i) {
        const Registration& r = scan.broken[i];
        if (checks[i].current) current.push_back(r);
        else if (checks[i].failure != S_OK) {
            ReportFailure(errors, FullKeyName(r.scope, AppPathKey(r.name)), checks[i].failure);
            failed = true;
        }
    }
    if (current.empty()) return failed ? kFailed : kNothingBroken;
    UndoStep step;
    std::wstring file;
    HRESULT hr = BackUpRegistrations(current, DefaultBackupFolder(), &step, &file);
    if (FAILED(hr)) {
        errors.Line(BackupFailureText(file, hr));
        return kFailed;
    }
    for (const auto& r : current) {
        long code = 0;
        if (DeleteRegistration(r.scope, r.name, &code)) {
            out.Line(Line(r));
        } else {
            ReportFailure(errors, FullKeyName(r.scope, AppPathKey(r.name)), code);
            failed = true;
        }
    }
    return failed ? kFailed : kNothingBroken;
}

}  // namespace

int RunUnattended(const std::vector<std::wstring>& args) {
    TextOutput errors(StandardError());
    const Switches switches = Parse(args);
    if (!switches.valid || switches.help) {
        errors.Line(kUsage);
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
    int rc = switches.command == kList ? List(scan, out) : Clean(scan, out, errors);
    if (out.Error()) {
        ReportFailure(errors, switches.out, static_cast<long>(out.Error()));
        rc = kFailed;
    }
    return rc;
}
