#include "stellwick/core/system_text.h"
#include "com/handle_owners.h"
#include <windows.h>
#include <cwchar>

std::wstring SystemErrorText(long code) {
    UniqueLocal<wchar_t*> text;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(text.Put()), 0, nullptr);
    std::wstring s = n && text ? std::wstring(text.Get(), n) : std::wstring();
    while (!s.empty() && (s.back() == L'\n' || s.back() == L'\r' || s.back() == L' ')) s.pop_back();
    return s;
}

std::wstring ErrorText(long code) {
    std::wstring text = SystemErrorText(code);
    if (!text.empty()) return text;
    wchar_t hex[16];
    swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(code));
    return hex;
}
