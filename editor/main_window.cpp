#include "editor/main_window.h"
#include "editor/app_paths.h"
#include "editor/list_view_support.h"
#include "editor/window_settings.h"
#include "support/zerbanesupport.h"
#include "support/twips.h"
#include "support/zerbanesupportfbe.h"
#include <commctrl.h>
#include <algorithm>

namespace {

const wchar_t kWindowClass[] = L"StellwickMainWindow";
const UINT_PTR kInitTimer = 1;

// Design sizes, in twips.
const int kClientWidth = 10335, kClientHeight = 4575;
const RECT kLabel = {180, 120, 180 + 1635, 120 + 210};
const RECT kList = {60, 480, 60 + 10215, 480 + 4035};

}  // namespace

int TwipsToPixelsX(double twips) { return LayoutPixels(twips, esScreenTwipsPerPixelX()); }

int TwipsToPixelsY(double twips) { return LayoutPixels(twips, esScreenTwipsPerPixelY()); }

MainWindow::~MainWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (menuBar_) DestroyMenu(menuBar_);
    if (font_) DeleteObject(font_);
}

HWND MainWindow::Create(bool quitOnClose) {
    quitOnClose_ = quitOnClose;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &MainWindow::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);  // fails harmlessly when already registered

    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT frame = {0, 0, TwipsToPixelsX(kClientWidth), TwipsToPixelsY(kClientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    hwnd_ = CreateWindowExW(0, kWindowClass, L"Stellwick", style, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
    if (hwnd_) OnLoad();
    return hwnd_;
}

void MainWindow::Show(int show) {
    // A restored placement has already shown the window, maximised perhaps; showing it
    // again the way it was started would undo that.
    if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, show);
    UpdateWindow(hwnd_);
}

int MainWindow::CurrentShiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? kShift : 0) | (GetKeyState(VK_CONTROL) < 0 ? kCtrl : 0) |
           (GetKeyState(VK_MENU) < 0 ? kAlt : 0);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->Handle(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

// Key preview: the window sees every key press before the list does, and lets it through.
LRESULT CALLBACK MainWindow::ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
    if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN)
        reinterpret_cast<MainWindow*>(self)->OnKeyDown(static_cast<UINT>(wp), CurrentShiftState());
    return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_TIMER:
        if (wp == kInitTimer) {
            KillTimer(hwnd_, kInitTimer);
            RefreshAppPaths(list_);
        }
        return 0;
    case WM_SIZE:
        OnResize();
        return 0;
    case WM_SETFOCUS:
        // The list is the window's only control that takes the focus, as on a form.
        if (list_.Handle()) SetFocus(list_.Handle());
        return 0;
    case WM_PAINT:
        asPaintDesktop2(hwnd_);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        OnKeyDown(static_cast<UINT>(wp), CurrentShiftState());
        break;
    case WM_COMMAND:
        if (LOWORD(wp) >= kMenuCommandBase && LOWORD(wp) <= kMenuCommandBase + kMenuUndo) {
            OnMenu(LOWORD(wp) - kMenuCommandBase);
            return 0;
        }
        break;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->hwndFrom == list_.Handle()) {
            if (hdr->code == LVN_COLUMNCLICK) OnColumnClick(reinterpret_cast<NMLISTVIEW*>(lp)->iSubItem);
            if (hdr->code == NM_RCLICK) OnRightClick(reinterpret_cast<NMITEMACTIVATE*>(lp)->ptAction);
        }
        break;
    }
    case WM_DESTROY:
        SaveWindowSettings(hwnd_, list_);
        if (quitOnClose_) PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        HWND hwnd = hwnd_;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

void MainWindow::OnCreate() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HDC dc = GetDC(hwnd_);
    font_ = CreateFontW(-MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                        L"Tahoma");
    ReleaseDC(hwnd_, dc);

    label_ = CreateWindowExW(0, L"STATIC", L"Ошибки в AppPath:", WS_CHILD | WS_VISIBLE | SS_LEFT,
                             TwipsToPixelsX(kLabel.left), TwipsToPixelsY(kLabel.top),
                             TwipsToPixelsX(kLabel.right - kLabel.left), TwipsToPixelsY(kLabel.bottom - kLabel.top),
                             hwnd_, nullptr, instance, nullptr);
    listBounds_ = {TwipsToPixelsX(kList.left), TwipsToPixelsY(kList.top), TwipsToPixelsX(kList.right),
                   TwipsToPixelsY(kList.bottom)};
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT |
                                LVS_SHOWSELALWAYS, listBounds_.left, listBounds_.top,
                                listBounds_.right - listBounds_.left, listBounds_.bottom - listBounds_.top, hwnd_,
                                nullptr, instance, nullptr);
    list_.Attach(list);
    SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    FitLabelToText();
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SetWindowSubclass(list, &MainWindow::ListProc, 1, reinterpret_cast<DWORD_PTR>(this));

    menuBar_ = CreateMenu();
    popup_ = CreatePopupMenu();
    AppendMenuW(popup_, MF_STRING, kMenuCommandBase + kMenuFix, L"Выбрать файл...");
    AppendMenuW(popup_, MF_SEPARATOR, kMenuCommandBase + kMenuSeparator, nullptr);
    AppendMenuW(popup_, MF_STRING, kMenuCommandBase + kMenuDelete, L"Удалить");
    AppendMenuW(popup_, MF_SEPARATOR, kMenuCommandBase + kMenuUndoSeparator, nullptr);
    AppendMenuW(popup_, MF_STRING, kMenuCommandBase + kMenuUndo, L"Отменить\tCtrl+Z");
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup_), L"Context");  // never shown as a bar
}

