// The App Paths scan over 10,000 registrations: through the registry facade, and the same
// tests written with raw Win32 calls, in one run.
#include <windows.h>
#include "bench/bench_clock.h"
#include <objbase.h>
#include <shlwapi.h>
#include <cstdio>
#include <string>
#include <vector>
#include "stellwick/core/path_check.h"
#include "stellwick/core/scan.h"
#include "support/upper_case.h"
#include "support/zerbanesupport.h"

namespace {

const int kRegistrations = 10000;
const std::wstring kKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

void SetText(HKEY k, const wchar_t* name, DWORD type, const std::wstring& text) {
    RegSetValueExW(k, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// A mix that takes every branch of the scan: expandable strings, existing files, missing
// files alone, with a Path value, and with other values.
void Seed() {
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kKey.c_str());
    for (int i = 0; i < kRegistrations; ++i) {
        std::wstring name = L"bench" + std::to_wstring(i) + L".exe";
        UniqueHKey key;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kKey + L"\\" + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key.Put(), nullptr);
        HKEY k = key.Get();
        switch (i % 5) {
        case 0: SetText(k, nullptr, REG_EXPAND_SZ, L"%ProgramFiles%\\" + name); break;
        case 1: SetText(k, nullptr, REG_SZ, L"C:\\windows\\notepad.exe"); break;
        case 2: SetText(k, nullptr, REG_SZ, L"C:\\Missing\\" + name); break;
        case 3: SetText(k, nullptr, REG_SZ, L" \"C:\\Missing\\" + name + L"\" "); SetText(k, L"Path", REG_SZ, L"C:\\"); break;
        case 4: SetText(k, nullptr, REG_SZ, L"C:\\Missing\\" + name); SetText(k, L"UseUrl", REG_SZ, L"1"); break;
        }
    }
}

bool RawHasOtherValues(HKEY key) {
    DWORD values = 0, maxName = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &maxName, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return true;
    std::vector<wchar_t> name(maxName + 11);
    for (DWORD i = 0; i < values; ++i) {
        DWORD len = maxName + 10;
        if (RegEnumValueW(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return true;
        std::wstring n = UpperCase(std::wstring(name.data(), len));
        if (!n.empty() && n != L"PATH") return true;
    }
    return false;
}

int RawScanRoot(HKEY top) {
    int found = 0;
    UniqueHKey rootKey;
    if (RegOpenKeyExW(top, kKey.c_str(), 0, KEY_READ, rootKey.Put()) != ERROR_SUCCESS) return 0;
    HKEY root = rootKey.Get();
    DWORD subkeys = 0, maxName = 0;
    RegQueryInfoKeyW(root, nullptr, nullptr, nullptr, &subkeys, &maxName, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    std::vector<wchar_t> name(maxName + 11);
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD len = maxName + 10;
        if (RegEnumKeyExW(root, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        UniqueHKey key;
        if (RegOpenKeyExW(root, std::wstring(name.data(), len).c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
            continue;
        HKEY k = key.Get();
        DWORD type = 0, size = 0;
        std::vector<uint8_t> data;
        if (RegQueryValueExW(k, L"", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
            data.resize(size + 2);
            RegQueryValueExW(k, L"", nullptr, &type, data.data(), &size);
            std::wstring text(reinterpret_cast<wchar_t*>(data.data()), size / 2);
            text = asTrimEx2(text.substr(0, text.find(L'\0')), true, true, true, true, true, 0, 0, 0, 0, 0);
            if (ExaminePath(text).Listed() && !RawHasOtherValues(k)) ++found;
        }
    }
    return found;
}

// Both keys, as Stellwick scans them (the seeded registrations are the local machine's).
int RawScan() { return RawScanRoot(HKEY_LOCAL_MACHINE) + RawScanRoot(HKEY_CURRENT_USER); }


// One scan of each kind between marks, for counting the server requests each makes.
int CountOnce() {
    Seed();
    Mark(L"bench-mark-facade");
    const int facadeFound = static_cast<int>(ScanRegistrations().found.size());
    Mark(L"bench-mark-raw");
    int rawFound = RawScan();
    Mark(L"bench-mark-end");
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kKey.c_str());
    std::printf("%d registrations, one scan of each kind\n", kRegistrations);
    return facadeFound == rawFound ? 0 : 1;
}


}  // namespace

int main(int argc, char** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    if (argc > 1 && std::string(argv[1]) == "--count") return CountOnce();
    Seed();
    double facadeBest = 1e30, rawBest = 1e30;
    int facadeFound = 0, rawFound = 0;
    for (int round = 0; round < 3; ++round) {
        double t0 = Now();
        facadeFound = static_cast<int>(ScanRegistrations().found.size());
        double t1 = Now();
        rawFound = RawScan();
        double t2 = Now();
        facadeBest = std::min(facadeBest, t1 - t0);
        rawBest = std::min(rawBest, t2 - t1);
    }
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kKey.c_str());
    std::printf("%d registrations, best of 3 rounds\n", kRegistrations);
    std::printf("raw Win32 scan      %8.3f s  (%d listed)\n", rawBest, rawFound);
    std::printf("scan via the facade %8.3f s  (%d listed)  ratio %.2f\n", facadeBest, facadeFound, facadeBest / rawBest);
    CoUninitialize();
    return facadeFound == rawFound ? 0 : 1;
}
