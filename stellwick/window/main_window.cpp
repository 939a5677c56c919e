#include "stellwick/window/main_window.h"
#include "stellwick/core/scan.h"
#include "stellwick/core/texts.h"
#include "stellwick/window/background_job.h"
#include "stellwick/window/commands.h"
#include "stellwick/window/list_view_support.h"
#include "stellwick/window/rows.h"
#include "stellwick/window/window_dpi.h"
#include "stellwick/window/window_settings.h"
#include "support/zerbanesupport.h"
#include "support/twips.h"
#include "support/zerbanesupportfbe.h"
#include <commctrl.h>
#include <algorithm>
#include <memory>
#include <utility>

namespace {

const wchar_t kWindowClass[] = L"StellwickMainWindow";
const UINT_PTR kInitTimer = 1;

// Design sizes, in twips.
const int kClientWidth = 10335, kClientHeight = 4575;
const RECT kLabel = {180, 120, 180 + 1635, 120 + 210};
const RECT kList = {60, 480, 60 + 10215, 480 + 4035};
struct Column {
    UINT header;
    float width;
};
const Column kColumns[] = {
    {IDS_COLUMN_NAME, 2955}, {IDS_COLUMN_PATH, 6945}, {IDS_COLUMN_SCOPE, 2100}, {IDS_COLUMN_REASON, 2400}};

HFONT MakeFont(UINT dpi) {
    return CreateFontW(-MulDiv(9, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, RUSSIAN_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
}

// A child's bounds in its parent's client coordinates.
RECT ChildRect(HWND child, HWND parent) {
    RECT rc = {};
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// Holds a flag up for a scope: the window is busy while a scan or a command runs.
class Busy {
public:
    explicit Busy(bool& flag) : flag_(flag), before_(std::exchange(flag, true)) {}
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
    ~Busy() { flag_ = before_; }

private:
    bool& flag_;
    bool before_;
};

}  // namespace

// The window goes first: its controls use the font, and the menu is not its own.
MainWindow::~MainWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
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

    // The window opens on the main screen; a monitor with another DPI tells it when it moves there.
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    const float twipsPerPixel = TwipsPerPixelAt(ScreenDpi());
    RECT frame = {0, 0, LayoutPixels(kClientWidth, twipsPerPixel), LayoutPixels(kClientHeight, twipsPerPixel)};
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

// Key preview: the window sees every key press before the list does, and lets it through
// unless it opened the context menu.
LRESULT CALLBACK MainWindow::ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
    if ((msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) &&
        reinterpret_cast<MainWindow*>(self)->OnKeyDown(static_cast<UINT>(wp), CurrentShiftState()))
        return 0;
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
            Refresh();
        }
        return 0;
    case WM_SIZE:
        OnResize();
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
        return 0;
    case WM_SETFOCUS:
        // The list is the window's only control that takes the focus, as on a form.
        if (list_.Handle()) SetFocus(list_.Handle());
        return 0;
    case WM_SETCURSOR:
        if (ShowsBusyCursor(LOWORD(lp))) return TRUE;
        break;
    case WM_PAINT:
        asPaintDesktop2(hwnd_);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (OnKeyDown(static_cast<UINT>(wp), CurrentShiftState())) return 0;
        break;
    case WM_COMMAND:
        if (LOWORD(wp) >= kMenuCommandBase && LOWORD(wp) <= kMenuCommandBase + kMenuUndo) {
            OnMenu(LOWORD(wp) - kMenuCommandBase);
            return 0;
        }
        break;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lp));
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session ends without a close: the settings are saved as on close.
        if (wp) SaveSettingsOnce();
        return 0;
    case WM_DESTROY:
        SaveSettingsOnce();
        if (quitOnClose_) PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        return OnNcDestroy(wp, lp);
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

// The hourglass while a scan or a re-check runs on its own thread.
bool MainWindow::ShowsBusyCursor(WORD hitTest) const {
    if (!busy_ || hitTest != HTCLIENT) return false;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

// Rows that could not be proved broken are drawn in the system's grey text colour.
LRESULT MainWindow::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && IsUnverifiableRowData(draw.nmcd.lItemlParam))
        draw.clrText = GetSysColor(COLOR_GRAYTEXT);
    return CDRF_DODEFAULT;
}