// The load sequence, once the window exists: a placement restored while the window was
// still being created would be maximised again by CreateWindowEx over its normal bounds.
void MainWindow::OnLoad() {
    if (!esIsInIDE()) asSetWindowResIconAll(hwnd_, L"A_MAIN");
    esFixUserControlsContainerWindow();
    SetupListView();
    LoadWindowSettings(hwnd_, list_);
    ModifyMenuW(popup_, kMenuCommandBase + kMenuDelete, MF_BYCOMMAND | MF_STRING, kMenuCommandBase + kMenuDelete,
                L"Удалить\tDel");
    SetTimer(hwnd_, kInitTimer, 1, nullptr);
}

// Where Tahoma is missing a wider face stands in; the caption must still show whole.
void MainWindow::FitLabelToText() {
    wchar_t text[128] = {};
    int n = GetWindowTextW(label_, text, 128);
    HDC dc = GetDC(label_);
    HGDIOBJ old = SelectObject(dc, font_);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, n, &size);
    SelectObject(dc, old);
    ReleaseDC(label_, dc);
    RECT rc;
    GetWindowRect(label_, &rc);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
    if (size.cx > rc.right - rc.left)
        SetWindowPos(label_, nullptr, 0, 0, size.cx + 2, (std::max)(static_cast<int>(size.cy), static_cast<int>(rc.bottom - rc.top)),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetupListView() {
    SetFullRowSelect(list_, true);
    SetGridLines(list_, true);
    SetLabelTip(list_, true);
    list_.AddColumn(L"Короткое имя");
    SetColumnWidthTwips(list_, 1, 2955);
    list_.AddColumn(L"Полное имя EXE файла");
    SetColumnWidthTwips(list_, 2, 6945);
}

void MainWindow::OnResize() {
    RECT client;
    if (!list_.Handle() || !GetClientRect(hwnd_, &client)) return;
    RECT current;
    GetWindowRect(list_.Handle(), &current);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&current), 2);
    const int left = current.left, top = current.top;
    const int width = client.right - 2 * left, height = client.bottom - top - left;
    if (width < 0 || height < 0) return;  // too small (or minimised): keep the last bounds
    MoveWindow(list_.Handle(), left, top, width, height, TRUE);
}

void MainWindow::OnKeyDown(UINT key, int shift) {
    if (key == 'A' && shift == kCtrl) SelectAllItems(list_);
    else if (key == VK_F5 && shift == kNoShift) RefreshAppPaths(list_);
    else if (key == VK_DELETE && shift == kNoShift) DeleteSelectedEntries(list_, hwnd_, outside_, changes_);
    else if (key == 'Z' && shift == kCtrl) UndoLastChange(list_, hwnd_, outside_, changes_);
    else if (key == VK_F1 && shift == kShift) outside_.ShowAboutBox(hwnd_);
    else if (key == VK_F1 && shift == kNoShift) outside_.OpenReadMe();
    else if (key == VK_ESCAPE && shift == kNoShift) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::OnColumnClick(int column) {
    if (list_.SortKey() != column || !list_.Sorted()) {
        list_.SetSortKey(column);
        list_.SetSortOrder(kAscending);
        list_.SetSorted(true);
    } else {
        list_.SetSortOrder(list_.Order() == kAscending ? kDescending : kAscending);
    }
}

void MainWindow::OnRightClick(POINT listPoint) {
    if (CurrentShiftState() != kNoShift) return;
    if (list_.RowAt(listPoint) == 0) return;
    std::vector<int> selected = GetSelectedIndices(list_);
    if (selected.empty()) return;
    EnableMenuItem(popup_, kMenuCommandBase + kMenuFix, MF_BYCOMMAND | (selected.size() == 1 ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(popup_, kMenuCommandBase + kMenuUndo,
                   MF_BYCOMMAND | (changes_.history.CanUndo() ? MF_ENABLED : MF_GRAYED));
    POINT screen = listPoint;
    ClientToScreen(list_.Handle(), &screen);
    outside_.TrackPopup(popup_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen, hwnd_);
}

void MainWindow::OnMenu(int index) {
    if (index == kMenuFix) FixSelectedEntry(list_, hwnd_, outside_, changes_);
    else if (index == kMenuDelete) DeleteSelectedEntries(list_, hwnd_, outside_, changes_);
    else if (index == kMenuUndo) UndoLastChange(list_, hwnd_, outside_, changes_);
}
