#pragma once
// Text between UTF-16 and a code page (CP_ACP for the system's ANSI functions, CP_UTF8 for
// files and pipes).
#include <windows.h>
#include <string>

std::string Narrow(const std::wstring& text, UINT codePage);
std::wstring Widen(const std::string& text, UINT codePage);
// The same for `size` bytes at `text` with MultiByteToWideChar's flags (MB_ERR_INVALID_CHARS
// refuses bytes that are not text in the code page); false when the conversion fails.
bool WidenBytes(const char* text, size_t size, UINT codePage, DWORD flags, std::wstring* out);
