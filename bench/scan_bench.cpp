// The App Paths scan through the registry facade against the same tests written with raw
// registry calls (the file test is the program's own in both), in one run: 10,000
// registrations of the machine, and /list /allusers over 50 users' hives of 200 each.
#include <windows.h>
#include "bench/bench_clock.h"
#include <objbase.h>
#include <shlwapi.h>
#include <cstdio>
#include <string>
#include <vector>
#include "stellwick/core/list_and_clean.h"
#include "stellwick/core/path_check.h"
#include "stellwick/core/scan.h"
#include "stellwick/core/user_hives.h"
#include "support/upper_case.h"
#include "support/zerbanesupport.h"

namespace {

const int kRegistrations = 10000;
const int kUsers = 50, kPerUser = 200;
const std::wstring kKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// The bench's users: hives under HKEY_USERS as if their users were logged on.
std::wstring UserSid(int n) { return L"S-1-5-21-1111-2222-3333-" + std::to_wstring(2000 + n); }

void SetText(HKEY k, const wchar_t* name, DWORD type, const std::wstring& text) {
    RegSetValueExW(k, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// A mix that takes every branch of the scan: expandable strings, existing files, missing
// files alone, with a Path value, and with other values.
void Seed(HKEY root, const std::wstring& appPaths, int count) {
    SHDeleteKeyW(root, appPaths.c_str());
    for (int i = 0; i < count; ++i) {
        std::wstring name = L"bench" + std::to_wstring(i) + L".exe";
        UniqueHKey key;
        RegCreateKeyExW(root, (appPaths + L"\\" + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                        nullptr);
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

int RawScanKey(HKEY top, const std::wstring& appPaths) {
    PathExaminer examiner;
    int found = 0;
    UniqueHKey rootKey;
    if (RegOpenKeyExW(top, appPaths.c_str(), 0, KEY_READ, rootKey.Put()) != ERROR_SUCCESS) return 0;
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
            if (examiner.Examine(text).Listed() && !RawHasOtherValues(k)) ++found;
        }
    }
    return found;
}

// Both keys, as Stellwick scans them (the seeded registrations are the local machine's).
int RawScan() { return RawScanKey(HKEY_LOCAL_MACHINE, kKey) + RawScanKey(HKEY_CURRENT_USER, kKey); }

// The machine's key and every user's hive under HKEY_USERS, as /allusers finds them.
int RawScanAllUsers() {
    int found = RawScanKey(HKEY_LOCAL_MACHINE, kKey);
    UniqueHKey users;
    if (RegOpenKeyExW(HKEY_USERS, nullptr, 0, KEY_READ, users.Put()) != ERROR_SUCCESS) return found;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(users.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (IsUserSid(name)) found += RawScanKey(HKEY_USERS, std::wstring(name) + L"\\" + kKey);
    }
    return found;
}

int ListAllUsers() {
    RunOptions options;
    options.allUsers = true;
    return static_cast<int>(ListAndClean(options).findings.size());
}

void SeedUsers() {
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kKey.c_str());
    for (int n = 0; n < kUsers; ++n) Seed(HKEY_USERS, UserSid(n) + L"\\" + kKey, kPerUser);
}

void RemoveUsers() {
    for (int n = 0; n < kUsers; ++n) SHDeleteKeyW(HKEY_USERS, UserSid(n).c_str());
}

// Best of three rounds of each; both must list as many. False when they differ.
bool Compare(const char* what, int (*facade)(), int (*raw)()) {
    double facadeBest = 1e30, rawBest = 1e30;
    int facadeFound = 0, rawFound = 0;
    for (int round = 0; round < 3; ++round) {
        const double t0 = Now();
        facadeFound = facade();
        const double t1 = Now();
        rawFound = raw();
        const double t2 = Now();
        facadeBest = std::min(facadeBest, t1 - t0);
        rawBest = std::min(rawBest, t2 - t1);
    }
    std::printf("%s, best of 3 rounds\n", what);
    std::printf("raw registry scan    %8.3f s  (%d listed)\n", rawBest, rawFound);
    std::printf("Stellwick's scan     %8.3f s  (%d listed)  ratio %.2f\n", facadeBest, facadeFound, facadeBest / rawBest);
    return facadeFound == rawFound;
}

int ScanMachine() { return static_cast<int>(ScanRegistrations().found.size()); }

// One scan of each kind between marks, for counting the server requests each makes.
int CountOnce() {
    Seed(HKEY_LOCAL_MACHINE, kKey, kRegistrations);
    Mark(L"bench-mark-facade");
    const int facadeFound = ScanMachine();
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
    Seed(HKEY_LOCAL_MACHINE, kKey, kRegistrations);
    bool same = Compare("10000 registrations of the machine", ScanMachine, RawScan);
    SeedUsers();
    same = Compare("/list /allusers: 50 users' hives of 200 registrations", ListAllUsers, RawScanAllUsers) && same;
    RemoveUsers();
    CoUninitialize();
    return same ? 0 : 1;
}