LRESULT MainWindow::OnNotify(NMHDR& hdr) {
    if (hdr.hwndFrom != list_.Handle()) return 0;
    if (hdr.code == NM_CUSTOMDRAW) return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(hdr));
    if (hdr.code == LVN_COLUMNCLICK) OnColumnClick(reinterpret_cast<const NMLISTVIEW&>(hdr).iSubItem);
    if (hdr.code == NM_RCLICK) OnRightClick(reinterpret_cast<const NMITEMACTIVATE&>(hdr).ptAction);
    return 0;
}

// The last message: the object lets go of the window before the default handling.
LRESULT MainWindow::OnNcDestroy(WPARAM wp, LPARAM lp) {
    HWND hwnd = hwnd_;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    return DefWindowProcW(hwnd, WM_NCDESTROY, wp, lp);
}

int MainWindow::Px(double twips) const { return LayoutPixels(twips, TwipsPerPixelAt(dpi_)); }

void MainWindow::OnCreate() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    dpi_ = WindowDpi(hwnd_);
    font_.Reset(MakeFont(dpi_));
    label_ = CreateWindowExW(0, L"STATIC", Text(IDS_LABEL).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 0, 0, hwnd_,
                             nullptr, instance, nullptr);
    SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    PlaceLabel();
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT |
                                LVS_SHOWSELALWAYS, Px(kList.left), Px(kList.top), Px(kList.right - kList.left),
                                Px(kList.bottom - kList.top), hwnd_, nullptr, instance, nullptr);
    list_.Attach(list);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    SetWindowSubclass(list, &MainWindow::ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
    status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                              nullptr, instance, nullptr);
    SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);

    menuBar_.Reset(CreateMenu());
    popup_ = CreatePopupMenu();
    AppendMenuW(popup_, MF_STRING, kMenuCommandBase + kMenuFix, Text(IDS_MENU_FIX).c_str());
    AppendMenuW(popup_, MF_SEPARATOR, kMenuCommandBase + kMenuSeparator, nullptr);
    AppendMenuW(popup_, MF_STRING, kMenuCommandBase + kMenuDelete, Text(IDS_MENU_DELETE).c_str());
    AppendMenuW(popup_, MF_SEPARATOR, kMenuCommandBase + kMenuUndoSeparator, nullptr);
    AppendMenuW(popup_, MF_STRING, kMenuCommandBase + kMenuUndo, Text(IDS_MENU_UNDO).c_str());
    AppendMenuW(menuBar_.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup_), L"Context");  // never shown as a bar
    OnResize();
}

// The load sequence, once the window exists: a placement restored while the window was
// still being created would be maximised again by CreateWindowEx over its normal bounds.
void MainWindow::OnLoad() {
    if (!esIsInIDE()) asSetWindowResIconAll(hwnd_, L"A_MAIN");
    esFixUserControlsContainerWindow();
    SetupListView();
    FitWidthToColumns();
    LoadWindowSettings(hwnd_, list_);
    ModifyMenuW(popup_, kMenuCommandBase + kMenuDelete, MF_BYCOMMAND | MF_STRING, kMenuCommandBase + kMenuDelete,
                Text(IDS_MENU_DELETE_KEY).c_str());
    SetTimer(hwnd_, kInitTimer, 1, nullptr);
}

void MainWindow::PlaceLabel() {
    SetWindowPos(label_, nullptr, Px(kLabel.left), Px(kLabel.top), Px(kLabel.right - kLabel.left),
                 Px(kLabel.bottom - kLabel.top), SWP_NOZORDER | SWP_NOACTIVATE);
    FitLabelToText();
}

