#include "settings/window_objects.h"
#include "com/variant.h"
#include "settings/late_binding.h"
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
