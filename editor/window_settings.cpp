#include "window_settings.h"
#include "main_window.h"
#include "zerbanesupportfbe.h"

// The settings store does not keep window placement and column widths yet: the window opens
// centred with the designed column widths, and nothing is saved.
void LoadWindowSettings(MainWindow& window) { esCenterFormEx(window.Handle(), 0); }

void SaveWindowSettings(MainWindow&) {}
