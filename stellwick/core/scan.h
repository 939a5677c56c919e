#pragma once
// The scan that lists the App Paths registrations whose file is not there, each with a
// verdict, and the re-check that puts a registration through the same test again just before
// a change.
#include "stellwick/core/registration.h"
#include <string>
#include <vector>

// What could not be read or done, what it concerns (a key's full name, a hive file, a backup
// file) and the system's code. FailureText words it as the user is told.
struct Failure {
    enum Kind { kNoFacade, kRead, kBackup, kDelete, kLoadHive, kUnloadHive } kind = kRead;
    std::wstring key;
    long code = 0;
    std::wstring sid;  // the user, for the hive failures
};
std::wstring FailureText(const Failure& failure);

// What a scan found: how many registrations it looked at and the listed ones (broken or
// unverifiable), in the order the registry lists them, and the keys it could not read.
struct ScanResult {
    long looked = 0;
    std::vector<Registration> found;
    std::vector<Failure> failures;
};

// Scans the hives' App Paths keys in order. A hive whose key cannot be read is a failure and
// the others are still scanned; a user's hive without the key (only some users have one) is
// no failure.
ScanResult ScanHives(const std::vector<Hive>& hives);
// The machine's App Paths key, then the current user's.
ScanResult ScanRegistrations();

// A registration read again just before a change.
struct Recheck {
    bool current = false;    // still listed, with the path the scan found
    Verdict verdict;         // what the test decides now
    HRESULT failure = S_OK;  // no facade to read it with
};
std::vector<Recheck> RecheckRegistrations(const std::vector<Registration>& registrations);
