#pragma once
// What the placement and column members read from the caller's window and list objects.
#include <windows.h>
#include <oaidl.h>
#include <string>

// The object's "hWnd": a 32-bit number, sign-extended into a handle as Windows does.
HRESULT GetWindowHandle(IDispatch* object, HWND* hwnd);
// The object's "ColumnHeaders"."Count".
HRESULT GetColumnCount(IDispatch* listView, long* count);
// Twips per pixel rounded to a whole number (halves to even), never below 1.
long RoundedTwipsPerPixel(float twipsPerPixel);
long RoundHalfEvenToLong(double value);
// Whether `value` rounds (halves to even) to a 32-bit integer; false for NaN and infinities.
bool RoundsToLong(double value);
// Twips to pixels for a stored column width: integer division by the rounded twips per pixel.
long TwipsToColumnPixels(long twips, float twipsPerPixel);
