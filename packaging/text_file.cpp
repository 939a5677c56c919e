#include "packaging/text_file.h"
#include <objbase.h>
#include <cstdio>

bool WriteUtf8File(const wchar_t* path, const std::wstring& text) {
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &bytes[0], size, nullptr, nullptr);
    FILE* out = _wfopen(path, L"wb");
    if (!out) return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return fclose(out) == 0 && written;
}

int WithCom(int (*work)(int, wchar_t**), int argc, wchar_t** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    const int rc = work(argc, argv);
    CoUninitialize();
    return rc;
}
