#include "support/zerbanesupport.h"
#include <cmath>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\0'; }

}  // namespace

HRESULT asSetWindowResIconAll(HWND window, const wchar_t* resourceName) {
    if (!IsWindow(window)) return E_INVALIDARG;
    HINSTANCE module = GetModuleHandleW(nullptr);
    auto load = [&](int metricX, int metricY) {
        return static_cast<HICON>(LoadImageW(module, resourceName, IMAGE_ICON, GetSystemMetrics(metricX),
                                             GetSystemMetrics(metricY), LR_DEFAULTCOLOR | LR_SHARED));
    };
    HICON big = load(SM_CXICON, SM_CYICON);
    HICON small = load(SM_CXSMICON, SM_CYSMICON);
    if (!big && !small) return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
    if (big) SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (small) SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    return S_OK;
}

HRESULT asPaintDesktop2(HWND window) {
    if (!IsWindow(window)) return E_INVALIDARG;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!dc) return E_FAIL;
    RECT rc;
    GetClientRect(window, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    EndPaint(window, &ps);
    return S_OK;
}

std::wstring asTrimEx(const std::wstring& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::wstring asTrimEx2(const std::wstring& text, bool f1, bool f2, bool f3, bool f4, bool f5, long, long, long,
                       long, long) {
    std::wstring t = asTrimEx(text);
    // A quoted path (as the shell writes paths with blanks) names the path inside the quotes.
    if (f1 && f2 && f3 && f4 && f5 && t.size() >= 2 && t.front() == L'"' && t.back() == L'"')
        t = asTrimEx(t.substr(1, t.size() - 2));
    return t;
}

std::wstring asCutLeft(const std::wstring& text, int32_t count) {
    if (count <= 0) return text;
    if (static_cast<size_t>(count) >= text.size()) return {};
    return text.substr(static_cast<size_t>(count));
}

std::wstring asFormatVersionShort(int32_t major, int32_t minor) {
    return std::to_wstring(major) + L"." + std::to_wstring(minor);
}

HRESULT asDoubleToLargeInteger(double value, int64_t* out) {
    if (!out) return E_POINTER;
    if (!std::isfinite(value)) return DISP_E_OVERFLOW;
    double r = std::nearbyint(value);  // the default rounding mode: halves to even
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return DISP_E_OVERFLOW;
    *out = static_cast<int64_t>(r);
    return S_OK;
}

std::wstring asGetStringFromPointerW(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

std::wstring asGetStringFromPointerW(std::wstring text) {
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}
