#pragma once
// Where frmMain and its list columns were left, kept per user by the settings store.
#include <windows.h>

class ListView;

// `window` is frmMain, `list` its lvAppPath, `dpi` the DPI the window is laid out at (Load
// reads the window's own once its placement is restored).
void LoadWindowSettings(HWND window, const ListView& list);
void SaveWindowSettings(HWND window, const ListView& list, UINT dpi);
