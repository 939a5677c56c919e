#pragma once
// frmMain: Stellwick's one window, with its label, the list of broken registrations, the
// status bar, the context menu and the keyboard commands.
#include "com/handle_owners.h"
#include "stellwick/core/changes.h"
#include "stellwick/window/list_view.h"
#include "stellwick/window/outside.h"

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
    HWND StatusBar() const { return status_; }
    HMENU ContextMenu() const { return popup_; }
    // Backups of every change, and the steps this run can undo.
    ChangeRecord& Changes() { return changes_; }
    // The DPI the window's layout is converted with.
    UINT Dpi() const { return dpi_; }

    // Form_KeyDown: the key with the exact modifier state (ShiftState bits). True when the
    // key opened the context menu, which then takes it.
    bool OnKeyDown(UINT key, int shift);
    static int CurrentShiftState();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void OnCreate();
    void OnLoad();
    void SetupListView();
    void FitWidthToColumns();
    void PlaceLabel();
    void FitLabelToText();
    void OnResize();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    int Px(double twips) const;
    void Refresh();
    void SetStatus(const std::wstring& text);
    void ShowRowCount();
    void OnColumnClick(int column);
    void OnRightClick(POINT listPoint);
    LRESULT OnNotify(NMHDR& hdr);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
    bool ShowsBusyCursor(WORD hitTest) const;
    LRESULT OnNcDestroy(WPARAM wp, LPARAM lp);
    void OpenMenuAtFocusedRow();
    void ShowContextMenu(size_t selected, POINT screen);
    void OnMenu(int index);
    void Fix();
    void Delete();
    void Undo();
    void SaveSettingsOnce();

    Outside& outside_;
    HWND hwnd_ = nullptr;
    HWND label_ = nullptr;
    HWND status_ = nullptr;
    ListView list_;
    UniqueMenu menuBar_;  // the hidden "Context" menu holding the popup
    HMENU popup_ = nullptr;  // destroyed with menuBar_
    UniqueFont font_;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    bool quitOnClose_ = false;
    bool busy_ = false;           // a scan or a command runs; others wait their turn
    bool settingsSaved_ = false;  // on close or when the session ends, whichever comes first
    long looked_ = -1;            // registrations the last scan looked at; -1 when it did not run
    ChangeRecord changes_{DefaultBackupFolder(), {}};
};
