#include "registry/trees/reg_file.h"
#include "com/handle_owners.h"
#include <cstdio>

namespace {

std::wstring Quoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

// A code unit that the quoted form cannot carry exactly: a control character (CR and LF
// end the line) or half of a surrogate pair standing alone.
bool NeedsHex(const std::wstring& s, size_t i) {
    wchar_t c = s[i];
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;
    if (c >= 0xD800 && c <= 0xDBFF) return i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF;
    if (c >= 0xDC00 && c <= 0xDFFF) return i == 0 || s[i - 1] < 0xD800 || s[i - 1] > 0xDBFF;
    return false;
}

// A REG_SZ whose bytes are exactly its text and one terminator, and whose text the quoted
// form carries unchanged, can be written as text.
bool IsPlainString(const ValueImage& v, std::wstring* text) {
    if (v.type != REG_SZ || v.data.size() < 2 || v.data.size() % 2 != 0) return false;
    size_t units = v.data.size() / 2;
    std::wstring s(units, L'\0');
    for (size_t i = 0; i < units; ++i) s[i] = static_cast<wchar_t>(v.data[2 * i] | v.data[2 * i + 1] << 8);
    if (s.back() != L'\0') return false;
    s.pop_back();
    for (size_t i = 0; i < s.size(); ++i)
        if (NeedsHex(s, i)) return false;
    *text = s;
    return true;
}

// A name goes on one line of the file: no line break, no NUL.
bool FitsOnALine(const std::wstring& name) {
    return name.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos;
}

// Every line of the text as a comment.
std::wstring Commented(const std::wstring& text) {
    std::wstring out = L"; ";
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == L'\n' && i + 1 < text.size()) out += L"; ";
    }
    return out;
}

// hex bytes with the editor's line continuation every few bytes.
std::wstring HexData(const std::wstring& prefix, const std::vector<uint8_t>& data) {
    std::wstring out = prefix;
    size_t column = prefix.size();
    for (size_t i = 0; i < data.size(); ++i) {
        wchar_t byte[4];
        swprintf(byte, 4, L"%02x", data[i]);
        out += byte;
        column += 2;
        if (i + 1 < data.size()) {
            out += L',';
            ++column;
            if (column > 76) {
                out += L"\\\r\n  ";
                column = 2;
            }
        }
    }
    return out;
}

std::wstring DataText(const ValueImage& v) {
    std::wstring text;
    if (IsPlainString(v, &text)) return Quoted(text);
    if (v.type == REG_DWORD && v.data.size() == 4) {
        wchar_t number[16];
        unsigned value = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<unsigned>(v.data[3]) << 24;
        swprintf(number, 16, L"dword:%08x", value);
        return number;
    }
    if (v.type == REG_BINARY) return HexData(L"hex:", v.data);
    wchar_t prefix[24];
    swprintf(prefix, 24, L"hex(%x):", static_cast<unsigned>(v.type));
    return HexData(prefix, v.data);
}

// A name with a line break has no form an import would read: such a value is kept as a
// comment, its name in UTF-16LE hex, so a person can still recover it.
std::wstring ValueLine(const ValueImage& v) {
    if (FitsOnALine(v.name)) return (v.name.empty() ? L"@" : Quoted(v.name)) + L"=" + DataText(v);
    return Commented(L"Not imported: the value's name holds a line break.\r\n" +
                     HexData(L"name=hex:", Utf16Bytes(v.name)) + L"\r\ndata=" + DataText(v));
}

// A key whose path holds a line break is kept the same way, with its values and subkeys.
void AppendKey(const std::wstring& fullPath, const KeyImage& image, std::wstring* out) {
    const bool fits = FitsOnALine(fullPath);
    std::wstring section = fits ? L"[" + fullPath + L"]\r\n"
                                : L"Not imported: the key's path holds a line break.\r\n" +
                                      HexData(L"key=hex:", Utf16Bytes(fullPath)) + L"\r\n";
    for (const auto& v : image.values) section += ValueLine(v) + L"\r\n";
    *out += fits ? section : Commented(section);
    *out += L"\r\n";
    for (const auto& child : image.subkeys) AppendKey(fullPath + L"\\" + child.name, child, out);
}

}  // namespace

std::wstring FormatRegFile(const std::vector<NamedTree>& trees) {
    std::wstring out = L"Windows Registry Editor Version 5.00\r\n\r\n";
    for (const auto& t : trees) AppendKey(t.fullPath, t.image, &out);
    return out;
}

std::vector<uint8_t> Utf16Bytes(const std::wstring& text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

LSTATUS WriteRegFile(const std::wstring& path, const std::wstring& text) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Get()) return GetLastError();
    std::wstring content = L"\xFEFF" + text;
    DWORD size = static_cast<DWORD>(content.size() * sizeof(wchar_t)), written = 0;
    BOOL ok = WriteFile(file.Get(), content.data(), size, &written, nullptr) && written == size;
    DWORD error = ok ? 0 : GetLastError();
    if (ok && !FlushFileBuffers(file.Get())) { ok = FALSE; error = GetLastError(); }
    file.Reset();  // closed before a failed file is deleted
    if (!ok) {
        DeleteFileW(path.c_str());
        return error ? error : ERROR_WRITE_FAULT;
    }
    return ERROR_SUCCESS;
}

// The text goes to a new file beside the old one first, which it then replaces in one move.
LSTATUS ReplaceRegFile(const std::wstring& path, const std::wstring& text) {
    const std::wstring stem = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring written = stem + std::to_wstring(attempt) + L".tmp";
        LSTATUS rc = WriteRegFile(written, text);
        if (rc == ERROR_FILE_EXISTS) continue;
        if (rc != ERROR_SUCCESS) return rc;
        if (MoveFileExW(written.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        rc = GetLastError();
        DeleteFileW(written.c_str());
        return rc;
    }
    return ERROR_FILE_EXISTS;
}
