// Stellwick.com: the unattended mode as a console program, so that a command prompt, PowerShell
// and management agents wait for it and see its output. Beside Stellwick.exe, typing
// "Stellwick" runs it (PATHEXT puts .COM first); without switches it starts the window.
#include <windows.h>
#include <objbase.h>
#include <vector>
#include "com/handle_owners.h"
#include "com/module_file.h"
#include "stellwick/command_line/text_output.h"
#include "stellwick/command_line/unattended.h"
#include "stellwick/core/system_text.h"
#include "stellwick/core/texts.h"
#include "support/zerbanesupportfbe.h"

namespace {

// Stellwick.exe from this program's folder, not waited for.
int StartWindowProgram() {
    std::wstring exe = esGetFilePath(ModuleFileName(nullptr)) + L"Stellwick.exe";
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        UniqueHandle thread(started.hThread), process(started.hProcess);
        return kNothingBroken;
    }
    const DWORD error = GetLastError();
    TextOutput(StandardError()).Line(Text(IDS_NO_WINDOW_PROGRAM) + L"\r\n" + exe + L"\r\n" + ErrorText(static_cast<long>(error)));
    return kFailed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // A path on an empty removable drive must never stop the program with the system's
    // "No Disk" box, least of all when nobody is there to answer it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) return StartWindowProgram();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return kFailed;
    const int rc = RunUnattended(args, L"Stellwick");
    CoUninitialize();
    return rc;
}
