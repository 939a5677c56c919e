#pragma once
// The DPI a window is shown at, for its designed sizes in twips.
#include <windows.h>

// The window's DPI: its monitor's under per-monitor awareness (GetDpiForWindow, from
// Windows 10 on), else the screen's.
UINT WindowDpi(HWND window);
// The screen's DPI, which the settings store converts column widths with.
UINT ScreenDpi();
