#include "stellwick/window/list_view.h"
#include <algorithm>
#include <vector>

namespace {

std::wstring ItemText(HWND list, int index, int subItem) {
    std::vector<wchar_t> buf(256);
    for (;;) {
        LVITEMW item = {};
        item.iSubItem = subItem;
        item.pszText = buf.data();
        item.cchTextMax = static_cast<int>(buf.size());
        int n = static_cast<int>(SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
                                              reinterpret_cast<LPARAM>(&item)));
        if (n < static_cast<int>(buf.size()) - 1 || buf.size() >= 65536) return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 4);
    }
}

int CompareText(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) - CSTR_EQUAL;
}

}  // namespace

int ListView::RowCount() const { return static_cast<int>(SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }

int ListView::ColumnCount() const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

bool ListView::MultiSelect() const { return !(GetWindowLongPtrW(hwnd_, GWL_STYLE) & LVS_SINGLESEL); }

bool ListView::IsSelected(int row) const {
    return SendMessageW(hwnd_, LVM_GETITEMSTATE, static_cast<WPARAM>(row - 1), LVIS_SELECTED) & LVIS_SELECTED;
}

void ListView::SetSelected(int row, bool selected) {
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(row - 1), reinterpret_cast<LPARAM>(&item));
}

std::wstring ListView::Text(int row, int column) const { return ItemText(hwnd_, row - 1, column - 1); }

LPARAM ListView::Data(int row) const {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row - 1;
    return SendMessageW(hwnd_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

void ListView::AddColumn(const std::wstring& header) {
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<wchar_t*>(header.c_str());
    col.cx = 100;
    col.iSubItem = ColumnCount();
    SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(col.iSubItem), reinterpret_cast<LPARAM>(&col));
}

int ListView::Compare(int indexA, const std::wstring& b) const {
    int c = CompareText(ItemText(hwnd_, indexA, sortKey_), b);
    return sortOrder_ == kDescending ? -c : c;
}

void ListView::AddRow(const std::vector<std::wstring>& texts, LPARAM data) {
    int position = RowCount();
    if (sorted_) {
        // After every row that sorts before or with the new one: equal rows keep their order.
        const std::wstring key = static_cast<size_t>(sortKey_) < texts.size() ? texts[sortKey_] : std::wstring();
        int lo = 0, hi = position;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (Compare(mid, key) <= 0) lo = mid + 1;
            else hi = mid;
        }
        position = lo;
    }
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = position;
    item.pszText = const_cast<wchar_t*>(texts.empty() ? L"" : texts[0].c_str());
    item.lParam = data;
    int index = static_cast<int>(SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) return;
    for (size_t column = 1; column < texts.size(); ++column) {
        LVITEMW sub = {};
        sub.iSubItem = static_cast<int>(column);
        sub.pszText = const_cast<wchar_t*>(texts[column].c_str());
        SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&sub));
    }
}

void ListView::RemoveRow(int row) { SendMessageW(hwnd_, LVM_DELETEITEM, static_cast<WPARAM>(row - 1), 0); }
void ListView::Clear() { SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0); }
void ListView::EnsureVisible(int row) { SendMessageW(hwnd_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row - 1), FALSE); }

int ListView::RowAt(POINT client) const {
    LVHITTESTINFO hit = {};
    hit.pt = client;
    int index = static_cast<int>(SendMessageW(hwnd_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return index >= 0 && (hit.flags & LVHT_ONITEM) ? index + 1 : 0;
}

int ListView::FocusedRow() const {
    return static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)) + 1;
}

RECT ListView::RowLabel(int row) const {
    RECT rc = {};
    rc.left = LVIR_LABEL;
    SendMessageW(hwnd_, LVM_GETITEMRECT, static_cast<WPARAM>(row - 1), reinterpret_cast<LPARAM>(&rc));
    return rc;
}

void ListView::SetSortKey(int key) { sortKey_ = key; SortChanged(); }
void ListView::SetSortOrder(SortOrder order) { sortOrder_ = order; SortChanged(); }
void ListView::SetSorted(bool sorted) { sorted_ = sorted; SortChanged(); }

void ListView::SortChanged() {
    ShowSortArrow();
    Resort();
}

// The arrow points up for ascending and down for descending, on the sorted column only.
void ListView::ShowSortArrow() {
    HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0));
    if (!header) return;
    const int columns = ColumnCount();
    for (int i = 0; i < columns; ++i) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (sorted_ && i == sortKey_) item.fmt |= sortOrder_ == kDescending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

void ListView::Resort() {
    if (!sorted_ || !hwnd_) return;
    // Read the rows, order them (stably) and write them back with their data and selection.
    struct Row {
        std::vector<std::wstring> texts;
        LPARAM data;
        UINT state;
    };
    std::vector<Row> rows;
    const int count = RowCount(), columns = ColumnCount();
    for (int i = 0; i < count; ++i) {
        Row row{{}, Data(i + 1),
                static_cast<UINT>(SendMessageW(hwnd_, LVM_GETITEMSTATE, static_cast<WPARAM>(i),
                                               LVIS_SELECTED | LVIS_FOCUSED))};
        for (int c = 0; c < columns; ++c) row.texts.push_back(ItemText(hwnd_, i, c));
        rows.push_back(std::move(row));
    }
    const size_t key = static_cast<size_t>(sortKey_);
    const bool descending = sortOrder_ == kDescending;
    auto keyText = [key](const Row& r) { return key < r.texts.size() ? r.texts[key] : std::wstring(); };
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
        int c = CompareText(keyText(a), keyText(b));
        return descending ? c > 0 : c < 0;
    });
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < count; ++i) {
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        item.lParam = rows[i].data;
        SendMessageW(hwnd_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (size_t c = 0; c < rows[i].texts.size(); ++c) {
            LVITEMW text = {};
            text.iSubItem = static_cast<int>(c);
            text.pszText = const_cast<wchar_t*>(rows[i].texts[c].c_str());
            SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text));
        }
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = rows[i].state;
        SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&state));
    }
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}
