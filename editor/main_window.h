#pragma once
// frmMain: Stellwick's one window, with its label, the list of broken registrations, the
// context menu and the keyboard commands.
#include "editor/list_view.h"
#include "editor/outside.h"
#include "editor/app_paths.h"

// Context menu items, by their index.
enum MenuItem { kMenuFix = 0, kMenuSeparator = 10, kMenuDelete = 20, kMenuUndoSeparator = 30, kMenuUndo = 40 };
const UINT kMenuCommandBase = 1000;  // WM_COMMAND id = base + index

// The modifier keys held with a key, as bits of the shift state.
enum ShiftState { kNoShift = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

class MainWindow {
public:
    explicit MainWindow(Outside& outside) : outside_(outside) {}
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow();

    // Creates the window and runs the load sequence; quitOnClose ends the message loop
    // when the window is closed.
    HWND Create(bool quitOnClose);
    // Shows the window as started (`show`), unless its restored placement already did.
    void Show(int show);
    HWND Handle() const { return hwnd_; }
    ListView& List() { return list_; }
    HMENU ContextMenu() const { return popup_; }
    // Backups of every change, and the steps this run can undo.
    ChangeRecord& Changes() { return changes_; }

    // Form_KeyDown: the key with the exact modifier state (ShiftState bits).
    void OnKeyDown(UINT key, int shift);
    static int CurrentShiftState();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void OnCreate();
    void OnLoad();
    void SetupListView();
    void FitLabelToText();
    void OnResize();
    void OnColumnClick(int column);
    void OnRightClick(POINT listPoint);
    void OnMenu(int index);

    Outside& outside_;
    HWND hwnd_ = nullptr;
    HWND label_ = nullptr;
    ListView list_;
    HMENU menuBar_ = nullptr;  // the hidden "Context" menu holding the popup
    HMENU popup_ = nullptr;
    HFONT font_ = nullptr;
    RECT listBounds_ = {};
    bool quitOnClose_ = false;
    ChangeRecord changes_{DefaultBackupFolder(), {}};
};

// Twips (1/1440 inch) to screen pixels, horizontally or vertically.
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
