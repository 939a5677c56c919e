#pragma once
// What the placement and column members read from the caller's window and list objects.
#include <windows.h>
#include <oaidl.h>
#include <string>

// The object's "hWnd": a 32-bit number, sign-extended into a handle as Windows does.
HRESULT GetWindowHandle(IDispatch* object, HWND* hwnd);
// The object's "ColumnHeaders"."Count".
HRESULT GetColumnCount(IDispatch* listView, long* count);
