// The unattended mode: the switches, the core's run, and the report written as text lines or
// JSON to the output; every failure also goes to standard error in the window's words.
#include "stellwick/command_line/unattended.h"
#include "stellwick/command_line/json_report.h"
#include "stellwick/command_line/switches.h"
#include "stellwick/command_line/text_output.h"
#include "stellwick/command_line/text_report.h"
#include "stellwick/core/list_and_clean.h"
#include "stellwick/core/system_text.h"
#include "stellwick/core/texts.h"
#include "support/code_page.h"
#include <exception>

namespace {

int ExitCode(const Report& report) {
    const Summary s = Summarize(report);
    if (report.command == Report::kClean) return s.failed > 0 ? kFailed : kNothingBroken;
    return s.broken > 0 ? kFoundBroken : s.failed > 0 ? kFailed : kNothingBroken;
}

void Write(const Report& report, Switches::Format format, TextOutput& out) {
    if (format == Switches::kJson) return out.Line(Widen(JsonReport(report), CP_UTF8));
    for (const std::wstring& line : TextReport(report)) out.Line(line);
}

int Run(const Switches& switches, TextOutput& errors) {
    TextOutput out(StandardOutput());
    DWORD error = 0;
    if (!switches.out.empty() && !out.Create(switches.out, &error)) {
        errors.Line(switches.out + L"\t" + ErrorText(static_cast<long>(error)));
        return kFailed;
    }
    RunOptions options;
    options.command = switches.command == Switches::kClean ? Report::kClean : Report::kList;
    options.allUsers = switches.allUsers;
    options.backupFolder = switches.backup;
    const Report report = ListAndClean(options);
    for (const Failure& failure : report.failures) errors.Line(FailureText(failure));
    Write(report, switches.format, out);
    if (!out.Error()) return ExitCode(report);
    errors.Line(switches.out + L"\t" + ErrorText(static_cast<long>(out.Error())));
    return kFailed;
}

}  // namespace

int RunUnattended(const std::vector<std::wstring>& args, const std::wstring& program) {
    TextOutput errors(StandardError());
    const Switches switches = ParseSwitches(args);
    if (!switches.valid || switches.help) {
        errors.Line(Text(IDS_USAGE, {program}));
        return switches.valid ? kNothingBroken : kFailed;
    }
    try {
        return Run(switches, errors);
    } catch (const std::exception&) {
        // Out of memory, most likely: said, never a crash.
        errors.Line(ErrorText(E_OUTOFMEMORY));
        return kFailed;
    }
}
