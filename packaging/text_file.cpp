#include "packaging/text_file.h"
#include "support/code_page.h"
#include <objbase.h>
#include <cstdio>

bool WriteUtf8File(const wchar_t* path, const std::wstring& text) {
    const std::string bytes = Narrow(text, CP_UTF8);
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
