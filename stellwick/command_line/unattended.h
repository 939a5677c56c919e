#pragma once
// Stellwick without its window, for management tools that run it on many machines and
// collect its exit code and files: /list, /clean, /out:FILE and /?. No window, no message box.
#include <string>
#include <vector>

// Exit codes.
enum UnattendedExit { kNothingBroken = 0, kFoundBroken = 1, kFailed = 2 };

// Runs the switches (the program's arguments, without its name); returns the exit code.
int RunUnattended(const std::vector<std::wstring>& args);
