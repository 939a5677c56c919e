#pragma once
// The file test of a registration: is the file it names there, and if not, can the program
// prove it is gone? The file is never opened (app execution aliases are reparse points that
// open calls refuse): a file is present when its directory entry exists.
#include "stellwick/core/verdict.h"
#include <map>
#include <string>

// Examines paths. In the system folder a file counts as present when either view has it:
// 64-bit programs find it in System32, 32-bit ones in SysWOW64. What it learns of a volume or
// share (whether it answers) it keeps for its life: one examiner serves one scan, where
// thousands of paths share a few roots.
class PathExaminer {
public:
    Verdict Examine(const std::wstring& path);

private:
    Verdict ExamineOne(const std::wstring& path);
    Verdict VolumeVerdict(const std::wstring& root, DWORD error);

    struct Volume {
        UINT type;
        DWORD error;  // 0 when the root answers
    };
    std::map<std::wstring, Volume> volumes_;  // by root, upper case
};
