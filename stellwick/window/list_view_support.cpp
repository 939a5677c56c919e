#include "stellwick/window/list_view_support.h"
#include "support/twips.h"
#include "support/zerbanesupportfbe.h"

std::vector<int> GetSelectedIndices(const ListView& list) {
    std::vector<int> selected;
    const int rows = list.RowCount();
    for (int i = 1; i <= rows; ++i)
        if (list.IsSelected(i)) selected.push_back(i);
    return selected;
}

void SelectAllItems(ListView& list) {
    const int rows = list.RowCount();
    for (int i = 1; i <= rows; ++i) list.SetSelected(i, true);
}

void SortByColumn(ListView& list, int column) {
    if (column < 1 || column > list.ColumnCount()) return;
    list.SetSortKey(column - 1);
    list.SetSortOrder(kAscending);
    list.SetSorted(true);
}

void SelectOnlyItem(ListView& list, int index) {
    const int rows = list.RowCount();
    if (rows == 0) return;
    if (list.MultiSelect())
        for (int i = 1; i <= rows; ++i) list.SetSelected(i, i == index);
    if (index < 1 || index > rows) return;
    if (!list.MultiSelect()) list.SetSelected(index, true);
    list.EnsureVisible(index);
}

void SetColumnWidthTwips(ListView& list, int column, float width) {
    SetColumnWidthTwips(list, column, width, esScreenTwipsPerPixelX());
}

void SetColumnWidthTwips(ListView& list, int column, float width, float twipsPerPixel) {
    if (column > list.ColumnCount() || column < 1) return;
    if (width < 0.0f) return;
    long pixels = TwipsToPixels(width, twipsPerPixel);
    SendMessageA(list.Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column - 1), static_cast<LPARAM>(pixels));
}

void SetExtendedStyle(ListView& list, DWORD mask, bool on) {
    SendMessageA(list.Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, mask, on ? mask : 0);
}

void SetFullRowSelect(ListView& list, bool on) { SetExtendedStyle(list, LVS_EX_FULLROWSELECT, on); }
void SetGridLines(ListView& list, bool on) { SetExtendedStyle(list, LVS_EX_GRIDLINES, on); }
void SetLabelTip(ListView& list, bool on) { SetExtendedStyle(list, LVS_EX_LABELTIP, on); }
