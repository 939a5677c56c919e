#pragma once
// The text of a .reg file from its bytes, and its physical lines.
#include <windows.h>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class RegFileVersion { kRegedit4, kVersion5 };

struct RegText {
    RegFileVersion version = RegFileVersion::kVersion5;
    std::wstring text;  // the whole file after its byte order mark, header line included
};

// UTF-16LE after a byte order mark; UTF-8 after its mark, or without one unless the header
// is "REGEDIT4", whose files are in the ANSI code page. False when the bytes are not text in
// that encoding or the first line is no header: *errorLine is then the line at fault.
bool DecodeRegText(const std::vector<uint8_t>& bytes, RegText* out, int* errorLine);

// The physical lines of a text: CR LF, LF and CR each end one.
class RegLines {
public:
    explicit RegLines(std::wstring_view text) : text_(text) {}
    // The next line without its line break; false after the last one.
    bool Next(std::wstring_view* line);
    // The number of the line Next gave last, from 1.
    int Number() const { return number_; }

private:
    std::wstring_view text_;
    size_t pos_ = 0;
    int number_ = 0;
};
