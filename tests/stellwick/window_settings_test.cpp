// The window's layout, and the placement and column widths it remembers.
#include "tests/stellwick/stellwick_fixture.h"

namespace {

TEST_F(Stellwick, WindowLayoutAtStart) {
    wchar_t title[64] = {};
    GetWindowTextW(window.Handle(), title, 64);
    EXPECT_STREQ(L"Stellwick", title);
    ListView& list = window.List();
    EXPECT_EQ(4, list.ColumnCount());
    EXPECT_EQ(2955 / TwipsPerPixelX(), SendMessageW(list.Handle(), LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_EQ(6945 / TwipsPerPixelX(), SendMessageW(list.Handle(), LVM_GETCOLUMNWIDTH, 1, 0));
    DWORD ex = static_cast<DWORD>(SendMessageW(list.Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_LABELTIP),
              ex & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_LABELTIP));
    EXPECT_TRUE(list.MultiSelect());
    wchar_t caption[64] = {};
    GetMenuStringW(window.ContextMenu(), kMenuCommandBase + kMenuDelete, caption, 64, MF_BYCOMMAND);
    EXPECT_STREQ(L"Удалить\tDel", caption);
    // Centred on the work area.
    RECT rc, work;
    GetWindowRect(window.Handle(), &rc);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((work.left + work.right) / 2, (rc.left + rc.right) / 2, 1);

    // Every column shows whole, beside the vertical scroll bar of a long list.
    window.Show(SW_SHOWNORMAL);
    WaitForFirstScan();
    for (int i = 0; i < 200; ++i) list.AddRow({L"row" + std::to_wstring(i), kMissing, L"x", L"y"}, 0);
    Pump();
    int columns = 0;
    for (int c = 0; c < list.ColumnCount(); ++c)
        columns += static_cast<int>(SendMessageW(list.Handle(), LVM_GETCOLUMNWIDTH, c, 0));
    RECT client;
    GetClientRect(list.Handle(), &client);
    const LONG style = GetWindowLongW(list.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_FALSE(style & WS_HSCROLL);
    EXPECT_LE(columns, client.right);
}

TEST_F(Stellwick, TooSmallAWindowKeepsTheListsLastBounds) {
    RECT before, after;
    SetWindowPos(window.Handle(), nullptr, 0, 0, 700, 400, SWP_NOZORDER | SWP_NOMOVE);
    GetWindowRect(window.List().Handle(), &before);
    SetWindowPos(window.Handle(), nullptr, 0, 0, 30, 30, SWP_NOZORDER | SWP_NOMOVE);
    GetWindowRect(window.List().Handle(), &after);
    EXPECT_EQ(before.right - before.left, after.right - after.left);
    EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
}

TEST_F(Stellwick, ReopensWhereItWasClosedWithTheColumnWidthsLeft) {
    // First start: centred with the designed widths (checked above); now move, resize,
    // change the columns and close.
    SetWindowPos(window.Handle(), nullptr, 40, 30, 600, 350, SWP_NOZORDER);
    SendMessageW(window.List().Handle(), LVM_SETCOLUMNWIDTH, 0, 150);
    SendMessageW(window.List().Handle(), LVM_SETCOLUMNWIDTH, 1, 300);
    RECT closed;
    GetWindowRect(window.Handle(), &closed);
    Press(VK_ESCAPE);
    ASSERT_FALSE(IsWindow(window.Handle()));
    UniqueHKey k;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, (kSettingsKey + L"\\Version 1.1\\frmMain").c_str(), 0,
                                           KEY_READ, k.Put()));
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(k.Get(), L"Window placement", nullptr, &type, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(44u, size);
    k.Reset();
    DWORD twips = 0;
    size = sizeof(twips);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, (kSettingsKey + L"\\Version 1.1\\lvAppPath").c_str(),
                                          L"Column 1 Width", RRF_RT_REG_DWORD, nullptr, &twips, &size));
    EXPECT_EQ(static_cast<DWORD>(PixelsToTwips(150, ScreenTwipsPerPixel())), twips);

