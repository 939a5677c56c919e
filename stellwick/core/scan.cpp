// The scan: every registration under an App Paths key whose default value is a plain string
// naming a file that is not there, and whose key holds nothing but that and a "PATH" value.
// The re-check before a change puts a registration through the same test, Judge.
#include "stellwick/core/scan.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "stellwick/core/facade.h"
#include "stellwick/core/path_check.h"
#include "stellwick/core/system_text.h"
#include "stellwick/core/texts.h"
#include "support/upper_case.h"
#include "support/zerbanesupport.h"

namespace {

// Whether a value's name is other than the default value's and "PATH" (in any letter case).
bool IsOtherName(IDispatch* value) {
    const std::wstring name = UpperCase(NameOf(value));
    return !name.empty() && name != L"PATH";
}

// True when the registration has, or may have, values besides its default value and "PATH",
// as a listing of its value names tells.
bool HasOtherValues(const FacadeMaker& facades, const Registration& r) {
    ComPtr<_zbnRegistry2> facade = facades.New();
    if (!facade) return true;
    ComPtr<_Collection> values;
    Bstr path(RootPath(r.hive, AppPathKey(r.name)));
    if (FAILED(facade->GetValues(RootConst(HiveRoot(r.hive)), path.Get(), VARIANT_FALSE, values.Put())) || !values)
        return true;
    for (const auto& value : ItemsOf(values.Get())) {
        if (!value || IsOtherName(value.Get())) return true;
    }
    return false;
}

// The same from the registration's listing with data. A value whose data does not decode is
// Nothing there, with no name to judge by: then its names are listed on their own, as above.
bool HasOtherValues(const FacadeMaker& facades, const Registration& r, const std::vector<ComPtr<IDispatch>>& values) {
    for (const auto& value : values) {
        if (!value) return HasOtherValues(facades, r);
        if (IsOtherName(value.Get())) return true;
    }
    return false;
}

// The default value (named "") of a listing; null when there is none or its data did not decode.
ComPtr<_RegValue> DefaultValueOf(const std::vector<ComPtr<IDispatch>>& values) {
    ComPtr<_RegValue> found;
    for (const auto& value : values)
        if (value && NameOf(value.Get()).empty() && SUCCEEDED(QueryTo(value.Get(), &found))) break;
    return found;
}

// The one test of a registration: whether the scan lists it, and why. It sets the path (the
// trimmed default value) and the verdict of `r` when it does. One listing of the key's values
// with their data serves every step, in a fixed order: the type of the default value, the
// file, then the value names. A listing that fails lists nothing.
bool Judge(const FacadeMaker& facades, _zbnRegistry2* facade, PathExaminer& examiner, Registration* r) {
    // A key whose name reads back empty would make its path the App Paths key itself.
    if (r->name.empty()) return false;
    ComPtr<_Collection> list;
    if (FAILED(facade->GetValues(RootConst(HiveRoot(r->hive)), Bstr(RootPath(r->hive, AppPathKey(r->name))).Get(),
                                 VARIANT_TRUE, list.Put())) ||
        !list)
        return false;
    const std::vector<ComPtr<IDispatch>> values = ItemsOf(list.Get());
    ComPtr<_RegValue> value = DefaultValueOf(values);
    _RegValue* raw = value.Get();
    RegistryDataType2_Const type{};
    if (FAILED(facade->GetValueDataType(&raw, &type)) || type != REG_SZ) return false;
    Bstr data;
    if (FAILED(facade->GetValueData_SZ(&raw, data.Put()))) return false;
    const std::wstring text = asTrimEx2(data.Str(), true, true, true, true, true, 0, 0, 0, 0, 0);
    const Verdict verdict = examiner.Examine(text);
    if (!verdict.Listed() || HasOtherValues(facades, *r, values)) return false;
    r->path = text;
    r->verdict = verdict;
    return true;
}

Failure ReadFailure(const Hive& hive, long code) {
    return {Failure::kRead, FullKeyName(hive, kAppPathsKey), code, hive.sid};
}

// Adds one hive's registrations to the result, or the failure when its App Paths key cannot
// be opened or listed. Only some users have the key: its absence from a user's hive is no failure.
void ScanHive(const FacadeMaker& facades, _zbnRegistry2* facade, PathExaminer& examiner, const Hive& hive,
              ScanResult* result) {
    ComPtr<_Collection> keys;
    HRESULT hr = facade->GetSubKeys(RootConst(HiveRoot(hive)), Bstr(RootPath(hive, kAppPathsKey)).Get(), keys.Put());
    if (FAILED(hr)) return result->failures.push_back(ReadFailure(hive, hr));
    if (!keys) {
        long code = 0;
        facade->get_LastRegError(&code);
        if (hive.kind != Hive::kMachine && code == ERROR_FILE_NOT_FOUND) return;
        return result->failures.push_back(ReadFailure(hive, code));
    }
    for (const auto& key : ItemsOf(keys.Get())) {
        ++result->looked;
        if (!key) continue;
        Registration r{hive, NameOf(key.Get()), {}, {}};
        if (Judge(facades, facade, examiner, &r)) result->found.push_back(std::move(r));
    }
}

}  // namespace

std::wstring FailureText(const Failure& failure) {
    const std::wstring error = ErrorText(failure.code);
    switch (failure.kind) {
    case Failure::kNoFacade: return Text(IDS_CANNOT_CREATE) + L"\r\n\r\n" + error;
    case Failure::kBackup: return Text(IDS_BACKUP_FAILED) + L"\r\n\r\n" + failure.key + L"\r\n" + error;
    case Failure::kDelete: return failure.key + L"\t" + Text(IDS_DELETE_FAILED) + L" " + error;
    case Failure::kLoadHive:
        return Text(IDS_CANNOT_LOAD_HIVE, {failure.sid}) + L"\r\n" + failure.key + L"\r\n\r\n" + error;
    case Failure::kUnloadHive:
        return Text(IDS_CANNOT_UNLOAD_HIVE, {failure.sid}) + L"\r\n" + failure.key + L"\r\n\r\n" + error;
    case Failure::kRead: break;
    }
    return Text(IDS_CANNOT_READ) + L"\r\n" + failure.key + L"\r\n\r\n" + error;
}

ScanResult ScanHives(const std::vector<Hive>& hives) {
    ScanResult result;
    const FacadeMaker facades;
    HRESULT hr = S_OK;
    ComPtr<_zbnRegistry2> facade = facades.New(&hr);
    if (!facade) {
        result.failures.push_back({Failure::kNoFacade, L"Tarnwell0201.zbnRegistry2", static_cast<long>(hr), {}});
        return result;
    }
    PathExaminer examiner;
    for (const Hive& hive : hives) ScanHive(facades, facade.Get(), examiner, hive, &result);
    return result;
}

ScanResult ScanRegistrations() { return ScanHives({MachineHive(), CurrentUserHive()}); }

std::vector<Recheck> RecheckRegistrations(const std::vector<Registration>& registrations) {
    std::vector<Recheck> checks(registrations.size());
    const FacadeMaker facades;
    HRESULT hr = S_OK;
    ComPtr<_zbnRegistry2> facade = facades.New(&hr);
    PathExaminer examiner;
    for (size_t i = 0; i < registrations.size(); ++i) {
        Registration now{registrations[i].hive, registrations[i].name, {}, {}};
        if (!facade) {
            checks[i].failure = hr;
            continue;
        }
        checks[i].current = Judge(facades, facade.Get(), examiner, &now) && now.path == registrations[i].path;
        checks[i].verdict = now.verdict;
    }
    return checks;
}
