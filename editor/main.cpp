// Stellwick's start-up: register the program's App Path, the common controls, the icon on
// the application window, then the main window; from there on everything happens in it.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include "editor/main_window.h"
#include "support/zerbanesupport.h"
#include "support/zerbanesupportfbe.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    esRegisterAppPath();
    InitCommonControls();
    if (!esIsInIDE()) asSetWindowResIconAll(esGetThunderMainHandle(), L"A_MAIN");
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int rc = 0;
    {
        MainWindow window(SystemOutside());
        if (!window.Create(true)) {
            rc = 1;
        } else {
            window.Show(show);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    CoUninitialize();
    return rc;
}
