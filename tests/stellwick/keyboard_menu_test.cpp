// Keys, column clicks and the context menu.
#include "tests/stellwick/stellwick_fixture.h"

namespace {

TEST_F(Stellwick, RefreshResetsTheSortAndModifiersMustMatchExactly) {
    Register(L"b.exe", kMissing + L"a.exe");
    Register(L"a.exe", kMissing + L"b.exe");
    WaitForFirstScan();
    ClickHeader(2);
    EXPECT_EQ((std::vector<std::wstring>{L"b.exe", L"a.exe"}), Column(1));
    ClickHeader(2);
    EXPECT_EQ((std::vector<std::wstring>{L"a.exe", L"b.exe"}), Column(1));
    EXPECT_EQ(kDescending, window.List().Order());
    ClickHeader(1);
    EXPECT_EQ(0, window.List().SortKey());
    EXPECT_EQ(kAscending, window.List().Order());
    ClickHeader(2);

    Register(L"c.exe", kMissing + L"c.exe");
    Press(VK_F5, 1);  // Shift+F5 does nothing
    EXPECT_EQ(2, window.List().RowCount());
    Press(VK_F5);
    EXPECT_EQ((std::vector<std::wstring>{L"a.exe", L"b.exe", L"c.exe"}), Column(1));
    EXPECT_EQ(0, window.List().SortKey());

    Select({});
    Press('A', 3);  // Ctrl+Shift+A
    EXPECT_TRUE(GetSelectedIndices(window.List()).empty());
    Press('A', 2);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), GetSelectedIndices(window.List()));
    Press(VK_DELETE, 2);  // Ctrl+Delete
    EXPECT_TRUE(outside.messages.empty());
    Press(VK_F1, 1);
    EXPECT_EQ(1, outside.aboutBoxes);
    Press(VK_F1);
    EXPECT_EQ(1, outside.readMes);
    Press(VK_ESCAPE, 1);  // Shift+Esc
    EXPECT_TRUE(IsWindow(window.Handle()));
    Press(VK_ESCAPE);
    EXPECT_FALSE(IsWindow(window.Handle()));
}

TEST_F(Stellwick, ContextMenuFollowsTheSelection) {
    Register(L"a.exe", kMissing + L"a.exe");
    Register(L"b.exe", kMissing + L"b.exe");
    WaitForFirstScan();
    RightClickRow(1);
    EXPECT_EQ(1, outside.popups);
    EXPECT_TRUE(outside.fixEnabled);
    EXPECT_TRUE(outside.deleteEnabled);
    EXPECT_EQ(static_cast<UINT>(TPM_LEFTALIGN | TPM_RIGHTBUTTON), outside.popupFlags);
    Select({1, 2});
    RightClickRow(2);
    EXPECT_EQ(2, outside.popups);
    EXPECT_FALSE(outside.fixEnabled);
    EXPECT_TRUE(outside.deleteEnabled);
    RightClickRow(1, 1);  // with Shift held: nothing
    RECT last = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(window.List().Handle(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&last));
    RightClickAt({5, last.bottom + 10});  // empty space below the rows: nothing
    Select({});
    RightClickRow(1);  // nothing selected: nothing
    EXPECT_EQ(2, outside.popups);
}

TEST_F(Stellwick, ShiftF10AndTheMenuKeyOpenTheMenuBesideTheFocusedRow) {
    Register(L"a.exe", kMissing + L"a.exe");
    Register(L"b.exe", kMissing + L"b.exe");
    WaitForFirstScan();
    Select({1, 2});
    LVITEMW focus = {};
    focus.stateMask = focus.state = LVIS_FOCUSED;
    SendMessageW(window.List().Handle(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&focus));
    Press(VK_F10, kShift);
    ASSERT_EQ(1, outside.popups);
    EXPECT_FALSE(outside.fixEnabled);
    EXPECT_TRUE(outside.deleteEnabled);
    RECT row = {LVIR_LABEL, 0, 0, 0};
    SendMessageW(window.List().Handle(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    POINT below = {row.left, row.bottom};
    ClientToScreen(window.List().Handle(), &below);
    EXPECT_EQ(below.x, outside.popupPoint.x);
    EXPECT_EQ(below.y, outside.popupPoint.y);
    Select({2});
    Press(VK_APPS);
    EXPECT_EQ(2, outside.popups);
    EXPECT_TRUE(outside.fixEnabled);
    Press(VK_F10);
    Press(VK_APPS, kCtrl);
    Select({});
    Press(VK_APPS);
    EXPECT_EQ(2, outside.popups);
}

TEST_F(Stellwick, EnterFixesTheOnlySelectedRow) {
    Register(L"a.exe", kMissing + L"a.exe");
    Register(L"b.exe", kMissing + L"b.exe");
    WaitForFirstScan();
    outside.choice = L"D:\\New\\b.exe";
    Select({1, 2});
    Press(VK_RETURN);
    Select({2});
    Press(VK_RETURN, kShift);
    EXPECT_TRUE(outside.owners.empty());  // no dialog
    Press(VK_RETURN);
    EXPECT_EQ(L"D:\\New\\b.exe", DefaultValue(L"b.exe"));
}

// The header of the sorted column shows the sort arrow, and only that header.
TEST_F(Stellwick, TheSortedColumnShowsItsArrow) {
    WaitForFirstScan();
    HWND header = reinterpret_cast<HWND>(SendMessageW(window.List().Handle(), LVM_GETHEADER, 0, 0));
    auto arrows = [header] {
        std::vector<int> out;
        for (int i = 0; i < 3; ++i) {
            HDITEMW item = {};
            item.mask = HDI_FORMAT;
            SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
            out.push_back(item.fmt & (HDF_SORTUP | HDF_SORTDOWN));
        }
        return out;
    };
    EXPECT_EQ((std::vector<int>{HDF_SORTUP, 0, 0}), arrows());
    ClickHeader(3);
    EXPECT_EQ((std::vector<int>{0, 0, HDF_SORTUP}), arrows());
    ClickHeader(3);
    EXPECT_EQ((std::vector<int>{0, 0, HDF_SORTDOWN}), arrows());
    Press(VK_F5);
    EXPECT_EQ((std::vector<int>{HDF_SORTUP, 0, 0}), arrows());
}

}  // namespace
