#pragma once
// Stellwick's window, created in-process on the real registry of the test prefix and
// driven with the messages a user's keys and clicks send: the fixture of every window test.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <shlwapi.h>
#include <shellapi.h>
#include <cmath>
#include "com/handle_owners.h"
#include "stellwick/core/scan.h"
#include "stellwick/window/commands.h"
#include "stellwick/core/facade.h"
#include "stellwick/window/list_view_support.h"
#include "stellwick/window/main_window.h"
#include "registry/trees/registry_tree.h"
#include "support/twips.h"
#include "tests/scratch_files.h"
#include "tests/test_registry_keys.h"

const std::wstring kAppPaths = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::wstring kMissing = L"C:\\Tarnwell\\Missing\\";
const std::wstring kSettingsKey = L"Software\\Orrindale\\Zerbane\\Zerbane - Stellwick";

// Answers dialogs and records what the window asked, and which window owned each box.
class FakeOutside final : public Outside {
public:
    int ShowMessage(HWND owner, const std::wstring& text, UINT style) override {
        owners.push_back(owner);
        messages.push_back(text);
        styles.push_back(style);
        int answer = answers.empty() ? IDCANCEL : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return answer;
    }
    bool ShowOpenDialog(const std::wstring& filter, long, HWND owner, const std::wstring& fileName,
                        const std::wstring& folder, std::wstring* chosen) override {
        owners.push_back(owner);
        dialogFilter = filter;
        dialogFile = fileName;
        dialogFolder = folder;
        if (choice.empty()) return false;
        *chosen = choice;
        return true;
    }
    void ReportRegistryError(HWND owner, long code, long style, long reserved, const std::wstring& text,
                             bool* handled) override {
        owners.push_back(owner);
        errors.push_back({code, text});
        errorStyle = style;
        if (realErrors) SystemOutside().ReportRegistryError(owner, code, style, reserved, text, handled);
    }
    void ShowAboutBox(HWND owner) override {
        owners.push_back(owner);
        ++aboutBoxes;
    }
    void OpenReadMe() override { ++readMes; }
    void TrackPopup(HMENU menu, UINT flags, POINT screen, HWND) override {
        ++popups;
        popupFlags = flags;
        popupPoint = screen;
        fixEnabled = !(GetMenuState(menu, kMenuCommandBase + kMenuFix, MF_BYCOMMAND) & MF_GRAYED);
        deleteEnabled = !(GetMenuState(menu, kMenuCommandBase + kMenuDelete, MF_BYCOMMAND) & MF_GRAYED);
    }

    bool realErrors = false;  // the system's error box as well
    std::vector<HWND> owners;
    std::vector<int> answers;
    std::vector<std::wstring> messages;
    std::vector<UINT> styles;
    std::wstring choice, dialogFilter, dialogFile, dialogFolder;
    std::vector<std::pair<long, std::wstring>> errors;
    long errorStyle = 0;
    int aboutBoxes = 0, readMes = 0, popups = 0;
    UINT popupFlags = 0;
    POINT popupPoint = {};
    bool fixEnabled = false, deleteEnabled = false;
};

inline RECT NormalRect(HWND hwnd) {
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    GetWindowPlacement(hwnd, &wp);
    return wp.rcNormalPosition;
}

// Twips per screen pixel as the prefix's DPI gives them: exact, as stored widths use them,
// and rounded, as designed widths are divided by them.
inline float ScreenTwipsPerPixel() {
    const int dpi = GetDeviceCaps(WindowDcOf(nullptr).Get().dc, LOGPIXELSX);
    return 1440.0f / static_cast<float>(dpi);
}
inline long TwipsPerPixelX() { return static_cast<long>(std::nearbyint(ScreenTwipsPerPixel())); }

