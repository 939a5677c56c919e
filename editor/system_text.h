#pragma once
// The system's own words for an error code, as message boxes show them.
#include <string>

// The text for a Win32 error code or an HRESULT, without its line end; empty when the
// system has none.
std::wstring SystemErrorText(long code);
