#pragma once
// A report list view control with the sort state a list keeps for itself: a sort key
// (0-based column), an order and a sorted flag; while sorting is on, rows are kept in order,
// also as they are appended, and the sorted column's header shows the sort arrow. Rows carry
// a text per column and an item data value; rows and columns here are numbered from 1.
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

// The list control's sort orders, by their values.
enum SortOrder { kAscending = 0, kDescending = 1 };

class ListView {
public:
    void Attach(HWND list) { hwnd_ = list; }
    HWND Handle() const { return hwnd_; }

    int RowCount() const;
    int ColumnCount() const;
    bool MultiSelect() const;
    bool IsSelected(int row) const;
    void SetSelected(int row, bool selected);
    std::wstring Text(int row, int column) const;
    LPARAM Data(int row) const;
    void AddColumn(const std::wstring& header);
    // Appends a row (or inserts it at its sorted place) with a text per column and its data.
    void AddRow(const std::vector<std::wstring>& texts, LPARAM data);
    // A row of its text and first sub-item, with data 0.
    void AddRow(const std::wstring& text, const std::wstring& subItem) { AddRow({text, subItem}, 0); }
    void RemoveRow(int row);
    void Clear();
    void EnsureVisible(int row);
    // The row under a point in client coordinates, 0 for none.
    int RowAt(POINT client) const;
    // The row with the focus rectangle, 0 for none.
    int FocusedRow() const;
    // Where the row's first column shows, in client coordinates.
    RECT RowLabel(int row) const;

    int SortKey() const { return sortKey_; }
    SortOrder Order() const { return sortOrder_; }
    bool Sorted() const { return sorted_; }
    void SetSortKey(int key);
    void SetSortOrder(SortOrder order);
    void SetSorted(bool sorted);

private:
    int Compare(int indexA, const std::wstring& b) const;
    void SortChanged();
    void ShowSortArrow();
    void Resort();

    HWND hwnd_ = nullptr;
    int sortKey_ = 0;
    SortOrder sortOrder_ = kAscending;
    bool sorted_ = false;
};
