#include "registry/trees/reg_text.h"
#include "support/code_page.h"
#include <algorithm>
#include <initializer_list>

namespace {

const std::wstring_view kHeader4 = L"REGEDIT4";
const std::wstring_view kHeader5 = L"Windows Registry Editor Version 5.00";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trimmed(std::wstring_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool StartsWith(const std::vector<uint8_t>& bytes, std::initializer_list<uint8_t> mark) {
    return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

// The start of the first line of 8-bit text, as ASCII: enough to tell the headers apart.
std::wstring FirstLineAscii(const std::vector<uint8_t>& bytes) {
    std::wstring line;
    for (size_t i = 0; i < bytes.size() && i < 256 && bytes[i] != '\r' && bytes[i] != '\n'; ++i)
        line.push_back(bytes[i] < 0x80 ? static_cast<wchar_t>(bytes[i]) : L'?');
    return line;
}

// The line of the first byte sequence that is not text in the code page.
int FirstUndecodableLine(const char* text, size_t size, UINT codePage) {
    std::wstring ignored;
    int number = 1;
    for (size_t start = 0; start <= size;) {
        size_t end = start;
        while (end < size && text[end] != '\r' && text[end] != '\n') ++end;
        if (!WidenBytes(text + start, end - start, codePage, MB_ERR_INVALID_CHARS, &ignored)) return number;
        if (end < size && text[end] == '\r' && end + 1 < size && text[end + 1] == '\n') ++end;
        start = end + 1;
        ++number;
    }
    return 1;  // the whole failed, no line alone does: not expected, but never line 0
}

bool Decode8Bit(const std::vector<uint8_t>& bytes, size_t skip, UINT codePage, std::wstring* text, int* errorLine) {
    const char* start = reinterpret_cast<const char*>(bytes.data()) + skip;
    const size_t size = bytes.size() - skip;
    // The ANSI code page is read as the registry editor reads it, without a check.
    const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    if (WidenBytes(start, size, codePage, flags, text)) return true;
    *errorLine = FirstUndecodableLine(start, size, codePage);
    return false;
}

// The number of the line the end of the text is on.
int LastLineNumber(std::wstring_view text) {
    RegLines lines(text);
    std::wstring_view line;
    while (lines.Next(&line)) {
    }
    const bool broken = !text.empty() && (text.back() == L'\r' || text.back() == L'\n');
    return lines.Number() + (text.empty() || broken ? 1 : 0);
}

}  // namespace

bool RegLines::Next(std::wstring_view* line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find_first_of(L"\r\n", pos_);
    if (end == std::wstring_view::npos) end = text_.size();
    *line = text_.substr(pos_, end - pos_);
    pos_ = end + (text_.compare(end, 2, L"\r\n") == 0 ? 2 : 1);
    ++number_;
    return true;
}

bool DecodeRegText(const std::vector<uint8_t>& bytes, RegText* out, int* errorLine) {
    *errorLine = 0;
    out->text.clear();
    if (StartsWith(bytes, {0xFF, 0xFE})) {
        const size_t units = (bytes.size() - 2) / 2;
        out->text.resize(units);
        for (size_t i = 0; i < units; ++i)
            out->text[i] = static_cast<wchar_t>(bytes[2 + 2 * i] | bytes[3 + 2 * i] << 8);
        if (bytes.size() % 2 != 0) {  // half a code unit after the last line break
            *errorLine = LastLineNumber(out->text);
            return false;
        }
    } else if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) {
        if (!Decode8Bit(bytes, 3, CP_UTF8, &out->text, errorLine)) return false;
    } else {
        const bool ansi = Trimmed(FirstLineAscii(bytes)) == kHeader4;
        if (!Decode8Bit(bytes, 0, ansi ? CP_ACP : CP_UTF8, &out->text, errorLine)) return false;
    }
    RegLines lines(out->text);
    std::wstring_view header;
    if (lines.Next(&header)) {
        header = Trimmed(header);
        if (header == kHeader5 || header == kHeader4) {
            out->version = header == kHeader4 ? RegFileVersion::kRegedit4 : RegFileVersion::kVersion5;
            return true;
        }
    }
    *errorLine = 1;
    return false;
}
