#include "settings/window_objects.h"
#include "com/variant.h"
#include "settings/late_binding.h"
#include <cmath>
#include <cstdint>

HRESULT GetWindowHandle(IDispatch* object, HWND* hwnd) {
    long value = 0;
    HRESULT hr = GetLongProperty(object, L"hWnd", &value);
    if (FAILED(hr)) return hr;
    *hwnd = reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<LONG>(value)));
    return S_OK;
}

HRESULT GetColumnCount(IDispatch* listView, long* count) {
    Variant headers;
    HRESULT hr = GetPropertyAs(listView, L"ColumnHeaders", VT_DISPATCH, headers.Get());
    if (FAILED(hr)) return hr;
    return GetLongProperty(V_DISPATCH(headers.Get()), L"Count", count);
}

long RoundHalfEvenToLong(double value) { return static_cast<long>(std::nearbyint(value)); }

bool RoundsToLong(double value) { return value >= -2147483648.5 && value < 2147483647.5; }

long RoundedTwipsPerPixel(float twipsPerPixel) {
    long rounded = RoundHalfEvenToLong(twipsPerPixel);
    return rounded < 1 ? 1 : rounded;  // a screen with a very high DPI must not divide by zero
}

long TwipsToColumnPixels(long twips, float twipsPerPixel) { return twips / RoundedTwipsPerPixel(twipsPerPixel); }
