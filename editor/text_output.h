#pragma once
// Text for a file, a pipe or a console: UTF-8 with CR LF line ends, or the console's own
// wide characters.
#include <windows.h>
#include <string>

class TextOutput {
public:
    TextOutput() = default;
    // Writes to a handle the caller keeps (standard output or error); null writes nowhere.
    explicit TextOutput(HANDLE handle) : handle_(handle) {}
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;
    ~TextOutput();

    // Creates (or replaces) the file; false and the error code when it cannot.
    bool Create(const std::wstring& path, DWORD* error);
    // One line, followed by CR LF.
    void Line(const std::wstring& text);
    // The first write error, 0 when every line was written.
    DWORD Error() const { return error_; }

private:
    HANDLE handle_ = nullptr;
    bool owned_ = false;
    DWORD error_ = 0;
};

// The text in UTF-8.
std::string Utf8(const std::wstring& text);
// Standard output when it is a file or a pipe (a console gets nothing: the file is the result).
HANDLE StandardOutputFileOrPipe();
// Standard error whenever the program has one.
HANDLE StandardError();
