#pragma once
// Text between UTF-16 and a code page (CP_ACP for the system's ANSI functions, CP_UTF8 for
// files and pipes).
#include <windows.h>
#include <string>

std::string Narrow(const std::wstring& text, UINT codePage);
std::wstring Widen(const std::string& text, UINT codePage);
