// Another process for the watch test: after ARG milliseconds it writes the time it writes at
// (UTC file time, REG_QWORD) as the value "At" of HKCU\Software\TarnwellTests\Watch.
#include <windows.h>
#include <cstdlib>

int main(int argc, char** argv) {
    Sleep(argc > 1 ? static_cast<DWORD>(atoi(argv[1])) : 0);
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\TarnwellTests\\Watch", L"At", REG_QWORD, &now, sizeof(now));
}
