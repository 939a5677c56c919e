// Stellwick's start-up. With switches it runs unattended: no window, no message box, an exit
// code. Without, it registers the program's App Path, the common controls, the icon on the
// application window, then the main window; from there on everything happens in it.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <vector>
#include "com/handle_owners.h"
#include "stellwick/window/main_window.h"
#include "stellwick/command_line/unattended.h"
#include "support/zerbanesupport.h"
#include "support/zerbanesupportfbe.h"

namespace {

// The program's arguments, without its name.
std::vector<std::wstring> Arguments() {
    int count = 0;
    const UniqueLocal<LPWSTR*> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::wstring> args;
    for (int i = 1; argv && i < count; ++i) args.push_back(argv.Get()[i]);
    return args;
}

int RunWindow(int show) {
    esRegisterAppPath();
    InitCommonControls();
    if (!esIsInIDE()) asSetWindowResIconAll(esGetThunderMainHandle(), L"A_MAIN");
    MainWindow window(SystemOutside());
    if (!window.Create(true)) return 1;
    window.Show(show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    // A path on an empty removable drive must never stop the program with the system's
    // "No Disk" box, least of all when nobody is there to answer it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const std::vector<std::wstring> args = Arguments();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return args.empty() ? 1 : kFailed;
    const int rc = args.empty() ? RunWindow(show) : RunUnattended(args, L"Stellwick.exe");
    CoUninitialize();
    return rc;
}
