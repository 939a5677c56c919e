#include "editor/window_settings.h"
#include "editor/automation_objects.h"
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
        settings->LoadListViewColumns2(Bstr(kListName).Get(), &listRef, app.Get(), VARIANT_TRUE);
    }
}

void SaveWindowSettings(HWND window, const ListView& list) {
    ComPtr<_zbnZerbaneSettings2> settings = NewSettings();
    ComPtr<IDispatch> app = MakeAppObject();
    ComPtr<IDispatch> form = MakeWindowObject(window, kFormName);
    ComPtr<IDispatch> listObject = MakeListViewObject(list, kListName);
    if (!settings || !app || !form || !listObject) return;
    IDispatch* formRef = form.Get();
    VARIANT_BOOL saved = VARIANT_FALSE;
    settings->SaveFormPlacement2(Bstr(L"").Get(), Bstr(kPlacementValue).Get(), &formRef, app.Get(), VARIANT_TRUE, &saved);
    IDispatch* listRef = listObject.Get();
    settings->SaveListViewColumns2(Bstr(kListName).Get(), &listRef, app.Get(), VARIANT_TRUE);
}