// Where Tahoma is missing a wider face stands in; the caption must still show whole.
void MainWindow::FitLabelToText() {
    wchar_t text[128] = {};
    int n = GetWindowTextW(label_, text, 128);
    UniqueWindowDc dc = WindowDcOf(label_);
    HGDIOBJ old = SelectObject(dc.Get().dc, font_.Get());
    SIZE size = {};
    GetTextExtentPoint32W(dc.Get().dc, text, n, &size);
    SelectObject(dc.Get().dc, old);
    RECT rc = ChildRect(label_, hwnd_);
    if (size.cx > rc.right - rc.left)
        SetWindowPos(label_, nullptr, 0, 0, size.cx + 2, (std::max)(static_cast<int>(size.cy), static_cast<int>(rc.bottom - rc.top)),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetupListView() {
    SetFullRowSelect(list_, true);
    SetGridLines(list_, true);
    SetLabelTip(list_, true);
    int n = 0;
    for (const Column& column : kColumns) {
        list_.AddColumn(Text(column.header));
        SetColumnWidthTwips(list_, ++n, column.width, TwipsPerPixelAt(dpi_));
    }
}

// The designed width is narrower than the designed columns: the window grows until every
// column shows whole beside a vertical scroll bar, at any DPI. A stored placement, restored
// after this, still wins.
void MainWindow::FitWidthToColumns() {
    int columns = 0;
    for (int c = 0; c < list_.ColumnCount(); ++c)
        columns += static_cast<int>(SendMessageW(list_.Handle(), LVM_GETCOLUMNWIDTH, c, 0));
    RECT outer, inner;
    if (!GetWindowRect(list_.Handle(), &outer) || !GetClientRect(list_.Handle(), &inner)) return;
    const int borders = (outer.right - outer.left) - inner.right;
    const int missing = columns + SystemMetricAt(SM_CXVSCROLL, dpi_) + borders - (outer.right - outer.left);
    RECT frame;
    if (missing <= 0 || !GetWindowRect(hwnd_, &frame)) return;
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left + missing, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The list keeps its left margin on the right and below, above the status bar.
void MainWindow::OnResize() {
    RECT client;
    if (!list_.Handle() || !status_ || !GetClientRect(hwnd_, &client)) return;
    SendMessageW(status_, WM_SIZE, 0, 0);  // the status bar places itself along the bottom
    const RECT status = ChildRect(status_, hwnd_);
    const RECT current = ChildRect(list_.Handle(), hwnd_);
    const int left = current.left, top = current.top;
    const int width = client.right - 2 * left, height = status.top - top - left;
    if (width < 0 || height < 0) return;  // too small (or minimised): keep the last bounds
    MoveWindow(list_.Handle(), left, top, width, height, TRUE);
}

// On a monitor with another DPI: the suggested bounds, the layout and font at the new DPI,
// and the columns as wide in twips as they were.
void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    if (dpi == 0) return;
    std::vector<double> twips;
    for (int c = 1; c <= list_.ColumnCount(); ++c)
        twips.push_back(static_cast<double>(SendMessageW(list_.Handle(), LVM_GETCOLUMNWIDTH, c - 1, 0)) *
                        TwipsPerPixelAt(dpi_));
    dpi_ = dpi;
    const UniqueFont old = std::exchange(font_, UniqueFont(MakeFont(dpi_)));  // freed once no control uses it
    for (HWND child : {label_, list_.Handle(), status_})
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
    PlaceLabel();
    const RECT list = ChildRect(list_.Handle(), hwnd_);
    MoveWindow(list_.Handle(), Px(kList.left), Px(kList.top), list.right - list.left, list.bottom - list.top, FALSE);
    for (size_t c = 0; c < twips.size(); ++c)
        SendMessageW(list_.Handle(), LVM_SETCOLUMNWIDTH, c, StoredTwipsToPixels(twips[c], TwipsPerPixelAt(dpi_)));
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    OnResize();
}

// The scan runs on its own thread: a registration on a network path that does not answer
// keeps the hourglass up, not the window frozen.
void MainWindow::Refresh() {
    if (busy_) return;  // the start-up timer while F5's scan runs, say
    Busy busy(busy_);
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    list_.Clear();
    SortByColumn(list_, 1);
    looked_ = -1;
    SetStatus(L"");
    auto result = std::make_shared<ScanResult>();
    const JobEnd end = RunInBackground(hwnd_, [result] { *result = ScanRegistrations(); });
    if (end == kWindowClosed) return;
    SetCursor(previous ? previous : LoadCursorW(nullptr, IDC_ARROW));
    // A key the scan could not read makes it a scan that did not run: it lists nothing.
    if (end == kJobFailed || !result->failures.empty()) {
        SetStatus(Text(IDS_STATUS_NOT_CHECKED));
        if (!result->failures.empty()) outside_.ShowMessage(hwnd_, FailureText(result->failures.front()), MB_OK | MB_ICONSTOP);
        return;
    }
    for (const Registration& registration : result->found) AddRegistrationRow(list_, registration);
    SelectOnlyItem(list_, 1);
    looked_ = result->looked;
    ShowRowCount();
}

void MainWindow::SetStatus(const std::wstring& text) {
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// After a scan, and after each command: the rows left are the errors found.
// Errors are the broken rows; the rows that could not be proved broken are counted apart.
void MainWindow::ShowRowCount() {
    if (!hwnd_ || looked_ < 0) return;
    int unverifiable = 0;
    for (int row = 1; row <= list_.RowCount(); ++row) unverifiable += IsUnverifiableRow(list_, row) ? 1 : 0;
    std::wstring text =
        Text(IDS_STATUS_COUNTS, {std::to_wstring(looked_), std::to_wstring(list_.RowCount() - unverifiable)});
    if (unverifiable > 0) text += L" " + Text(IDS_STATUS_UNVERIFIABLE, {std::to_wstring(unverifiable)});
    SetStatus(text);
}

bool MainWindow::OnKeyDown(UINT key, int shift) {
    // While a scan or a re-check runs, only closing the window is taken.
    if (busy_ && !(key == VK_ESCAPE && shift == kNoShift)) return false;
    if (key == 'A' && shift == kCtrl) SelectAllItems(list_);
    else if (key == VK_F5 && shift == kNoShift) Refresh();
    else if (key == VK_DELETE && shift == kNoShift) Delete();
    else if (key == 'Z' && shift == kCtrl) Undo();
    else if (key == VK_RETURN && shift == kNoShift && GetSelectedIndices(list_).size() == 1) Fix();
    else if (key == VK_F1 && shift == kShift) outside_.ShowAboutBox(hwnd_);
    else if (key == VK_F1 && shift == kNoShift) outside_.OpenReadMe();
    else if (key == VK_ESCAPE && shift == kNoShift) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    else if ((key == VK_F10 && shift == kShift) || (key == VK_APPS && shift == kNoShift)) {
        OpenMenuAtFocusedRow();
        return true;
    }
    return false;
}

void MainWindow::OnColumnClick(int column) {
    if (busy_) return;
    if (list_.SortKey() != column || !list_.Sorted()) {
        list_.SetSortKey(column);
        list_.SetSortOrder(kAscending);
        list_.SetSorted(true);
    } else {
        list_.SetSortOrder(list_.Order() == kAscending ? kDescending : kAscending);
    }
}

void MainWindow::OnRightClick(POINT listPoint) {
    if (busy_ || CurrentShiftState() != kNoShift) return;
    if (list_.RowAt(listPoint) == 0) return;
    POINT screen = listPoint;
    ClientToScreen(list_.Handle(), &screen);
    ShowContextMenu(GetSelectedIndices(list_).size(), screen);
}

// From the keyboard the menu opens below the focused row (or the first selected one).
void MainWindow::OpenMenuAtFocusedRow() {
    const std::vector<int> selected = GetSelectedIndices(list_);
    if (selected.empty()) return;
    const int focused = list_.FocusedRow();
    const int row = focused > 0 && list_.IsSelected(focused) ? focused : selected.front();
    list_.EnsureVisible(row);
    const RECT label = list_.RowLabel(row);
    POINT screen = {label.left, label.bottom};
    ClientToScreen(list_.Handle(), &screen);
    ShowContextMenu(selected.size(), screen);
}

void MainWindow::ShowContextMenu(size_t selected, POINT screen) {
    if (selected == 0) return;
    EnableMenuItem(popup_, kMenuCommandBase + kMenuFix, MF_BYCOMMAND | (selected == 1 ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(popup_, kMenuCommandBase + kMenuUndo,
                   MF_BYCOMMAND | (changes_.history.CanUndo() ? MF_ENABLED : MF_GRAYED));
    outside_.TrackPopup(popup_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen, hwnd_);
}

void MainWindow::OnMenu(int index) {
    if (busy_) return;
    if (index == kMenuFix) Fix();
    else if (index == kMenuDelete) Delete();
    else if (index == kMenuUndo) Undo();
}

void MainWindow::Fix() {
    {
        Busy busy(busy_);
        FixSelectedEntry(list_, hwnd_, outside_, changes_);
    }
    ShowRowCount();
}

void MainWindow::Delete() {
    {
        Busy busy(busy_);
        DeleteSelectedEntries(list_, hwnd_, outside_, changes_);
    }
    ShowRowCount();
}

void MainWindow::Undo() {
    bool undone = false;
    {
        Busy busy(busy_);
        undone = UndoLastChange(hwnd_, outside_, changes_);
    }
    if (undone && hwnd_) Refresh();
}

void MainWindow::SaveSettingsOnce() {
    if (settingsSaved_ || !hwnd_) return;
    settingsSaved_ = true;
    SaveWindowSettings(hwnd_, list_, dpi_);
}
