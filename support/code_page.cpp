#include "support/code_page.h"
#include <climits>

std::string Narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(codePage, 0, text.data(), length, &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text, UINT codePage) {
    std::wstring out;
    WidenBytes(text.data(), text.size(), codePage, 0, &out);
    return out;
}

bool WidenBytes(const char* text, size_t size, UINT codePage, DWORD flags, std::wstring* out) {
    out->clear();
    if (size == 0) return true;
    if (size > static_cast<size_t>(INT_MAX)) return false;
    const int length = static_cast<int>(size);
    const int n = MultiByteToWideChar(codePage, flags, text, length, nullptr, 0);
    if (n <= 0) return false;
    out->resize(static_cast<size_t>(n));
    if (MultiByteToWideChar(codePage, flags, text, length, &(*out)[0], n) == n) return true;
    out->clear();
    return false;
}
