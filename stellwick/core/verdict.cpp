#include "stellwick/core/verdict.h"

Status Verdict::GetStatus() const {
    switch (reason) {
    case Reason::kPresent: return Status::kPresent;
    case Reason::kFileNotFound:
    case Reason::kFolderNotFound: return Status::kBroken;
    default: return Status::kUnverifiable;
    }
}

const wchar_t* ReasonName(Reason reason) {
    switch (reason) {
    case Reason::kPresent: return L"present";
    case Reason::kFileNotFound: return L"file-not-found";
    case Reason::kFolderNotFound: return L"folder-not-found";
    case Reason::kDriveUnavailable: return L"drive-unavailable";
    case Reason::kNetworkUnavailable: return L"network-unavailable";
    case Reason::kAccessDenied: return L"access-denied";
    case Reason::kNotAFullPath: return L"not-a-full-path";
    case Reason::kCheckFailed: break;
    }
    return L"check-failed";
}

const wchar_t* StatusName(Status status) {
    switch (status) {
    case Status::kPresent: return L"present";
    case Status::kBroken: return L"broken";
    case Status::kUnverifiable: break;
    }
    return L"unverifiable";
}
