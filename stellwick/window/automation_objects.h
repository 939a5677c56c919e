#pragma once
// Stellwick's own small automation objects for the settings store: the application object
// (Title, Major, Minor), the window (hWnd, Name) and the list (hWnd, Name,
// ColumnHeaders.Count). Read-only properties, fixed when the object is made.
#include <windows.h>
#include <oaidl.h>
#include <string>
#include "com/com_ptr.h"

class ListView;

ComPtr<IDispatch> MakeAppObject();
ComPtr<IDispatch> MakeWindowObject(HWND window, const std::wstring& name);
ComPtr<IDispatch> MakeListViewObject(const ListView& list, const std::wstring& name);
