#include "stellwick/command_line/switches.h"
#include "support/upper_case.h"

Switches ParseSwitches(const std::vector<std::wstring>& args) {
    Switches s;
    auto take = [&s](Switches::Command command) {
        if (s.command != Switches::kNone && s.command != command) s.valid = false;
        s.command = command;
    };
    for (const auto& arg : args) {
        const std::wstring name = arg.size() > 1 && (arg[0] == L'/' || arg[0] == L'-') ? UpperCase(arg.substr(1)) : L"";
        if (name == L"LIST") take(Switches::kList);
        else if (name == L"CLEAN") take(Switches::kClean);
        else if (name == L"?") s.help = true;
        else if (name.compare(0, 4, L"OUT:") == 0 && name.size() > 4 && s.out.empty()) s.out = arg.substr(5);
        else s.valid = false;
    }
    if (s.command == Switches::kNone && !s.help) s.valid = false;
    return s;
}
