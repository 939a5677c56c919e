#include "stellwick/window/window_settings.h"
#include "stellwick/window/automation_objects.h"
#include "stellwick/window/list_view.h"
#include "stellwick/window/window_dpi.h"
#include "com/bstr.h"
#include "automation/tarnwell_idl.h"
#include "support/zerbanesupportfbe.h"

namespace {

const wchar_t kPlacementValue[] = L"Window placement";
const wchar_t kFormName[] = L"frmMain";
const wchar_t kListName[] = L"lvAppPath";

ComPtr<_zbnZerbaneSettings2> NewSettings() {
    ComPtr<_zbnZerbaneSettings2> settings;
    if (FAILED(CoCreateInstance(CLSID_zbnZerbaneSettings2, nullptr, CLSCTX_INPROC_SERVER, IID__zbnZerbaneSettings2,
                                settings.PutVoid())))
        settings.Reset();
    return settings;
}

// The store converts column widths with the screen's DPI: on a monitor with another, the
// widths it reads and writes are the window's scaled to the screen's.
std::vector<int> ColumnWidths(const ListView& list) {
    std::vector<int> widths;
    for (int c = 0; c < list.ColumnCount(); ++c)
        widths.push_back(static_cast<int>(SendMessageW(list.Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0)));
    return widths;
}

void SetColumnWidths(const ListView& list, const std::vector<int>& widths) {
    for (size_t c = 0; c < widths.size(); ++c)
        SendMessageW(list.Handle(), LVM_SETCOLUMNWIDTH, c, widths[c]);
}

void ScaleColumns(const ListView& list, UINT from, UINT to) {
    if (from == to) return;
    std::vector<int> widths = ColumnWidths(list);
    for (int& width : widths) width = MulDiv(width, static_cast<int>(to), static_cast<int>(from));
    SetColumnWidths(list, widths);
}

}  // namespace

void LoadWindowSettings(HWND window, const ListView& list) {
    ComPtr<_zbnZerbaneSettings2> settings = NewSettings();
    ComPtr<IDispatch> app = MakeAppObject();
    ComPtr<IDispatch> form = MakeWindowObject(window, kFormName);
    VARIANT_BOOL placed = VARIANT_FALSE;
    if (settings && app && form) {
        IDispatch* formRef = form.Get();
        settings->LoadFormPlacement2(Bstr(L"").Get(), Bstr(kPlacementValue).Get(), &formRef, app.Get(), VARIANT_FALSE,
                                     0.0f, 0.0f, VARIANT_TRUE, &placed);
    }
    if (placed == VARIANT_FALSE) esCenterFormEx(window, 0);
    ComPtr<IDispatch> listObject = MakeListViewObject(list, kListName);
    if (settings && app && listObject) {
        IDispatch* listRef = listObject.Get();
        // Read now: the restored placement may have put the window on a monitor of another DPI.
        const UINT dpi = WindowDpi(window);
        const UINT screen = ScreenDpi();
        ScaleColumns(list, dpi, screen);
        settings->LoadListViewColumns2(Bstr(kListName).Get(), &listRef, app.Get(), VARIANT_TRUE);
        ScaleColumns(list, screen, dpi);
    }
}

void SaveWindowSettings(HWND window, const ListView& list, UINT dpi) {
    ComPtr<_zbnZerbaneSettings2> settings = NewSettings();
    ComPtr<IDispatch> app = MakeAppObject();
    ComPtr<IDispatch> form = MakeWindowObject(window, kFormName);
    ComPtr<IDispatch> listObject = MakeListViewObject(list, kListName);
    if (!settings || !app || !form || !listObject) return;
    IDispatch* formRef = form.Get();
    VARIANT_BOOL saved = VARIANT_FALSE;
    settings->SaveFormPlacement2(Bstr(L"").Get(), Bstr(kPlacementValue).Get(), &formRef, app.Get(), VARIANT_TRUE, &saved);
    IDispatch* listRef = listObject.Get();
    const std::vector<int> shown = ColumnWidths(list);
    ScaleColumns(list, dpi, ScreenDpi());
    settings->SaveListViewColumns2(Bstr(kListName).Get(), &listRef, app.Get(), VARIANT_TRUE);
    SetColumnWidths(list, shown);
}
