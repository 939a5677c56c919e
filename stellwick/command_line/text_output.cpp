#include "stellwick/command_line/text_output.h"
#include "support/code_page.h"

namespace {

bool Usable(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }

}  // namespace

bool TextOutput::Create(const std::wstring& path, DWORD* error) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Get()) {
        *error = GetLastError();
        return false;
    }
    file_ = std::move(file);
    handle_ = file_.Get();
    return true;
}

void TextOutput::Line(const std::wstring& text) {
    if (!Usable(handle_)) return;
    const std::wstring line = text + L"\r\n";
    DWORD mode = 0, written = 0;
    if (GetFileType(handle_) == FILE_TYPE_CHAR && GetConsoleMode(handle_, &mode)) {
        WriteConsoleW(handle_, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    const std::string bytes = Narrow(line, CP_UTF8);
    if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        if (!error_) error_ = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    }
}

namespace {

HANDLE Standard(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    return Usable(handle) && GetFileType(handle) != FILE_TYPE_UNKNOWN ? handle : nullptr;
}

}  // namespace

HANDLE StandardOutput() { return Standard(STD_OUTPUT_HANDLE); }

HANDLE StandardError() { return Standard(STD_ERROR_HANDLE); }
