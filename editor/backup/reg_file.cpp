#include "reg_file.h"
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

// A REG_SZ whose bytes are exactly its text and one terminator can be written as text.
bool IsPlainString(const ValueImage& v, std::wstring* text) {
    if (v.type != REG_SZ || v.data.size() < 2 || v.data.size() % 2 != 0) return false;
    size_t units = v.data.size() / 2;
    std::wstring s(units, L'\0');
    for (size_t i = 0; i < units; ++i) s[i] = static_cast<wchar_t>(v.data[2 * i] | v.data[2 * i + 1] << 8);
    if (s.back() != L'\0') return false;
    s.pop_back();
    if (s.find(L'\0') != std::wstring::npos) return false;
    *text = s;
    return true;
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

std::wstring ValueLine(const ValueImage& v) {
    std::wstring line = v.name.empty() ? L"@=" : Quoted(v.name) + L"=";
    std::wstring text;
    if (IsPlainString(v, &text)) return line + Quoted(text);
    if (v.type == REG_DWORD && v.data.size() == 4) {
        wchar_t number[16];
        unsigned value = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<unsigned>(v.data[3]) << 24;
        swprintf(number, 16, L"dword:%08x", value);
        return line + number;
    }
    if (v.type == REG_BINARY) return HexData(line + L"hex:", v.data);
    wchar_t prefix[24];
    swprintf(prefix, 24, L"hex(%x):", static_cast<unsigned>(v.type));
    return HexData(line + prefix, v.data);
}

void AppendKey(const std::wstring& fullPath, const KeyImage& image, std::wstring* out) {
    *out += L"[" + fullPath + L"]\r\n";
    for (const auto& v : image.values) *out += ValueLine(v) + L"\r\n";
    *out += L"\r\n";
    for (const auto& child : image.subkeys) AppendKey(fullPath + L"\\" + child.name, child, out);
}

}  // namespace

std::wstring FormatRegFile(const std::vector<NamedTree>& trees) {
    std::wstring out = L"Windows Registry Editor Version 5.00\r\n\r\n";
    for (const auto& t : trees) AppendKey(t.fullPath, t.image, &out);
    return out;
}

HRESULT WriteRegFile(const std::wstring& path, const std::wstring& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
    std::wstring content = L"\xFEFF" + text;
    DWORD size = static_cast<DWORD>(content.size() * sizeof(wchar_t)), written = 0;
    BOOL ok = WriteFile(file, content.data(), size, &written, nullptr) && written == size;
    DWORD error = ok ? 0 : GetLastError();
    if (ok && !FlushFileBuffers(file)) { ok = FALSE; error = GetLastError(); }
    CloseHandle(file);
    if (!ok) {
        DeleteFileW(path.c_str());
        return HRESULT_FROM_WIN32(error ? error : ERROR_WRITE_FAULT);
    }
    return S_OK;
}
