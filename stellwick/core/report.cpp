#include "stellwick/core/report.h"
#include "stellwick/core/account.h"

namespace {

std::wstring ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring();
}

}  // namespace

Report NewReport(Report::Command command) {
    Report report;
    report.command = command;
    report.computer = ComputerName();
    report.user = CallerAccountName();
    GetSystemTime(&report.started);
    return report;
}

Summary Summarize(const Report& report) {
    Summary s;
    s.looked = report.looked;
    for (const Finding& f : report.findings) {
        ++(f.registration.verdict.Broken() ? s.broken : s.unverifiable);
        if (f.action == Action::kDeleted) ++s.deleted;
    }
    s.failed = static_cast<long>(report.failures.size());
    return s;
}

const wchar_t* ActionName(Action action) {
    switch (action) {
    case Action::kDeleted: return L"deleted";
    case Action::kLeftChanged: return L"left-changed";
    case Action::kLeftUnverifiable: return L"left-unverifiable";
    case Action::kFailed: return L"failed";
    case Action::kNone: break;
    }
    return L"none";
}
