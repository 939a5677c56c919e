#pragma once
// Text, version and window helpers of the family's first support library.
#include <windows.h>
#include <cstdint>
#include <string>

// Puts the icon group resource `resourceName` of the running program on the window
// (large and small icon).
HRESULT asSetWindowResIconAll(HWND window, const wchar_t* resourceName);
// Paints the window's client background.
HRESULT asPaintDesktop2(HWND window);
// `text` without leading and trailing blanks (space, tab, CR, LF, NUL). With all five flags
// true it also removes one pair of double quotes enclosing the whole trimmed text, and the
// blanks inside them.
std::wstring asTrimEx2(const std::wstring& text, bool f1, bool f2, bool f3, bool f4, bool f5,
                       long a1, long a2, long a3, long a4, long a5);
// `text` without leading and trailing blanks (space, tab, CR, LF, NUL).
std::wstring asTrimEx(const std::wstring& text);
// `text` without its first `count` characters (all of it for count <= 0, nothing left
// when count >= length).
std::wstring asCutLeft(const std::wstring& text, int32_t count);
// The version text for (major, minor): decimal numbers separated by ".", the same text
// for the same pair.
std::wstring asFormatVersionShort(int32_t major, int32_t minor);
// The 64-bit integer equal to a double holding a whole number (fractions round half to
// even); DISP_E_OVERFLOW when it is not finite or out of range.
HRESULT asDoubleToLargeInteger(double value, int64_t* out);
// The UTF-16 text at `text` up to its first NUL (empty for a null pointer).
std::wstring asGetStringFromPointerW(const wchar_t* text);
// Overload for a counted buffer: the text up to its first NUL or its end (cut in place, so a
// text moved in is not copied).
std::wstring asGetStringFromPointerW(std::wstring text);
