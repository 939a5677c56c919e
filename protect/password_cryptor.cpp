#include "password_cryptor.h"
#include "registry/value_codec.h"
#include "zerbanesupportfbe.h"

namespace {

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

bool HexPair(wchar_t hi, wchar_t lo, uint8_t* value) {
    int a = HexDigit(hi), b = HexDigit(lo);
    if (a < 0 || b < 0) return false;
    *value = static_cast<uint8_t>(a << 4 | b);
    return true;
}

// The character's code in the system's ANSI code page (a double-byte character gives more than 255).
int AnsiCode(wchar_t c) {
    std::string bytes = codec::ToAnsi(std::wstring(1, c));
    int code = 0;
    for (unsigned char b : bytes) code = code << 8 | b;
    return code;
}

}  // namespace

bool BytesToHex(const std::vector<uint8_t>* bytes, std::wstring* text) {
    text->clear();
    if (!bytes) return false;
    for (uint8_t b : *bytes) *text += esHex1(b);
    return true;
}

bool HexToBytes(const std::wstring& text, std::vector<uint8_t>* bytes) {
    if (text.size() % 2 != 0) return false;
    std::vector<uint8_t> out(text.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        if (!HexPair(text[2 * i], text[2 * i + 1], &out[i])) return false;
    *bytes = std::move(out);
    return true;
}

HRESULT ScramblePassword(const std::wstring& password, std::wstring* scrambled) {
    std::wstring out;
    for (auto it = password.rbegin(); it != password.rend(); ++it) {
        int code = AnsiCode(*it);
        if (code < 0 || code > 255) return DISP_E_OVERFLOW;
        long random = 0;
        HRESULT hr = esGetRnd(0, 255, 0, &random);
        if (FAILED(hr)) return hr;
        out += esHex1(static_cast<uint8_t>(255 - code));
        out += esHex1(static_cast<uint8_t>(random));
    }
    *scrambled = std::move(out);
    return S_OK;
}

std::wstring UnscramblePassword(const std::wstring& text) {
    if (text.size() % 4 != 0) return {};
    std::string ansi;
    for (size_t group = 0; group < text.size(); group += 4) {
        uint8_t v = 0;
        if (!HexPair(text[group], text[group + 1], &v)) return {};
        ansi.insert(ansi.begin(), static_cast<char>(255 - v));  // groups stand last character first
    }
    return codec::FromAnsi(ansi);
}
