#include "protect/password_cryptor.h"
#include "support/zerbanesupportfbe.h"

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
    SecretBytes bytes = ToAnsi(SecretText(&c, 1));
    int code = 0;
    for (size_t i = 0; i < bytes.size(); ++i) code = code << 8 | bytes[i];
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

HRESULT ScramblePassword(const SecretText& password, std::wstring* scrambled) {
    std::wstring out;
    for (size_t i = password.size(); i-- > 0;) {
        int code = AnsiCode(password[i]);
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

SecretText UnscramblePassword(const std::wstring& text) {
    if (text.size() % 4 != 0) return {};
    // A text that fails part way leaves only wiped memory behind.
    SecretBytes ansi(text.size() / 4);
    for (size_t i = 0; i < ansi.size(); ++i) {
        uint8_t v = 0;
        if (!HexPair(text[4 * i], text[4 * i + 1], &v)) return {};
        ansi[ansi.size() - 1 - i] = static_cast<uint8_t>(255 - v);  // groups stand last character first
    }
    return FromAnsi(ansi);
}
