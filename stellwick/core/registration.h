#pragma once
// A registration: one subkey of an App Paths key, in the machine's hive, the current user's,
// or (for /allusers) another user's, with what the test of its file decided.
#include <windows.h>
#include <string>
#include "stellwick/core/verdict.h"

// Where a registration lives.
struct Hive {
    // The values are what a window row keeps as its item data: 0 (a row added without one) is
    // the machine's.
    enum Kind { kMachine = 0, kCurrentUser = 1, kUser = 2 };
    Kind kind = kMachine;
    std::wstring sid;       // the user's SID; empty for the machine
    std::wstring loadedAs;  // kUser: the key below HKEY_USERS it is reached through, the SID or
                            // a temporary name while Stellwick has the user's hive loaded
};

struct Registration {
    Hive hive;
    std::wstring name;  // the key name
    std::wstring path;  // the default value, trimmed
    Verdict verdict;    // why it is listed
};

extern const wchar_t kAppPathsKey[];
// The key of one registration below its hive: kAppPathsKey\name.
std::wstring AppPathKey(const std::wstring& name);
// The predefined root a hive is reached through, and a path below the hive as a path below it.
HKEY HiveRoot(const Hive& hive);
std::wstring RootPath(const Hive& hive, const std::wstring& below);
// A key's full name as its user sees it while logged on, whatever name Stellwick loaded the
// hive under: "HKEY_LOCAL_MACHINE\SOFTWARE\...", "HKEY_USERS\S-1-5-21-...\Software\...".
std::wstring FullKeyName(const Hive& hive, const std::wstring& below);
std::wstring FullKeyName(const Registration& registration);
// "HKLM", "HKCU" or "HKU", as reports write a hive.
const wchar_t* HiveAbbreviation(Hive::Kind kind);

// The machine's hive, and the current user's (with the caller's SID).
Hive MachineHive();
Hive CurrentUserHive();
