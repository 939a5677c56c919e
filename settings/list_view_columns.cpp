// List view column widths, stored in twips as "Column n Width".
#include "settings/settings2.h"
#include "automation/arguments.h"
#include "support/twips.h"
#include "settings/app_object.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "settings/window_objects.h"
#include "support/zerbanesupportfbe.h"
#include <commctrl.h>

namespace {

Bstr ColumnValueName(long n) { return Bstr(L"Column " + std::to_wstring(n) + L" Width"); }

}  // namespace

STDMETHODIMP Settings2::SaveListViewColumns(BSTR SubKey, IDispatch** ListViewObject, BSTR AppTitle, LONG VerMajor,
                                            LONG VerMinor, VARIANT_BOOL UserSetting) {
    IDispatch* list = ObjectOf(ListViewObject);
    if (!list) return S_OK;
    long count = 0;
    if (FAILED(GetColumnCount(list, &count))) return S_OK;  // nothing is saved
    for (long n = 1; n <= count; ++n) {
        HWND hwnd = nullptr;
        if (FAILED(GetWindowHandle(list, &hwnd))) continue;
        const LRESULT width = SendMessageA(hwnd, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(n - 1), 0);
        const double pixels = static_cast<double>(width);
        const float twipsPerPixel = esScreenTwipsPerPixelX();
        if (!RoundsToLong(pixels * twipsPerPixel)) continue;
        Variant value = Variant::Long(PixelsToTwips(pixels, twipsPerPixel));
        VARIANT_BOOL ignored = VARIANT_FALSE;
        HRESULT hr = Self()->SaveSetting(SubKey, ColumnValueName(n).Get(), sdtLong, *value.Get(), AppTitle, VerMajor,
                                         VerMinor, UserSetting, &ignored);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

STDMETHODIMP Settings2::LoadListViewColumns(BSTR SubKey, IDispatch** ListViewObject, BSTR AppTitle, LONG VerMajor,
                                            LONG VerMinor, VARIANT_BOOL UserSetting) {
    IDispatch* list = ObjectOf(ListViewObject);
    if (!list) return S_OK;
    long count = 0;
    HRESULT hr = GetColumnCount(list, &count);
    if (FAILED(hr)) return hr;
    for (long n = 1; n <= count; ++n) {
        Variant def = Variant::Long(-1), stored, twips;
        VARIANT_BOOL found = VARIANT_FALSE;
        hr = Self()->LoadSetting(SubKey, ColumnValueName(n).Get(), sdtLong, *def.Get(), AppTitle, VerMajor, VerMinor,
                                 UserSetting, &found, stored.Get());
        if (FAILED(hr)) return hr;
        hr = VariantChangeType(twips.Get(), stored.Get(), 0, VT_I4);
        if (FAILED(hr)) return hr;
        if (V_I4(twips.Get()) < 0) continue;
        HWND hwnd = nullptr;
        if (FAILED(GetWindowHandle(list, &hwnd))) continue;  // errors of this column are ignored
        SendMessageA(hwnd, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(n - 1),
                     static_cast<LPARAM>(StoredTwipsToPixels(V_I4(twips.Get()), esScreenTwipsPerPixelX())));
    }
    return S_OK;
}

STDMETHODIMP Settings2::SaveListViewColumns2(BSTR SubKey, IDispatch** ListViewObject, IDispatch* AppObject,
                                             VARIANT_BOOL UserSetting) {
    return WithAppObject(AppObject, [&](BSTR title, LONG major, LONG minor) {
        return Self()->SaveListViewColumns(SubKey, ListViewObject, title, major, minor, UserSetting);
    });
}

STDMETHODIMP Settings2::LoadListViewColumns2(BSTR SubKey, IDispatch** ListViewObject, IDispatch* AppObject,
                                             VARIANT_BOOL UserSetting) {
    return WithAppObject(AppObject, [&](BSTR title, LONG major, LONG minor) {
        return Self()->LoadListViewColumns(SubKey, ListViewObject, title, major, minor, UserSetting);
    });
}
