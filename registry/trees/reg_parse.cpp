#include "registry/trees/reg_parse.h"
#include "registry/trees/reg_file.h"
#include "registry/trees/reg_text.h"
#include "support/code_page.h"
#include <string_view>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

void SkipBlanks(std::wstring_view* s) {
    while (!s->empty() && IsBlank(s->front())) s->remove_prefix(1);
}

// Consumes the prefix when the text starts with it.
bool Take(std::wstring_view* s, std::wstring_view prefix) {
    if (s->substr(0, prefix.size()) != prefix) return false;
    s->remove_prefix(prefix.size());
    return true;
}

// Nothing is left but blanks and perhaps a comment.
bool AtLineEnd(std::wstring_view s) {
    SkipBlanks(&s);
    return s.empty() || s.front() == L';';
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// One to maxDigits hex digits; more digits than that are a fault, not a longer number.
bool TakeHexNumber(std::wstring_view* s, size_t maxDigits, DWORD* value) {
    size_t n = 0;
    DWORD v = 0;
    for (; n < s->size() && HexDigit((*s)[n]) >= 0; ++n) {
        if (n == maxDigits) return false;
        v = v << 4 | static_cast<DWORD>(HexDigit((*s)[n]));
    }
    if (n == 0) return false;
    s->remove_prefix(n);
    *value = v;
    return true;
}

// \\ and \" as the registry editor writes them; \r and \n as Wine's writes them.
wchar_t Unescaped(wchar_t c) {
    switch (c) {
    case L'\\':
    case L'"': return c;
    case L'n': return L'\n';
    case L'r': return L'\r';
    default: return 0;
    }
}

// A quoted text after its opening quote, taken up to and past the closing one.
bool TakeQuoted(std::wstring_view* s, std::wstring* out) {
    out->clear();
    for (size_t i = 0; i < s->size(); ++i) {
        wchar_t c = (*s)[i];
        if (c == L'"') {
            s->remove_prefix(i + 1);
            return true;
        }
        if (c == L'\\') {
            if (++i == s->size() || !(c = Unescaped((*s)[i]))) return false;
        }
        out->push_back(c);
    }
    return false;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// REGEDIT4 files give string data in hex as ANSI bytes; the registry keeps it in UTF-16,
// terminated where the bytes were not, as the registry editor stores it.
std::vector<uint8_t> AnsiStringData(std::vector<uint8_t> bytes) {
    if (bytes.empty()) return bytes;
    if (bytes.back() != 0) bytes.push_back(0);
    std::wstring text;
    WidenBytes(reinterpret_cast<const char*>(bytes.data()), bytes.size(), CP_ACP, 0, &text);
    return Utf16Bytes(text);
}

std::vector<uint8_t> DwordBytes(DWORD n) {
    return {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
            static_cast<uint8_t>(n >> 24)};
}

class Parser {
public:
    Parser(const RegText& text, std::vector<RegFileStep>* steps)
        : lines_(text.text), ansi_(text.version == RegFileVersion::kRegedit4), steps_(steps) {}
    // False at the first fault: FaultLine() says where.
    bool Run();
    int FaultLine() const { return lineNumber_; }

private:
    bool Line(std::wstring_view line);
    bool KeyLine(std::wstring_view rest);
    bool ValueLine(std::wstring_view rest);
    bool Data(std::wstring_view rest, RegFileStep* step);
    bool HexData(std::wstring_view rest, std::vector<uint8_t>* out);

    RegLines lines_;
    const bool ansi_;
    bool inKey_ = false;  // a value line needs a key line before it
    int lineNumber_ = 1;  // the first physical line of the line being read
    std::vector<RegFileStep>* steps_;
};

bool Parser::Run() {
    std::wstring_view line;
    lines_.Next(&line);  // the header, checked when the text was decoded
    while (lines_.Next(&line)) {
        lineNumber_ = lines_.Number();
        if (!Line(line)) return false;
    }
    return true;
}

bool Parser::Line(std::wstring_view line) {
    SkipBlanks(&line);
    if (line.empty() || line.front() == L';') return true;
    if (line.find(L'\0') != std::wstring_view::npos) return false;  // no name or text holds one
    if (Take(&line, L"[")) return KeyLine(line);
    return inKey_ && ValueLine(line);
}

bool Parser::KeyLine(std::wstring_view rest) {
    while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
    if (rest.empty() || rest.back() != L']') return false;
    rest.remove_suffix(1);
    RegFileStep step;
    step.line = lineNumber_;
    step.kind = Take(&rest, L"-") ? RegFileStep::kDeleteKey : RegFileStep::kOpenKey;
    const std::wstring name(rest);
    if (!IsKeyPath(name)) return false;
    const size_t separator = name.find(L'\\');
    step.root = RootByName(name.substr(0, separator));
    if (!step.root) return false;
    if (separator != std::wstring::npos) step.path = name.substr(separator + 1);
    if (step.kind == RegFileStep::kDeleteKey && step.path.empty()) return false;  // never a root
    inKey_ = step.kind == RegFileStep::kOpenKey;
    steps_->push_back(std::move(step));
    return true;
}

bool Parser::ValueLine(std::wstring_view rest) {
    RegFileStep step;
    step.line = lineNumber_;
    step.kind = RegFileStep::kSetValue;
    if (Take(&rest, L"\"")) {
        if (!TakeQuoted(&rest, &step.value.name)) return false;
    } else if (!Take(&rest, L"@")) {
        return false;
    }
    SkipBlanks(&rest);
    if (!Take(&rest, L"=")) return false;
    SkipBlanks(&rest);
    if (!Data(rest, &step)) return false;
    steps_->push_back(std::move(step));
    return true;
}

bool Parser::Data(std::wstring_view rest, RegFileStep* step) {
    ValueImage& v = step->value;
    if (Take(&rest, L"-")) {
        step->kind = RegFileStep::kDeleteValue;
        return AtLineEnd(rest);
    }
    if (Take(&rest, L"\"")) {
        std::wstring text;
        if (!TakeQuoted(&rest, &text) || !AtLineEnd(rest)) return false;
        v.type = REG_SZ;
        v.data = Utf16Bytes(text + L'\0');
        return true;
    }
    if (Take(&rest, L"dword:")) {
        DWORD n = 0;
        SkipBlanks(&rest);
        if (!TakeHexNumber(&rest, 8, &n) || !AtLineEnd(rest)) return false;
        v.type = REG_DWORD;
        v.data = DwordBytes(n);
        return true;
    }
    if (Take(&rest, L"hex:")) {
        v.type = REG_BINARY;
    } else if (!Take(&rest, L"hex(") || !TakeHexNumber(&rest, 8, &v.type) || !Take(&rest, L"):")) {
        return false;
    }
    if (!HexData(rest, &v.data)) return false;
    if (ansi_ && IsStringType(v.type)) v.data = AnsiStringData(std::move(v.data));
    return true;
}

// Bytes of one or two hex digits separated by commas. A backslash ending a line continues
// them on the next, its leading blanks skipped; a blank line or the end of the file ends them.
bool Parser::HexData(std::wstring_view rest, std::vector<uint8_t>* out) {
    for (;;) {
        SkipBlanks(&rest);
        if (Take(&rest, L"\\")) {
            if (!AtLineEnd(rest)) return false;
            if (!lines_.Next(&rest)) return true;
            continue;
        }
        if (AtLineEnd(rest)) return true;
        DWORD byte = 0;
        if (!TakeHexNumber(&rest, 2, &byte)) return false;
        out->push_back(static_cast<uint8_t>(byte));
        SkipBlanks(&rest);
        if (!Take(&rest, L",")) return AtLineEnd(rest);
    }
}

}  // namespace

LSTATUS ParseRegFile(const std::vector<uint8_t>& bytes, std::vector<RegFileStep>* steps, int* errorLine) {
    steps->clear();
    *errorLine = 0;
    RegText text;
    if (!DecodeRegText(bytes, &text, errorLine)) return ERROR_INVALID_DATA;
    Parser parser(text, steps);
    if (parser.Run()) return ERROR_SUCCESS;
    steps->clear();
    *errorLine = parser.FaultLine();
    return ERROR_INVALID_DATA;
}
