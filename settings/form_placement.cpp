// Window placement: the 44-byte WINDOWPLACEMENT record as one binary setting.
#include "settings/settings2.h"
#include "automation/arguments.h"
#include "support/twips.h"
#include "settings/app_object.h"
#include "com/bstr.h"
#include "com/error_info.h"
#include "com/variant.h"
#include "com/variant_util.h"
#include "settings/late_binding.h"
#include "settings/window_objects.h"
#include "support/zerbanesupportfbe.h"
#include <cstring>
#include <vector>

namespace {

static_assert(sizeof(WINDOWPLACEMENT) == 44, "the stored record is 44 bytes in every build");

// SubKey, or the form's "Name" when SubKey is empty.
HRESULT KeyFor(BSTR subKey, IDispatch* form, Bstr* key) {
    if (SysStringLen(subKey) > 0) {
        *key = Bstr(Bstr::ToString(subKey));
        return S_OK;
    }
    std::wstring name;
    HRESULT hr = GetTextProperty(form, L"Name", &name);
    if (SUCCEEDED(hr)) *key = Bstr(name);
    return hr;
}

HRESULT AddChecked(LONG base, LONG size, LONG* out) {
    long long sum = static_cast<long long>(base) + size;
    if (sum > 2147483647LL || sum < -2147483647LL - 1)
        return ReportError(DISP_E_OVERFLOW, IID__zbnZerbaneSettings2, L"The fixed size goes beyond the screen's range.");
    *out = static_cast<LONG>(sum);
    return S_OK;
}

}  // namespace

STDMETHODIMP Settings2::SaveFormPlacement(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, BSTR AppTitle,
                                          LONG VerMajor, LONG VerMinor, VARIANT_BOOL UserSetting,
                                          VARIANT_BOOL* lpSuccess) {
    SetFlag(lpSuccess, false);
    IDispatch* form = ObjectOf(FormObject);
    if (!form) return S_OK;
    HWND hwnd = nullptr;
    HRESULT hr = GetWindowHandle(form, &hwnd);
    if (FAILED(hr)) return hr;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(hwnd, &placement)) return S_OK;
    Variant bytes;
    SAFEARRAY* sa = nullptr;
    hr = MakeByteArray(reinterpret_cast<const uint8_t*>(&placement), sizeof(placement), &sa);
    if (FAILED(hr)) return hr;
    V_VT(bytes.Get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(bytes.Get()) = sa;
    Bstr key;
    hr = KeyFor(SubKey, form, &key);
    if (FAILED(hr)) return hr;
    return Self()->SaveSetting(key.Get(), ValueName, sdtBinary, *bytes.Get(), AppTitle, VerMajor, VerMinor, UserSetting,
                               lpSuccess);
}

STDMETHODIMP Settings2::LoadFormPlacementPx(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, BSTR AppTitle,
                                            LONG VerMajor, LONG VerMinor, VARIANT_BOOL SetMinimized, LONG FixedWidth,
                                            LONG FixedHeight, VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess) {
    SetFlag(lpSuccess, false);
    IDispatch* form = ObjectOf(FormObject);
    if (!form) return S_OK;
    Bstr key;
    HRESULT hr = KeyFor(SubKey, form, &key);
    if (FAILED(hr)) return hr;
    Variant missing, data;
    V_VT(missing.Get()) = VT_ERROR;
    V_ERROR(missing.Get()) = DISP_E_PARAMNOTFOUND;
    VARIANT_BOOL found = VARIANT_FALSE;
    hr = Self()->LoadSetting(key.Get(), ValueName, sdtBinary, *missing.Get(), AppTitle, VerMajor, VerMinor, UserSetting,
                             &found, data.Get());
    if (FAILED(hr)) return hr;
    if (found == VARIANT_FALSE) return S_OK;
    std::vector<uint8_t> bytes;
    if (data.Type() != (VT_ARRAY | VT_UI1) || FAILED(ReadByteArray(V_ARRAY(data.Get()), &bytes))) return S_OK;
    if (bytes.size() != sizeof(WINDOWPLACEMENT)) return S_OK;
    WINDOWPLACEMENT placement;
    memcpy(&placement, bytes.data(), sizeof(placement));
    if (placement.length != sizeof(placement)) return S_OK;
    esNormalizeRect(&placement.rcNormalPosition);
    if (SetMinimized != VARIANT_FALSE) placement.showCmd = SW_MINIMIZE;
    RECT& rc = placement.rcNormalPosition;
    if (FixedWidth > 0 && FAILED(hr = AddChecked(rc.left, FixedWidth, &rc.right))) return hr;
    if (FixedHeight > 0 && FAILED(hr = AddChecked(rc.top, FixedHeight, &rc.bottom))) return hr;
    HWND hwnd = nullptr;
    hr = GetWindowHandle(form, &hwnd);
    if (FAILED(hr)) return hr;
    SetFlag(lpSuccess, SetWindowPlacement(hwnd, &placement) != FALSE);
    return S_OK;
}

STDMETHODIMP Settings2::LoadFormPlacement(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, BSTR AppTitle,
                                          LONG VerMajor, LONG VerMinor, VARIANT_BOOL SetMinimized, float FixedWidth,
                                          float FixedHeight, VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess) {
    if (!RoundsToLong(FixedWidth) || !RoundsToLong(FixedHeight))
        return ReportError(DISP_E_OVERFLOW, IID__zbnZerbaneSettings2, L"The fixed size is out of range.");
    const long width = TwipsToPixels(FixedWidth, esScreenTwipsPerPixelX());
    const long height = TwipsToPixels(FixedHeight, esScreenTwipsPerPixelY());
    return Self()->LoadFormPlacementPx(SubKey, ValueName, FormObject, AppTitle, VerMajor, VerMinor, SetMinimized, width,
                                       height, UserSetting, lpSuccess);
}

STDMETHODIMP Settings2::SaveFormPlacement2(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, IDispatch* AppObject,
                                           VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess) {
    return WithAppObject(AppObject, [&](BSTR title, LONG major, LONG minor) {
        return Self()->SaveFormPlacement(SubKey, ValueName, FormObject, title, major, minor, UserSetting, lpSuccess);
    });
}

STDMETHODIMP Settings2::LoadFormPlacementPx2(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, IDispatch* AppObject,
                                             VARIANT_BOOL SetMinimized, LONG FixedWidth, LONG FixedHeight,
                                             VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess) {
    return WithAppObject(AppObject, [&](BSTR title, LONG major, LONG minor) {
        return Self()->LoadFormPlacementPx(SubKey, ValueName, FormObject, title, major, minor, SetMinimized,
                                           FixedWidth, FixedHeight, UserSetting, lpSuccess);
    });
}

STDMETHODIMP Settings2::LoadFormPlacement2(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, IDispatch* AppObject,
                                           VARIANT_BOOL SetMinimized, float FixedWidth, float FixedHeight,
                                           VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess) {
    return WithAppObject(AppObject, [&](BSTR title, LONG major, LONG minor) {
        return Self()->LoadFormPlacement(SubKey, ValueName, FormObject, title, major, minor, SetMinimized,
                                         FixedWidth, FixedHeight, UserSetting, lpSuccess);
    });
}
