// Writes the registration of one view of the DLL as a WiX include of registry values, so the
// installers write exactly what DllRegisterServer would, through their own registry table.
// Usage: registration_wxi win32|win64 DLL_PATH HELP_DIR OUTPUT_FILE
// DLL_PATH and HELP_DIR are usually installer references such as [#file] and [FOLDER].
#include "server/registration_entries.h"
#include "packaging/text_file.h"
#include <cstdio>
#include <string>

namespace {

std::wstring XmlText(const std::wstring& s) {
    std::wstring out;
    for (wchar_t c : s) {
        switch (c) {
            case L'&': out += L"&amp;"; break;
            case L'<': out += L"&lt;"; break;
            case L'>': out += L"&gt;"; break;
            case L'"': out += L"&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::wstring Include(const std::vector<RegistryEntry>& entries) {
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- Made by registration_wxi. -->\n<Include>\n";
    for (const RegistryEntry& e : entries) {
        text += L"  <RegistryValue Root=\"HKCR\" Key=\"" + XmlText(e.key) + L"\"";
        if (!e.name.empty()) text += L" Name=\"" + XmlText(e.name) + L"\"";
        text += L" Value=\"" + XmlText(e.value) + L"\" Type=\"string\"/>\n";
    }
    return text + L"</Include>\n";
}

int Run(int argc, wchar_t** argv) {
    if (argc != 5 || (lstrcmpW(argv[1], L"win32") != 0 && lstrcmpW(argv[1], L"win64") != 0)) {
        fwprintf(stderr, L"usage: registration_wxi win32|win64 DLL_PATH HELP_DIR OUTPUT_FILE\n");
        return 2;
    }
    const SYSKIND kind = lstrcmpW(argv[1], L"win64") == 0 ? SYS_WIN64 : SYS_WIN32;
    std::vector<RegistryEntry> entries;
    HRESULT hr = RegistrationEntries(kind, argv[2], argv[3], &entries);
    if (FAILED(hr)) {
        fwprintf(stderr, L"registration_wxi: cannot read the type library (0x%08lx)\n", static_cast<unsigned long>(hr));
        return 1;
    }
    if (!WriteUtf8File(argv[4], Include(entries))) {
        fwprintf(stderr, L"registration_wxi: cannot write %ls\n", argv[4]);
        return 1;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return WithCom(Run, argc, argv); }
