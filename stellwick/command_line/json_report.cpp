#include "stellwick/command_line/json_report.h"
#include "support/code_page.h"
#include <nlohmann/json.hpp>
#include <cstdio>

namespace {

using Json = nlohmann::ordered_json;

std::string Utf8(const std::wstring& text) { return Narrow(text, CP_UTF8); }

// "2026-12-08T10:00:00Z"
std::string Iso8601(const SYSTEMTIME& t) {
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

Json SidOf(const Hive& hive) { return hive.kind == Hive::kMachine || hive.sid.empty() ? Json() : Json(Utf8(hive.sid)); }

Json FindingOf(const Finding& f) {
    const Registration& r = f.registration;
    Json finding = {{"hive", Utf8(HiveAbbreviation(r.hive.kind))},
                    {"sid", SidOf(r.hive)},
                    {"key", Utf8(FullKeyName(r))},
                    {"name", Utf8(r.name)},
                    {"path", Utf8(r.path)},
                    {"status", Utf8(StatusName(r.verdict.GetStatus()))},
                    {"reason", Utf8(ReasonName(r.verdict.reason))}};
    if (r.verdict.reason == Reason::kCheckFailed) finding["code"] = r.verdict.code;
    finding["action"] = Utf8(ActionName(f.action));
    finding["error"] = f.action == Action::kFailed ? Json(f.error) : Json();
    return finding;
}

}  // namespace

std::string JsonReport(const Report& report) {
    Json findings = Json::array(), failures = Json::array(), backups = Json::array();
    for (const Finding& f : report.findings) findings.push_back(FindingOf(f));
    for (const Failure& f : report.failures)
        failures.push_back({{"key", Utf8(f.key)}, {"error", f.code}, {"message", Utf8(FailureText(f))}});
    for (const std::wstring& file : report.backups) backups.push_back(Utf8(file));
    const Summary s = Summarize(report);
    const Json document = {{"schema", "stellwick.report/1"},
                           {"computer", Utf8(report.computer)},
                           {"user", Utf8(report.user)},
                           {"command", report.command == Report::kClean ? "clean" : "list"},
                           {"started", Iso8601(report.started)},
                           {"findings", findings},
                           {"failures", failures},
                           {"backups", backups},
                           {"summary",
                            {{"looked", s.looked},
                             {"broken", s.broken},
                             {"unverifiable", s.unverifiable},
                             {"deleted", s.deleted},
                             {"failed", s.failed}}}};
    // A name may hold what UTF-8 cannot carry (a lone surrogate): replaced, never thrown.
    return document.dump(2, ' ', false, Json::error_handler_t::replace);
}
