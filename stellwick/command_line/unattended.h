#pragma once
// Stellwick without its window, for administrators and the management systems that run it on
// many machines and collect its exit code and output: /list and /clean with their switches,
// text lines or a JSON document. No window, no message box.
#include <string>
#include <vector>

// Exit codes. /list: kFoundBroken when anything is broken (even if some hive could not be
// read), else kFailed when anything could not be read, else kNothingBroken (registrations
// that could not be proved broken alone give 0). /clean: kFailed when anything failed, else 0.
enum UnattendedExit { kNothingBroken = 0, kFoundBroken = 1, kFailed = 2 };

// Runs the switches (the program's arguments, without its name); `program` names the program
// in the usage text. Returns the exit code.
int RunUnattended(const std::vector<std::wstring>& args, const std::wstring& program);
