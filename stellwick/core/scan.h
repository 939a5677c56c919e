#pragma once
// The scan that lists the broken App Paths registrations, and the re-check that puts a
// registration through the same tests again just before a change.
#include "stellwick/core/registration.h"
#include <string>
#include <vector>

// What a scan found: how many registrations it looked at and the broken ones, in the order
// the registry lists them; or, in `failure`, why it could not run, as the user is told.
struct ScanResult {
    std::wstring failure;
    long looked = 0;
    std::vector<Registration> broken;
};
// Scans the local machine's App Paths key, then the current user's (which may be absent).
ScanResult ScanRegistrations();

// A registration read again just before a change.
struct Recheck {
    bool current = false;    // it still qualifies, with the path the row shows
    HRESULT failure = S_OK;  // no facade to read it with
};
std::vector<Recheck> RecheckRegistrations(const std::vector<Registration>& registrations);
