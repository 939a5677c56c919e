#pragma once
// Rich error information for automation callers (Err.Description in a script).
#include <windows.h>
#include <oaidl.h>
#include <string>

// Sets the thread's error info (source "Tarnwell0201", the given description) and
// returns hr, so a method can `return ReportError(...)`.
HRESULT ReportError(HRESULT hr, REFIID iid, const std::wstring& description);
