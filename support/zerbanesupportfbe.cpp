#include "support/zerbanesupportfbe.h"
#include "com/handle_owners.h"
#include "com/module_file.h"
#include "support/fs_redirection.h"
#include "support/twips.h"
#include "support/upper_case.h"
#include <bcrypt.h>
#include <shellapi.h>
#include <vector>

namespace {

int g_hostWin2000Override = -1;

float TwipsPerPixel(int axis) { return TwipsPerPixelAt(ScreenDpi(axis)); }

const wchar_t kAppPaths[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// A path as one spelling: its long form where the file exists, in upper case.
std::wstring ComparablePath(std::wstring path) {
    const size_t first = path.find_first_not_of(L" \t\"");
    const size_t last = path.find_last_not_of(L" \t\"");
    path = first == std::wstring::npos ? std::wstring() : path.substr(first, last - first + 1);
    std::vector<wchar_t> full(32768);
    const DWORD n = GetLongPathNameW(path.c_str(), full.data(), static_cast<DWORD>(full.size()));
    return UpperCase(n > 0 && n < full.size() ? std::wstring(full.data(), n) : path);
}

// Whether root\key (in the given registry view) exists with a default value naming `file`.
bool NamesFile(HKEY root, REGSAM view, const std::wstring& key, const std::wstring& file) {
    UniqueHKey k;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, k.Put()) != ERROR_SUCCESS) return false;
    std::vector<wchar_t> value(32768);
    DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    // RRF_RT_REG_SZ takes REG_EXPAND_SZ too, expanded.
    if (RegGetValueW(k.Get(), nullptr, nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &size) !=
        ERROR_SUCCESS)
        return false;
    return ComparablePath(value.data()) == ComparablePath(file);
}

LRESULT CALLBACK HiddenWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, msg, wp, lp); }

}  // namespace

HRESULT esRegisterAppPath() {
    std::wstring exe = ModuleFileName(nullptr);
    if (exe.empty()) return HRESULT_FROM_WIN32(GetLastError());
    std::wstring key = kAppPaths + esGetFileName(exe, false);
    // An installer's registration for every user, or this user's own, already serves: a
    // second one would outlive the program when it is uninstalled or its folder deleted.
    // The machine's key is looked for in both registry views.
    if (NamesFile(HKEY_CURRENT_USER, 0, key, exe) || NamesFile(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key, exe) ||
        NamesFile(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, key, exe))
        return S_OK;
    UniqueHKey k;
    LSTATUS rc = RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.Put(), nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    rc = RegSetValueExW(k.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(exe.c_str()),
                        static_cast<DWORD>((exe.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(rc);
}

bool esIsInIDE() { return false; }

HWND esGetThunderMainHandle() {
    static HWND window = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = HiddenWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZerbaneApplicationWindow";
        RegisterClassW(&wc);
        return CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    }();
    return window;
}

HRESULT esFixUserControlsContainerWindow() { return S_OK; }

HRESULT esOpenReadMeFile(long) {
    std::wstring exe = ModuleFileName(nullptr);
    std::wstring readme = esGetFilePath(exe) + L"ReadMe.html";
    HINSTANCE rc = ShellExecuteW(nullptr, L"open", readme.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(rc) > 32 ? S_OK : E_FAIL;
}

HRESULT esCenterFormEx(HWND window, long) {
    RECT rc;
    if (!GetWindowRect(window, &rc)) return HRESULT_FROM_WIN32(GetLastError());
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &mi)) return E_FAIL;
    const RECT& work = mi.rcWork;
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = work.left + ((work.right - work.left) - w) / 2;
    int y = work.top + ((work.bottom - work.top) - h) / 2;
    if (!SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
        return HRESULT_FROM_WIN32(GetLastError());
    return S_OK;
}

bool esIsFileExist(const std::wstring& path) {
    if (path.empty()) return false;
    NoFsRedirection noRedirection;
    DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring esGetFileName(const std::wstring& path, bool) {
    size_t sep = path.rfind(L'\\');  // only a backslash: registry key names may hold "/"
    return sep == std::wstring::npos ? path : path.substr(sep + 1);
}

std::wstring esGetFilePath(const std::wstring& path) {
    size_t sep = path.rfind(L'\\');  // only a backslash: registry key names may hold "/"
    return sep == std::wstring::npos ? std::wstring() : path.substr(0, sep + 1);
}

float esScreenTwipsPerPixelX() { return TwipsPerPixel(LOGPIXELSX); }
float esScreenTwipsPerPixelY() { return TwipsPerPixel(LOGPIXELSY); }

void esNormalizeRect(RECT* rect) {
    if (!rect) return;
    if (rect->left > rect->right) std::swap(rect->left, rect->right);
    if (rect->top > rect->bottom) std::swap(rect->top, rect->bottom);
    if (MonitorFromRect(rect, MONITOR_DEFAULTTONULL)) return;
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (!GetMonitorInfoW(MonitorFromRect(rect, MONITOR_DEFAULTTONEAREST), &mi)) return;
    const RECT& work = mi.rcWork;
    // 64-bit arithmetic: stored rectangles may hold any 32-bit values.
    long long w = static_cast<long long>(rect->right) - rect->left;
    long long h = static_cast<long long>(rect->bottom) - rect->top;
    long long workW = static_cast<long long>(work.right) - work.left;
    long long workH = static_cast<long long>(work.bottom) - work.top;
    if (w > workW) w = workW;
    if (h > workH) h = workH;
    long long x = rect->left, y = rect->top;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    if (x + w > work.right) x = work.right - w;
    if (y + h > work.bottom) y = work.bottom - h;
    rect->left = static_cast<LONG>(x);
    rect->top = static_cast<LONG>(y);
    rect->right = static_cast<LONG>(x + w);
    rect->bottom = static_cast<LONG>(y + h);
}

uint16_t esLoWord(int32_t value) { return static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFFu); }

bool esIsUnicodeAvailable() { return GetVersion() < 0x80000000u; }  // the NT family

bool esIsHostWin2000_OrHigher() {
    if (g_hostWin2000Override >= 0) return g_hostWin2000Override != 0;
    OSVERSIONINFOW vi = {};
    vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&vi)) return false;
#pragma GCC diagnostic pop
    return vi.dwPlatformId == VER_PLATFORM_WIN32_NT && vi.dwMajorVersion >= 5;
}

void esSetHostWin2000_OrHigherForTest(int answer) { g_hostWin2000Override = answer; }

HRESULT esGetRnd(long low, long high, long, long* out) {
    if (!out) return E_POINTER;
    if (high < low) return E_INVALIDARG;
    unsigned long long span = static_cast<unsigned long long>(static_cast<long long>(high) - low) + 1;
    // Rejection sampling keeps every number equally likely.
    unsigned long long limit = (0x100000000ull / span) * span;
    for (;;) {
        UINT32 r = 0;
        NTSTATUS st = BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&r), sizeof(r), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
        if (st < 0) return HRESULT_FROM_NT(st);
        if (r < limit) {
            *out = static_cast<long>(low + static_cast<long long>(r % span));
            return S_OK;
        }
    }
}

std::wstring esHex1(uint8_t value) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0xF]};
}
