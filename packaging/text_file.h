#pragma once
// What the build-time tools share: writing their output as UTF-8, and COM around their work.
#include <windows.h>
#include <string>

// Writes text to path as UTF-8; false when the file cannot be written whole.
bool WriteUtf8File(const wchar_t* path, const std::wstring& text);

// Runs a tool's work with COM initialised on this thread; returns its exit code.
int WithCom(int (*work)(int, wchar_t**), int argc, wchar_t** argv);
