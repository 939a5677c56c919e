#include "stellwick/window/rows.h"
#include "stellwick/core/texts.h"

namespace {

const LPARAM kUnverifiableFlag = 0x100;

}  // namespace

std::wstring ReasonText(Reason reason) {
    switch (reason) {
    case Reason::kFileNotFound: return Text(IDS_REASON_FILE_NOT_FOUND);
    case Reason::kFolderNotFound: return Text(IDS_REASON_FOLDER_NOT_FOUND);
    case Reason::kDriveUnavailable: return Text(IDS_REASON_DRIVE_UNAVAILABLE);
    case Reason::kNetworkUnavailable: return Text(IDS_REASON_NETWORK_UNAVAILABLE);
    case Reason::kAccessDenied: return Text(IDS_REASON_ACCESS_DENIED);
    case Reason::kNotAFullPath: return Text(IDS_REASON_NOT_A_FULL_PATH);
    case Reason::kCheckFailed: return Text(IDS_REASON_CHECK_FAILED);
    case Reason::kPresent: break;
    }
    return {};
}

void AddRegistrationRow(ListView& list, const Registration& registration) {
    const UINT scope = registration.hive.kind == Hive::kCurrentUser ? IDS_SCOPE_USER : IDS_SCOPE_MACHINE;
    const LPARAM unverifiable = registration.verdict.GetStatus() == Status::kUnverifiable ? kUnverifiableFlag : 0;
    list.AddRow({registration.name, registration.path, Text(scope), ReasonText(registration.verdict.reason)},
                registration.hive.kind | unverifiable);
}

Registration RowRegistration(const ListView& list, int row) {
    Registration registration;
    registration.hive = (list.Data(row) & ~kUnverifiableFlag) == Hive::kCurrentUser ? CurrentUserHive() : MachineHive();
    registration.name = list.Text(row, 1);
    registration.path = list.Text(row, 2);
    return registration;
}

bool IsUnverifiableRowData(LPARAM data) { return (data & kUnverifiableFlag) != 0; }

bool IsUnverifiableRow(const ListView& list, int row) { return IsUnverifiableRowData(list.Data(row)); }
