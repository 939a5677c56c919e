#include "stellwick/command_line/switches.h"
#include "support/upper_case.h"

namespace {

// Takes "/NAME:value" (NAME in any letter case) into *value; an empty value, or a second one,
// makes the switches invalid.
bool TakeValue(const std::wstring& arg, const std::wstring& upper, const wchar_t* name, std::wstring* value,
               bool* valid) {
    const std::wstring prefix = std::wstring(name) + L":";
    if (upper.compare(0, prefix.size(), prefix) != 0) return false;
    if (upper.size() == prefix.size() || !value->empty()) *valid = false;  // empty, or given twice
    *value = arg.substr(1 + prefix.size());
    return true;
}

}  // namespace

Switches ParseSwitches(const std::vector<std::wstring>& args) {
    Switches s;
    auto take = [&s](Switches::Command command) {
        if (s.command != Switches::kNone && s.command != command) s.valid = false;
        s.command = command;
    };
    std::wstring format;
    for (const auto& arg : args) {
        const std::wstring name = arg.size() > 1 && (arg[0] == L'/' || arg[0] == L'-') ? UpperCase(arg.substr(1)) : L"";
        if (name == L"LIST") take(Switches::kList);
        else if (name == L"CLEAN") take(Switches::kClean);
        else if (name == L"ALLUSERS") s.allUsers = true;
        else if (name == L"?") s.help = true;
        else if (TakeValue(arg, name, L"OUT", &s.out, &s.valid)) continue;
        else if (TakeValue(arg, name, L"BACKUP", &s.backup, &s.valid)) continue;
        else if (TakeValue(arg, name, L"FORMAT", &format, &s.valid)) continue;
        else s.valid = false;
    }
    const std::wstring upperFormat = UpperCase(format);
    if (upperFormat == L"JSON") s.format = Switches::kJson;
    else if (!format.empty() && upperFormat != L"TEXT") s.valid = false;
    if (!s.backup.empty() && s.command == Switches::kList) s.valid = false;  // /list changes nothing to back up
    if (s.command == Switches::kNone && !s.help) s.valid = false;
    return s;
}
