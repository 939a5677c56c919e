#include "window_settings.h"
#include "automation_objects.h"
#include "com/bstr.h"
#include "main_window.h"
#include "tarnwell_idl.h"
#include "zerbanesupportfbe.h"

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

}  // namespace

void LoadWindowSettings(MainWindow& window) {
    ComPtr<_zbnZerbaneSettings2> settings = NewSettings();
    ComPtr<IDispatch> app = MakeAppObject();
    ComPtr<IDispatch> form = MakeWindowObject(window.Handle(), kFormName);
    VARIANT_BOOL placed = VARIANT_FALSE;
    if (settings && app && form) {
        IDispatch* formRef = form.Get();
        settings->LoadFormPlacement2(Bstr(L"").Get(), Bstr(kPlacementValue).Get(), &formRef, app.Get(), VARIANT_FALSE,
                                     0.0f, 0.0f, VARIANT_TRUE, &placed);
    }
    if (placed == VARIANT_FALSE) esCenterFormEx(window.Handle(), 0);
    ComPtr<IDispatch> list = MakeListViewObject(window.List(), kListName);
    if (settings && app && list) {
        IDispatch* listRef = list.Get();
        settings->LoadListViewColumns2(Bstr(kListName).Get(), &listRef, app.Get(), VARIANT_TRUE);
    }
}

void SaveWindowSettings(MainWindow& window) {
    ComPtr<_zbnZerbaneSettings2> settings = NewSettings();
    ComPtr<IDispatch> app = MakeAppObject();
    ComPtr<IDispatch> form = MakeWindowObject(window.Handle(), kFormName);
    ComPtr<IDispatch> list = MakeListViewObject(window.List(), kListName);
    if (!settings || !app || !form || !list) return;
    IDispatch* formRef = form.Get();
    VARIANT_BOOL saved = VARIANT_FALSE;
    settings->SaveFormPlacement2(Bstr(L"").Get(), Bstr(kPlacementValue).Get(), &formRef, app.Get(), VARIANT_TRUE, &saved);
    IDispatch* listRef = list.Get();
    settings->SaveListViewColumns2(Bstr(kListName).Get(), &listRef, app.Get(), VARIANT_TRUE);
}
