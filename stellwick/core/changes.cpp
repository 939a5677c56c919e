#include "stellwick/core/changes.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "stellwick/core/facade.h"
#include "stellwick/core/system_text.h"
#include "stellwick/core/texts.h"
#include <algorithm>

namespace {

// Makes one change through a fresh facade; on failure *code is LastRegError, or the
// HRESULT when no facade could be made.
template <class Edit>
bool EditThroughFacade(Edit edit, long* code) {
    HRESULT made = S_OK;
    ComPtr<_zbnRegistry2> facade = FacadeMaker().New(&made);
    if (!facade) {
        *code = static_cast<long>(made);
        return false;
    }
    VARIANT_BOOL ok = VARIANT_FALSE;
    if (SUCCEEDED(edit(facade.Get(), &ok)) && ok != VARIANT_FALSE) return true;
    *code = 0;
    facade->get_LastRegError(code);
    return false;
}

bool Apply(const Change& change, const Registration& r, long* code) {
    return change.kind == Change::kDelete ? DeleteRegistration(r.hive, r.name, code)
                                          : WriteRegistration(r.hive, r.name, change.newPath, code);
}

// Whether the change may go ahead on a registration, as the scan and the re-check found it.
bool Eligible(const Change& change, const Registration& r, const Recheck& check) {
    return check.current && (!change.brokenOnly || (r.verdict.Broken() && check.verdict.Broken()));
}

}  // namespace

bool ChangeReport::AnyFailed() const {
    return FAILED(backup) ||
           std::any_of(outcomes.begin(), outcomes.end(), [](const ChangeOutcome& o) { return o.result == ChangeOutcome::kFailed; });
}

ChangeReport CarryOut(const std::vector<Registration>& registrations, const std::vector<Recheck>& checks,
                      const Change& change, ChangeRecord& changes) {
    ChangeReport report;
    report.outcomes.resize(registrations.size());
    std::vector<Registration> current;
    std::vector<bool> eligible(registrations.size());
    for (size_t i = 0; i < registrations.size(); ++i) {
        ChangeOutcome& outcome = report.outcomes[i];
        eligible[i] = Eligible(change, registrations[i], checks[i]);
        if (eligible[i]) current.push_back(registrations[i]);
        else if (change.brokenOnly && !registrations[i].verdict.Broken()) outcome.result = ChangeOutcome::kUnverifiable;
        else if (checks[i].failure != S_OK) outcome.code = static_cast<long>(checks[i].failure);
        else if (checks[i].current) outcome.result = ChangeOutcome::kUnverifiable;  // no longer provably broken
        else outcome.result = ChangeOutcome::kChanged;
    }
    if (current.empty()) return report;
    UndoStep step;
    report.backup = BackUpRegistrations(current, changes.backupFolder, &step, &report.backupFile);
    if (FAILED(report.backup)) {
        for (size_t i = 0; i < registrations.size(); ++i)
            if (eligible[i]) report.outcomes[i] = {ChangeOutcome::kHeld, static_cast<long>(report.backup)};
        return report;
    }
    for (size_t i = 0; i < registrations.size(); ++i) {
        if (!eligible[i]) continue;
        ChangeOutcome& outcome = report.outcomes[i];
        if (Apply(change, registrations[i], &outcome.code)) outcome = {ChangeOutcome::kDone, 0};
    }
    ForgetUnchangedKeys(&step);
    changes.history.Push(std::move(step));
    return report;
}

HRESULT BackUpRegistrations(const std::vector<Registration>& registrations, const std::wstring& folder,
                            UndoStep* step, std::wstring* file) {
    std::vector<KeyRef> keys;
    for (const auto& r : registrations)
        if (!r.name.empty()) keys.push_back({HiveRoot(r.hive), RootPath(r.hive, AppPathKey(r.name)), FullKeyName(r)});
    return BackupKeys(keys, folder, step, file);
}

std::wstring BackupFailureText(const std::wstring& file, HRESULT hr) {
    return FailureText({Failure::kBackup, file, static_cast<long>(hr), {}});
}

bool WriteRegistration(const Hive& hive, const std::wstring& name, const std::wstring& path, long* code) {
    *code = ERROR_INVALID_NAME;
    if (name.empty()) return false;  // never the App Paths key itself
    return EditThroughFacade(
        [&](_zbnRegistry2* facade, VARIANT_BOOL* ok) {
            Variant data = Variant::Text(path);
            VARIANT_BOOL existed = VARIANT_FALSE;
            return facade->SetValue(RootConst(HiveRoot(hive)), Bstr(RootPath(hive, AppPathKey(name))).Get(), Bstr(L"").Get(),
                                    static_cast<RegistryDataType2_Const>(REG_SZ), *data.Get(), &existed, ok);
        },
        code);
}

bool DeleteRegistration(const Hive& hive, const std::wstring& name, long* code) {
    *code = ERROR_INVALID_NAME;
    if (name.empty()) return false;  // never the App Paths key itself, with everything below it
    return EditThroughFacade(
        [&](_zbnRegistry2* facade, VARIANT_BOOL* ok) {
            return facade->DeleteKey(RootConst(HiveRoot(hive)), Bstr(RootPath(hive, AppPathKey(name))).Get(), VARIANT_TRUE,
                                     ok);
        },
        code);
}
