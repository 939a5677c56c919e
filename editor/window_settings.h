#pragma once
// Where frmMain and its list columns were left, kept per user by the settings store.
#include <windows.h>

class ListView;

// `window` is frmMain, `list` its lvAppPath.
void LoadWindowSettings(HWND window, const ListView& list);
void SaveWindowSettings(HWND window, const ListView& list);