inline LSTATUS SetText(HKEY key, const wchar_t* name, DWORD type, const std::wstring& text) {
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

inline int FileCount(const std::wstring& pattern) {
    WIN32_FIND_DATAW found;
    const UniqueFindHandle search(FindFirstFileW(pattern.c_str(), &found));
    if (!search) return 0;
    int n = 1;
    while (FindNextFileW(search.Get(), &found)) ++n;
    return n;
}

class Stellwick : public testing::Test {
protected:
    void SetUp() override {
        SHDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey.c_str());
        // This prefix is the tests' own; the per-user key is absent unless a test makes it.
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kAppPaths.c_str());
        SHDeleteKeyW(HKEY_CURRENT_USER, kAppPaths.c_str());
        MakeKey(kAppPaths);
        backups = TempFolder() + L"stellwick_test_backups";
        RemoveFolder(backups);
        window.Changes().backupFolder = backups;
        ASSERT_TRUE(window.Create(false));
    }
    void TearDown() override {
        SetModifiers(0);
        for (const auto& key : locked) SetAccess(key.first, key.second, L"D:P(A;;KA;;;WD)", DACL_SECURITY_INFORMATION);
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kAppPaths.c_str());
        SHDeleteKeyW(HKEY_CURRENT_USER, kAppPaths.c_str());
    }

    static void MakeKey(const std::wstring& path, HKEY root = HKEY_LOCAL_MACHINE) {
        UniqueHKey k;
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr);
    }
    // A registration with a default value (of the given type) and optional extra values.
    // `below` goes before the App Paths key: a user's SID under HKEY_USERS, say.
    static void Register(const std::wstring& name, const std::wstring& path, DWORD type = REG_SZ,
                         const std::vector<std::wstring>& extra = {}, HKEY root = HKEY_LOCAL_MACHINE,
                         const std::wstring& below = L"") {
        UniqueHKey k;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, (below + kAppPaths + L"\\" + name).c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, k.Put(), nullptr));
        if (type != REG_NONE) SetText(k.Get(), nullptr, type, path);
        for (const auto& v : extra) SetText(k.Get(), v.c_str(), REG_SZ, L"C:\\");
    }
    // A per-user registration of a plain string.
    static void RegisterForUser(const std::wstring& name, const std::wstring& path) {
        Register(name, path, REG_SZ, {}, HKEY_CURRENT_USER);
    }
    static std::wstring DefaultValue(const std::wstring& name, HKEY root = HKEY_LOCAL_MACHINE) {
        wchar_t buf[512] = {};
        DWORD size = sizeof(buf);
        if (RegGetValueW(root, (kAppPaths + L"\\" + name).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buf, &size) !=
            ERROR_SUCCESS)
            return L"<none>";
        return buf;
    }
    // Everybody may only read the registration's key (and unlock it, as TearDown does); its
    // owner is another, since Wine lets the owner delete a key whatever its access list says.
    void Lock(const std::wstring& name) { LockKey(HKEY_LOCAL_MACHINE, kAppPaths + L"\\" + name, L"KRWD"); }
    // Nobody may read the key (but unlock it).
    void LockOut(HKEY root, const std::wstring& path) { LockKey(root, path, L"WD"); }
    void LockKey(HKEY root, const std::wstring& path, const std::wstring& rights) {
        SetAccess(root, path, (L"O:SYD:P(A;;" + rights + L";;;WD)").c_str(),
                  DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION);
        locked.push_back({root, path});
    }
    static void SetAccess(HKEY root, const std::wstring& path, const wchar_t* sddl, SECURITY_INFORMATION what) {
        EXPECT_EQ(ERROR_SUCCESS, SetKeySecurity(root, path, sddl, what));
    }
    static bool Exists(const std::wstring& name, HKEY root = HKEY_LOCAL_MACHINE, const std::wstring& below = L"") {
        UniqueHKey k;
        return RegOpenKeyExW(root, (below + kAppPaths + L"\\" + name).c_str(), 0, KEY_READ, k.Put()) == ERROR_SUCCESS;
    }
    std::wstring Status() {
        wchar_t text[256] = {};
        SendMessageW(window.StatusBar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }

    // The thread's modifier keys as the window reads them (Shift 1, Ctrl 2, Alt 4).
    static void SetModifiers(int shift) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = (shift & 1) ? 0x80 : 0;
        keys[VK_CONTROL] = (shift & 2) ? 0x80 : 0;
        keys[VK_MENU] = (shift & 4) ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    // A key press as the list (which has the focus) receives it.
    void Press(UINT key, int shift = 0) {
        SetModifiers(shift);
        SendMessageW(window.List().Handle(), (shift & 4) ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1);
        SetModifiers(0);
        Pump();
    }
    void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // Lets the start-up timer fire the first refresh.
    void WaitForFirstScan() {
        for (int i = 0; i < 50; ++i) {
            Pump();
            Sleep(10);
        }
    }
    std::vector<std::wstring> Column(int column) {
        std::vector<std::wstring> out;
        for (int i = 1; i <= window.List().RowCount(); ++i) out.push_back(window.List().Text(i, column));
        return out;
    }
    int Row(const std::wstring& name) {
        for (int i = 1; i <= window.List().RowCount(); ++i)
            if (window.List().Text(i, 1) == name) return i;
        return 0;
    }
    void Select(const std::vector<int>& rows) {
        for (int i = 1; i <= window.List().RowCount(); ++i) window.List().SetSelected(i, false);
        for (int r : rows) window.List().SetSelected(r, true);
    }
    void RightClickRow(int row, int shift = 0) {
        RECT rc = {};
        rc.left = LVIR_BOUNDS;
        SendMessageW(window.List().Handle(), LVM_GETITEMRECT, row - 1, reinterpret_cast<LPARAM>(&rc));
        RightClickAt({rc.left + 5, (rc.top + rc.bottom) / 2}, shift);
    }
    void RightClickAt(POINT pt, int shift = 0) {
        SetModifiers(shift);
        NMITEMACTIVATE n = {};
        n.hdr.hwndFrom = window.List().Handle();
        n.hdr.idFrom = 0;
        n.hdr.code = NM_RCLICK;
        n.iItem = -1;
        n.ptAction = pt;
        SendMessageW(window.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
        SetModifiers(0);
    }
    void ClickHeader(int column) {
        NMLISTVIEW n = {};
        n.hdr.hwndFrom = window.List().Handle();
        n.hdr.code = LVN_COLUMNCLICK;
        n.iItem = -1;
        n.iSubItem = column - 1;
        SendMessageW(window.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
    }
    void Menu(int index) { SendMessageW(window.Handle(), WM_COMMAND, kMenuCommandBase + index, 0); }

    FakeOutside outside;
    MainWindow window{outside};
    std::wstring backups;
    std::vector<std::pair<HKEY, std::wstring>> locked;
};
