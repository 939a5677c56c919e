#pragma once
// The file test of a registration: is the file it names there, and if not, can the program
// prove it is gone? The file is never opened (app execution aliases are reparse points that
// open calls refuse): a file is present when its directory entry exists.
#include "stellwick/core/verdict.h"
#include <string>

// Examines the path. In the system folder a file counts as present when either view has it:
// 64-bit programs find it in System32, 32-bit ones in SysWOW64.
Verdict ExaminePath(const std::wstring& path);
