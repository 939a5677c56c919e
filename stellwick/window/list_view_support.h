#pragma once
// Selection, sorting, column width and extended style routines for a report list.
// Rows and columns are numbered from 1.
#include "stellwick/window/list_view.h"
#include <vector>

std::vector<int> GetSelectedIndices(const ListView& list);
void SelectAllItems(ListView& list);
void SortByColumn(ListView& list, int column);
void SelectOnlyItem(ListView& list, int index);
// At the screen's twips per pixel, or at the given ones (a window's own DPI).
void SetColumnWidthTwips(ListView& list, int column, float width);
void SetColumnWidthTwips(ListView& list, int column, float width, float twipsPerPixel);
void SetExtendedStyle(ListView& list, DWORD mask, bool on);
void SetFullRowSelect(ListView& list, bool on);
void SetGridLines(ListView& list, bool on);
void SetLabelTip(ListView& list, bool on);
