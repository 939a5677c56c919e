#pragma once
// Case folding for comparing names the way Windows does (registry keys, file names):
// every script, not only ASCII, which the C runtime's towupper covers under mingw.
#include <string>

std::wstring UpperCase(std::wstring text);
