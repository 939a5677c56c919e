// The window's layout, and the placement and column widths it remembers.
#include "tests/editor/stellwick_fixture.h"

namespace {

TEST_F(Stellwick, WindowLayoutAtStart) {
    wchar_t title[64] = {};
    GetWindowTextW(window.Handle(), title, 64);
    EXPECT_STREQ(L"Stellwick", title);
    ListView& list = window.List();
    EXPECT_EQ(2, list.ColumnCount());
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
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, (kSettingsKey + L"\\Version 1.1\\frmMain").c_str(), 0,
                                           KEY_READ, &k));
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(k, L"Window placement", nullptr, &type, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(44u, size);
    RegCloseKey(k);
    DWORD twips = 0;
    size = sizeof(twips);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, (kSettingsKey + L"\\Version 1.1\\lvAppPath").c_str(),
                                          L"Column 1 Width", RRF_RT_REG_DWORD, nullptr, &twips, &size));
    EXPECT_EQ(static_cast<DWORD>(150 * TwipsPerPixelX()), twips);

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

}  // namespace
