#pragma once
// Where frmMain and its list columns were left, kept per user by the settings store.
class MainWindow;

void LoadWindowSettings(MainWindow& window);
void SaveWindowSettings(MainWindow& window);
