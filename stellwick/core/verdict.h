#pragma once
// What the test of a registration's file decided: present (the registration is not listed),
// broken (provably: the volume or share answers and the file or its folder is not there), or
// unverifiable (the program cannot tell), each with its reason.
#include <windows.h>

enum class Reason {
    kPresent,
    kFileNotFound,        // broken: the file's folder exists, the file does not
    kFolderNotFound,      // broken: the volume or share is reachable, the folder is not there
    kDriveUnavailable,    // no such drive, or no medium / not ready
    kNetworkUnavailable,  // a UNC path or a network drive whose share cannot be reached
    kAccessDenied,        // the path cannot be examined with the program's rights
    kNotAFullPath,        // not an absolute path: "tool.exe", "..\x.exe", "C:x.exe"
    kCheckFailed,         // any other failure of the examination
};

enum class Status { kPresent, kBroken, kUnverifiable };

struct Verdict {
    Reason reason = Reason::kPresent;
    DWORD code = 0;  // the system's error code behind the reason, 0 when there is none

    Status GetStatus() const;
    bool Broken() const { return GetStatus() == Status::kBroken; }
    bool Listed() const { return reason != Reason::kPresent; }
};

// The names reports use: "file-not-found", ...; "broken", "unverifiable".
const wchar_t* ReasonName(Reason reason);
const wchar_t* StatusName(Status status);
