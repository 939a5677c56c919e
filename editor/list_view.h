#pragma once
// A report list view control with the sort state a list keeps for itself: a sort key
// (0-based column), an order and a sorted flag; while sorting is on, rows are kept in order,
// also as they are appended. Rows carry their text and first sub-item; rows and columns
// here are numbered from 1.
#include <windows.h>
#include <commctrl.h>
#include <string>

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
    void AddColumn(const std::wstring& header);
    // Appends a row (or inserts it at its sorted place) with its text and first sub-item.
    void AddRow(const std::wstring& text, const std::wstring& subItem);
    void RemoveRow(int row);
    void Clear();
    void EnsureVisible(int row);
    // The row under a point in client coordinates, 0 for none.
    int RowAt(POINT client) const;

    int SortKey() const { return sortKey_; }
    SortOrder Order() const { return sortOrder_; }
    bool Sorted() const { return sorted_; }
    void SetSortKey(int key);
    void SetSortOrder(SortOrder order);
    void SetSorted(bool sorted);

private:
    int Compare(int indexA, const std::wstring& b) const;
    void Resort();

    HWND hwnd_ = nullptr;
    int sortKey_ = 0;
    SortOrder sortOrder_ = kAscending;
    bool sorted_ = false;
};