    MainWindow second(outside);
    ASSERT_TRUE(second.Create(false));
    RECT reopened;
    GetWindowRect(second.Handle(), &reopened);
    EXPECT_TRUE(EqualRect(&closed, &reopened));
    EXPECT_EQ(150, SendMessageW(second.List().Handle(), LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_EQ(300, SendMessageW(second.List().Handle(), LVM_GETCOLUMNWIDTH, 1, 0));

    // Closed maximised, it reopens maximised, however it is started, and restores to where
    // it was before.
    second.Show(SW_SHOWNORMAL);
    ShowWindow(second.Handle(), SW_MAXIMIZE);
    Pump();
    DestroyWindow(second.Handle());
    MainWindow third(outside);
    ASSERT_TRUE(third.Create(false));
    third.Show(SW_SHOWNORMAL);
    Pump();
    EXPECT_TRUE(IsZoomed(third.Handle()));
    RECT normal = NormalRect(third.Handle());
    EXPECT_TRUE(EqualRect(&closed, &normal));
}

// A column's stored width, 0 when none is stored.
DWORD StoredColumnTwips(int column) {
    DWORD twips = 0, size = sizeof(twips);
    RegGetValueW(HKEY_CURRENT_USER, (kSettingsKey + L"\\Version 1.1\\lvAppPath").c_str(),
                 (L"Column " + std::to_wstring(column) + L" Width").c_str(), RRF_RT_REG_DWORD, nullptr, &twips, &size);
    return twips;
}

// The settings are saved when the session ends, as on close, and only once.
TEST_F(Stellwick, SavesItsSettingsOnceWhenTheSessionEnds) {
    SendMessageW(window.List().Handle(), LVM_SETCOLUMNWIDTH, 2, 77);
    EXPECT_TRUE(SendMessageW(window.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    SendMessageW(window.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(static_cast<DWORD>(PixelsToTwips(77, ScreenTwipsPerPixel())), StoredColumnTwips(3));
    EXPECT_EQ(ERROR_SUCCESS, SHDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey.c_str()));
    DestroyWindow(window.Handle());
    HKEY k = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey.c_str(), 0, KEY_READ, &k));
}

// The DPI the prefix was set to for this run (WINE_TEST_DPI), 96 unless given.
UINT PrefixDpi() {
    wchar_t dpi[16] = {};
    return GetEnvironmentVariableW(L"WINE_TEST_DPI", dpi, 16) ? static_cast<UINT>(_wtoi(dpi)) : 96;
}

// What the designed twips give: the label's and the list's corners, the four column widths,
// the font's height, and the list's gap above the status bar (its left margin again).
std::vector<int> LayoutOf(MainWindow& window) {
    RECT label, list, status;
    GetWindowRect(FindWindowExW(window.Handle(), nullptr, L"Static", nullptr), &label);
    GetWindowRect(window.List().Handle(), &list);
    GetWindowRect(window.StatusBar(), &status);
    POINT corners[] = {{label.left, label.top}, {list.left, list.top}};
    MapWindowPoints(nullptr, window.Handle(), corners, 2);
    std::vector<int> out = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    for (int c = 0; c < 4; ++c)
        out.push_back(static_cast<int>(SendMessageW(window.List().Handle(), LVM_GETCOLUMNWIDTH, c, 0)));
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window.StatusBar(), WM_GETFONT, 0, 0)), sizeof(font), &font);
    out.push_back(font.lfHeight);
    out.push_back(status.top - list.bottom);
    return out;
}

const std::vector<int> kAt96 = {12, 8, 4, 32, 197, 463, 140, 160, -12, 4};
const std::vector<int> kAt144 = {18, 12, 6, 48, 295, 694, 210, 240, -18, 6};
const std::vector<int> kAt192 = {24, 16, 8, 64, 369, 868, 262, 300, -24, 8};

// Runs in the 96-DPI prefix and in prefixes of their own at 144 and 192 DPI.
TEST_F(Stellwick, DesignedSizesFollowTheWindowsDpi) {
    const UINT dpi = PrefixDpi();
    const std::vector<int>* expected = dpi == 96 ? &kAt96 : dpi == 144 ? &kAt144 : dpi == 192 ? &kAt192 : nullptr;
    if (!expected) GTEST_SKIP() << "sizes are known for 96, 144 and 192 DPI";
    ASSERT_EQ(dpi, window.Dpi());
    EXPECT_EQ(*expected, LayoutOf(window));
}

// Moved to a monitor of 144 DPI, the window takes the suggested bounds and scales its layout;
// the columns keep their widths in twips, as stored.
TEST_F(Stellwick, MovingToAnotherDpiScalesTheLayoutAndKeepsTheWidthsInTwips) {
    if (PrefixDpi() != 96) GTEST_SKIP() << "moves from 96 DPI";
    RECT suggested = {30, 20, 30 + 900, 20 + 600};  // fits any test screen
    SendMessageW(window.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT now;
    GetWindowRect(window.Handle(), &now);
    EXPECT_TRUE(EqualRect(&suggested, &now));
    EXPECT_EQ(kAt144, LayoutOf(window));
    Press(VK_ESCAPE);
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(static_cast<DWORD>(kAt96[3 + c] * 15), StoredColumnTwips(c));
}

}  // namespace
