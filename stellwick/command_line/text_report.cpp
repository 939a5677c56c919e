#include "stellwick/command_line/text_report.h"

namespace {

// The hive as the line's first field: HKLM, HKCU, or HKU\ with the user's SID.
std::wstring Scope(const Hive& hive) {
    const std::wstring name = HiveAbbreviation(hive.kind);
    return hive.kind == Hive::kUser ? name + L"\\" + hive.sid : name;
}

}  // namespace

std::wstring SummaryLine(const Summary& s) {
    return L"Stellwick: looked " + std::to_wstring(s.looked) + L", broken " + std::to_wstring(s.broken) +
           L", unverifiable " + std::to_wstring(s.unverifiable) + L", deleted " + std::to_wstring(s.deleted) +
           L", failed " + std::to_wstring(s.failed);
}

std::vector<std::wstring> TextReport(const Report& report) {
    std::vector<std::wstring> lines;
    for (const Finding& f : report.findings) {
        const Registration& r = f.registration;
        std::wstring line = Scope(r.hive) + L"\t" + r.name + L"\t" + r.path + L"\t" + StatusName(r.verdict.GetStatus()) +
                            L"\t" + ReasonName(r.verdict.reason);
        if (report.command == Report::kClean) line += std::wstring(L"\t") + ActionName(f.action);
        lines.push_back(std::move(line));
    }
    lines.push_back(SummaryLine(Summarize(report)));
    return lines;
}
