#include "stellwick/core/texts.h"

std::wstring Text(UINT id) {
    const wchar_t* text = nullptr;
    // A zero-sized buffer gets a pointer to the resource itself, whatever its length.
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length > 0 && text) return std::wstring(text, static_cast<size_t>(length));
    return L"#" + std::to_wstring(id);  // a missing text shows, never an empty message
}

std::wstring Text(UINT id, std::initializer_list<std::wstring> arguments) {
    const std::wstring pattern = Text(id);
    std::wstring out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const size_t n = i + 1 < pattern.size() ? static_cast<size_t>(pattern[i + 1] - L'1') : arguments.size();
        if (pattern[i] == L'%' && n < arguments.size()) {
            out += *(arguments.begin() + n);
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}
