#pragma once
// The DPI a window is shown at, for its designed sizes in twips.
#include <windows.h>
#include "support/twips.h"

// The window's DPI: its monitor's under per-monitor awareness (GetDpiForWindow, from
// Windows 10 on), else the screen's.
UINT WindowDpi(HWND window);
// A system metric (SM_CXVSCROLL, ...) at a DPI: GetSystemMetricsForDpi from Windows 10 on,
// else the screen's metric scaled.
int SystemMetricAt(int index, UINT dpi);
