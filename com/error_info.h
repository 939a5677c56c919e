#pragma once
// Rich error information for automation callers (Err.Description in a script).
#include <windows.h>
#include <oaidl.h>
#include <string>

// Sets the thread's error info (the source is the name of this module's type library) and
// returns hr, so a method can `return ReportError(...)`.
HRESULT ReportError(HRESULT hr, REFIID iid, const std::wstring& description);
