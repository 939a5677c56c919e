#pragma once
// The system's own words for an error code, as message boxes show them.
#include <string>

// The text for a Win32 error code or an HRESULT, without its line end; empty when the
// system has none.
std::wstring SystemErrorText(long code);
// The system's text for the code, or the code in hexadecimal when it has none.
std::wstring ErrorText(long code);
