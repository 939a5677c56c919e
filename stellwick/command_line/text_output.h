#pragma once
// Text for a file, a pipe or a console: UTF-8 with CR LF line ends, or the console's own
// wide characters.
#include <windows.h>
#include "com/handle_owners.h"
#include <string>

class TextOutput {
public:
    TextOutput() = default;
    // Writes to a handle the caller keeps (standard output or error); null writes nowhere.
    explicit TextOutput(HANDLE handle) : handle_(handle) {}

    // Creates (or replaces) the file; false and the error code when it cannot.
    bool Create(const std::wstring& path, DWORD* error);
    // One line, followed by CR LF.
    void Line(const std::wstring& text);
    // The first write error, 0 when every line was written.
    DWORD Error() const { return error_; }

private:
    HANDLE handle_ = nullptr;  // what it writes to
    UniqueHandle file_;        // the file it made, if any
    DWORD error_ = 0;
};

// Standard output and standard error whenever the program has them: a console, a file or a
// pipe (a windowed program started without redirection has none).
HANDLE StandardOutput();
HANDLE StandardError();
