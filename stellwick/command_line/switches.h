#pragma once
// The unattended mode's switches: /list or /clean, /out:FILE and /?. They start with "/" or
// "-" and are read whatever their letter case.
#include <string>
#include <vector>

struct Switches {
    enum Command { kNone, kList, kClean } command = kNone;
    std::wstring out;  // the file for the lines, or empty for standard output
    bool help = false;
    bool valid = true;  // false for an unknown or repeated switch, or none at all
};

Switches ParseSwitches(const std::vector<std::wstring>& args);
