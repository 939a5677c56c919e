#pragma once
// The unattended mode's switches: /list or /clean, /allusers, /backup:DIR, /format:text or
// /format:json, /out:FILE and /?. They start with "/" or "-" and are read whatever their letter case.
#include <string>
#include <vector>

struct Switches {
    enum Command { kNone, kList, kClean } command = kNone;
    enum Format { kText, kJson } format = kText;
    bool allUsers = false;
    std::wstring backup;  // /clean's backup folder, or empty for the default
    std::wstring out;     // the file for the report, or empty for standard output
    bool help = false;
    bool valid = true;  // false for an unknown or repeated switch, or none at all
};

Switches ParseSwitches(const std::vector<std::wstring>& args);
