// Stellwick's window, created in-process on the real registry of the test prefix and
// driven with the messages a user's keys and clicks send.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <shlwapi.h>
#include <shellapi.h>
#include <cmath>
#include "editor/app_paths.h"
#include "editor/facade.h"
#include "editor/list_view_support.h"
#include "editor/main_window.h"
#include "editor/backup/registry_tree.h"

namespace {

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
    void TrackPopup(HMENU menu, UINT flags, POINT, HWND) override {
        ++popups;
        popupFlags = flags;
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
    bool fixEnabled = false, deleteEnabled = false;
};

RECT NormalRect(HWND hwnd) {
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    GetWindowPlacement(hwnd, &wp);
    return wp.rcNormalPosition;
}

// Twips per screen pixel as the prefix's DPI gives them, rounded as the column widths are.
long TwipsPerPixelX() {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return static_cast<long>(std::nearbyint(1440.0 / dpi));
}

// A box of this thread's that is open; null when there is none.
BOOL CALLBACK FindBox(HWND hwnd, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

// What a timer saw of the first box it found open, before it closed that box.
struct BoxSeen {
    HWND main = nullptr, owner = nullptr;
    bool seen = false, mainEnabled = true;
} boxSeen;

void CALLBACK CloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    KillTimer(nullptr, timer);
    boxSeen.seen = true;
    boxSeen.owner = GetWindow(box, GW_OWNER);
    boxSeen.mainEnabled = IsWindowEnabled(boxSeen.main) != FALSE;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

LSTATUS SetText(HKEY key, const wchar_t* name, DWORD type, const std::wstring& text) {
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

class Stellwick : public testing::Test {
protected:
    void SetUp() override {
        SHDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey.c_str());
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kAppPaths.c_str());  // this prefix is the tests' own
        MakeKey(kAppPaths);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        backups = std::wstring(temp) + L"stellwick_test_backups";
        std::wstring from = backups + L'\0';  // a double-NUL list of one path
        SHFILEOPSTRUCTW op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
        DeleteFileW(backups.c_str());
        window.Changes().backupFolder = backups;
        ASSERT_TRUE(window.Create(false));
    }
    void TearDown() override {
        SetModifiers(0);
        for (const auto& name : locked) SetAccess(name, L"D:P(A;;KA;;;WD)", DACL_SECURITY_INFORMATION);
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kAppPaths.c_str());
    }

    static void MakeKey(const std::wstring& path) {
        HKEY k = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
        if (k) RegCloseKey(k);
    }
    // A registration with a default value (of the given type) and optional extra values.
    static void Register(const std::wstring& name, const std::wstring& path, DWORD type = REG_SZ,
                         const std::vector<std::wstring>& extra = {}) {
        HKEY k = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\" + name).c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &k, nullptr));
        if (type != REG_NONE) SetText(k, nullptr, type, path);
        for (const auto& v : extra) SetText(k, v.c_str(), REG_SZ, L"C:\\");
        RegCloseKey(k);
    }
    static std::wstring DefaultValue(const std::wstring& name) {
        wchar_t buf[512] = {};
        DWORD size = sizeof(buf);
        if (RegGetValueW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\" + name).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buf,
                         &size) != ERROR_SUCCESS)
            return L"<none>";
        return buf;
    }
    // Everybody may only read the registration's key (and unlock it, as TearDown does); its
    // owner is another, since Wine lets the owner delete a key whatever its access list says.
    void Lock(const std::wstring& name) {
        SetAccess(name, L"O:SYD:P(A;;KRWD;;;WD)", DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION);
        locked.push_back(name);
    }
    static void SetAccess(const std::wstring& name, const wchar_t* sddl, SECURITY_INFORMATION what) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
        HKEY k = nullptr;
        const REGSAM access = (what & OWNER_SECURITY_INFORMATION) ? WRITE_DAC | WRITE_OWNER : WRITE_DAC;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\" + name).c_str(), 0, access, &k));
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(k, what, sd));
        RegCloseKey(k);
        LocalFree(sd);
    }
    static bool Exists(const std::wstring& name) {
        HKEY k = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\" + name).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        return true;
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
    std::vector<std::wstring> locked;
};

TEST_F(Stellwick, WindowLayoutAtStart) {
    wchar_t title[64] = {};
    GetWindowTextW(window.Handle(), title, 64);
    EXPECT_STREQ(L"Stellwick", title);
    ListView& list = window.List();
    EXPECT_EQ(2, list.ColumnCount());
    EXPECT_EQ(2955 / TwipsPerPixelX(), SendMessageW(list.Handle(), LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_EQ(6945 / TwipsPerPixelX(), SendMessageW(list.Handle(), LVM_GETCOLUMNWIDTH, 1, 0));
    DWORD ex = static_cast<DWORD>(SendMessageW(list.Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_LABELTIP),
              ex & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_LABELTIP));
    EXPECT_TRUE(list.MultiSelect());
    wchar_t caption[64] = {};
    GetMenuStringW(window.ContextMenu(), kMenuCommandBase + kMenuDelete, caption, 64, MF_BYCOMMAND);
    EXPECT_STREQ(L"Удалить\tDel", caption);
    // Centred on the work area.
    RECT rc, work;
    GetWindowRect(window.Handle(), &rc);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((work.left + work.right) / 2, (rc.left + rc.right) / 2, 1);
}

TEST_F(Stellwick, ListsOnlySimpleRegistrationsOfMissingFiles) {
    Register(L"expand.exe", kMissing + L"expand.exe", REG_EXPAND_SZ);
    Register(L"nodefault.exe", L"", REG_NONE);
    Register(L"present.exe", L"C:\\windows\\notepad.exe");
    Register(L"quotedpresent.exe", L"\"C:\\windows\\notepad.exe\"");
    Register(L"quotedmissing.exe", L"\"" + kMissing + L"quoted.exe\"");
    Register(L"lowerpath.exe", kMissing + L"lowerpath.exe", REG_SZ, {L"path"});
    Register(L"extra.exe", kMissing + L"extra.exe", REG_SZ, {L"Path", L"UseUrl"});
    Register(L"blanks.exe", L"  " + kMissing + L"blanks.exe \t");
    WaitForFirstScan();
    EXPECT_EQ((std::vector<std::wstring>{L"blanks.exe", L"lowerpath.exe", L"quotedmissing.exe"}), Column(1));
    EXPECT_EQ((std::vector<std::wstring>{kMissing + L"blanks.exe", kMissing + L"lowerpath.exe", kMissing + L"quoted.exe"}),
              Column(2));
    EXPECT_EQ(std::vector<int>{1}, GetSelectedIndices(window.List()));
}

// Whatever an installer left behind, the scan goes through it and lists only what it should.
TEST_F(Stellwick, OddDefaultValuesNeitherStopTheScanNorGetListed) {
    auto raw = [](const std::wstring& name, DWORD type, const std::vector<BYTE>& bytes) {
        HKEY k = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\" + name).c_str(), 0, nullptr,
                                                 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
        RegSetValueExW(k, nullptr, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
        RegCloseKey(k);
    };
    raw(L"binary.exe", REG_BINARY, {1, 2, 3});
    raw(L"dword.exe", REG_DWORD, {1, 0, 0, 0});
    raw(L"unknown.exe", 0x1234, {7});
    raw(L"oddbytes.exe", REG_SZ, {'C', 0, ':', 0, 'x'});  // five bytes, no terminator
    const std::wstring huge = L"C:\\" + std::wstring(512 * 1024, L'h');
    Register(L"huge.exe", huge);
    Register(L"after.exe", kMissing + L"after.exe");
    WaitForFirstScan();
    std::vector<std::wstring> names = Column(1);
    EXPECT_EQ((std::vector<std::wstring>{L"after.exe", L"huge.exe"}), names);
    ASSERT_EQ(2u, names.size());
    EXPECT_EQ(kMissing + L"after.exe", Column(2)[0]);
}

TEST_F(Stellwick, RefreshResetsTheSortAndModifiersMustMatchExactly) {
    Register(L"b.exe", kMissing + L"a.exe");
    Register(L"a.exe", kMissing + L"b.exe");
    WaitForFirstScan();
    ClickHeader(2);
    EXPECT_EQ((std::vector<std::wstring>{L"b.exe", L"a.exe"}), Column(1));
    ClickHeader(2);
    EXPECT_EQ((std::vector<std::wstring>{L"a.exe", L"b.exe"}), Column(1));
    EXPECT_EQ(kDescending, window.List().Order());
    ClickHeader(1);
    EXPECT_EQ(0, window.List().SortKey());
    EXPECT_EQ(kAscending, window.List().Order());
    ClickHeader(2);

    Register(L"c.exe", kMissing + L"c.exe");
    Press(VK_F5, 1);  // Shift+F5 does nothing
    EXPECT_EQ(2, window.List().RowCount());
    Press(VK_F5);
    EXPECT_EQ((std::vector<std::wstring>{L"a.exe", L"b.exe", L"c.exe"}), Column(1));
    EXPECT_EQ(0, window.List().SortKey());

    Select({});
    Press('A', 3);  // Ctrl+Shift+A
    EXPECT_TRUE(GetSelectedIndices(window.List()).empty());
    Press('A', 2);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), GetSelectedIndices(window.List()));
    Press(VK_DELETE, 2);  // Ctrl+Delete
    EXPECT_TRUE(outside.messages.empty());
    Press(VK_F1, 1);
    EXPECT_EQ(1, outside.aboutBoxes);
    Press(VK_F1);
    EXPECT_EQ(1, outside.readMes);
    Press(VK_ESCAPE, 1);  // Shift+Esc
    EXPECT_TRUE(IsWindow(window.Handle()));
    Press(VK_ESCAPE);
    EXPECT_FALSE(IsWindow(window.Handle()));
}

TEST_F(Stellwick, ContextMenuFollowsTheSelection) {
    Register(L"a.exe", kMissing + L"a.exe");
    Register(L"b.exe", kMissing + L"b.exe");
    WaitForFirstScan();
    RightClickRow(1);
    EXPECT_EQ(1, outside.popups);
    EXPECT_TRUE(outside.fixEnabled);
    EXPECT_TRUE(outside.deleteEnabled);
    EXPECT_EQ(static_cast<UINT>(TPM_LEFTALIGN | TPM_RIGHTBUTTON), outside.popupFlags);
    Select({1, 2});
    RightClickRow(2);
    EXPECT_EQ(2, outside.popups);
    EXPECT_FALSE(outside.fixEnabled);
    EXPECT_TRUE(outside.deleteEnabled);
    RightClickRow(1, 1);  // with Shift held: nothing
    RECT last = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(window.List().Handle(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&last));
    RightClickAt({5, last.bottom + 10});  // empty space below the rows: nothing
    Select({});
    RightClickRow(1);  // nothing selected: nothing
    EXPECT_EQ(2, outside.popups);
}

TEST_F(Stellwick, FixWritesTheChosenPathAfterTheWarnings) {
    Register(L"foo.exe", L"C:\\Old\\foo.exe", REG_SZ, {L"PATH"});
    Register(L"zed.exe", L"C:\\Old\\fooold.exe");
    WaitForFirstScan();
    // Same name in another case: no warning.
    outside.choice = L"D:\\New\\FOO.EXE";
    Menu(kMenuFix);
    EXPECT_TRUE(outside.messages.empty());
    EXPECT_EQ(L"Все файлы|*.*", outside.dialogFilter);
    EXPECT_EQ(L"foo.exe", outside.dialogFile);
    EXPECT_EQ(L"C:\\Old\\", outside.dialogFolder);
    EXPECT_EQ(L"D:\\New\\FOO.EXE", DefaultValue(L"foo.exe"));
    EXPECT_EQ((std::vector<std::wstring>{L"zed.exe"}), Column(1));
    wchar_t path[64] = {};
    DWORD size = sizeof(path);
    RegGetValueW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\foo.exe").c_str(), L"PATH", RRF_RT_REG_SZ, nullptr, path, &size);
    EXPECT_STREQ(L"C:\\", path);  // other values are left alone

    // Another name: the first warning; Cancel changes nothing and the row stays.
    outside.choice = L"D:\\New\\bar.exe";
    outside.answers = {IDCANCEL};
    Menu(kMenuFix);
    ASSERT_EQ(1u, outside.messages.size());
    EXPECT_EQ(0u, outside.messages[0].find(L"Имя раздела App Paths и имя выбранного файла не совпадают. "));
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION), outside.styles[0]);
    EXPECT_EQ(L"C:\\Old\\fooold.exe", DefaultValue(L"zed.exe"));
    EXPECT_EQ(1, window.List().RowCount());

    // The key's name but not the registered file's: the second warning only.
    outside.choice = L"D:\\New\\zed.exe";
    outside.answers = {IDOK};
    Menu(kMenuFix);
    ASSERT_EQ(2u, outside.messages.size());
    EXPECT_EQ(0u, outside.messages[1].find(L"Имя выбранного файла и имя оригинального файла не совпадают. "));
    EXPECT_EQ(L"D:\\New\\zed.exe", DefaultValue(L"zed.exe"));
    EXPECT_EQ(0, window.List().RowCount());
}

// Names differing only in case are the same name in any script, not only in ASCII.
TEST_F(Stellwick, CyrillicNamesInAnotherCaseGiveNoWarning) {
    const std::wstring lower = L"\u043F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0430.exe";  // программа.exe
    const std::wstring upper = L"\u041F\u0420\u041E\u0413\u0420\u0410\u041C\u041C\u0410.EXE";
    Register(lower, L"C:\\Old\\" + lower);
    WaitForFirstScan();
    outside.choice = L"D:\\New\\" + upper;
    Menu(kMenuFix);
    EXPECT_TRUE(outside.messages.empty());
    EXPECT_EQ(L"D:\\New\\" + upper, DefaultValue(lower));
}

TEST_F(Stellwick, FirstWarningConfirmedSkipsTheSecondAndCancelledDialogChangesNothing) {
    Register(L"foo.exe", L"C:\\Old\\fooold.exe");
    Register(L"goo.exe", L"");
    WaitForFirstScan();
    outside.choice = L"";
    Menu(kMenuFix);
    EXPECT_EQ(2, window.List().RowCount());
    outside.choice = L"D:\\New\\bar.exe";
    outside.answers = {IDOK};
    Menu(kMenuFix);
    EXPECT_EQ(1u, outside.messages.size());
    EXPECT_EQ(L"D:\\New\\bar.exe", DefaultValue(L"foo.exe"));
    // An empty registered path gives no warning for the key's own name.
    outside.choice = L"D:\\New\\goo.exe";
    Menu(kMenuFix);
    EXPECT_EQ(1u, outside.messages.size());
    EXPECT_EQ(L"D:\\New\\goo.exe", DefaultValue(L"goo.exe"));
}

TEST_F(Stellwick, AFailedWriteIsReportedAndTheRowStillGoes) {
    Register(L"locked.exe", kMissing + L"locked.exe");
    Register(L"other.exe", kMissing + L"other.exe");
    Lock(L"locked.exe");  // writing the default value is denied
    WaitForFirstScan();
    Select({1});
    outside.choice = L"D:\\New\\locked.exe";
    Menu(kMenuFix);
    ASSERT_EQ(1u, outside.errors.size());
    EXPECT_EQ(5, outside.errors[0].first);
    EXPECT_EQ(kAppPaths + L"\\locked.exe\r\n\r\nНе удаётся изменить указанный ключ.", outside.errors[0].second);
    EXPECT_EQ(16, outside.errorStyle);
    // The dialog and the report are the main window's, whichever window is active.
    EXPECT_EQ((std::vector<HWND>{window.Handle(), window.Handle()}), outside.owners);
    EXPECT_EQ((std::vector<std::wstring>{L"other.exe"}), Column(1));
    EXPECT_EQ(kMissing + L"locked.exe", DefaultValue(L"locked.exe"));
    EXPECT_FALSE(window.Changes().history.CanUndo());  // nothing changed, nothing to undo
    Press(VK_F5);  // still broken: back in the list
    EXPECT_EQ(2, window.List().RowCount());
}

// The system's error box, owned by the main window, keeps every command away while it is up.
TEST_F(Stellwick, TheErrorBoxDisablesTheMainWindow) {
    Register(L"gone.exe", kMissing + L"gone.exe");
    WaitForFirstScan();
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\gone.exe").c_str());  // the delete will fail
    boxSeen = BoxSeen{};
    boxSeen.main = window.Handle();
    outside.realErrors = true;
    outside.answers = {IDOK};
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, CloseBox);
    Press(VK_DELETE);
    KillTimer(nullptr, timer);
    ASSERT_TRUE(boxSeen.seen);
    EXPECT_EQ(window.Handle(), boxSeen.owner);
    EXPECT_FALSE(boxSeen.mainEnabled);
    EXPECT_TRUE(IsWindowEnabled(window.Handle()));
}

// A class factory that makes nothing: the DLL as a broken installation would leave it.
class RefusingFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_ACCESSDENIED;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

TEST_F(Stellwick, ARegistryObjectThatCannotBeMadeIsReportedNotTakenForSuccess) {
    Register(L"foo.exe", kMissing + L"foo.exe");
    Register(L"bar.exe", kMissing + L"bar.exe");
    WaitForFirstScan();
    RefusingFactory factory;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_zbnRegistry2, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                          &cookie));
    Select({2});  // foo.exe
    outside.choice = L"D:\\New\\foo.exe";
    Menu(kMenuFix);
    Select({1});
    outside.answers = {IDOK};
    Menu(kMenuDelete);
    CoRevokeClassObject(cookie);
    ASSERT_EQ(2u, outside.errors.size());
    EXPECT_EQ(static_cast<long>(E_ACCESSDENIED), outside.errors[0].first);
    EXPECT_EQ(kAppPaths + L"\\foo.exe\r\n\r\nНе удаётся изменить указанный ключ.", outside.errors[0].second);
    EXPECT_EQ(kAppPaths + L"\\bar.exe\r\n\r\nНе удаётся удалить указанный ключ.", outside.errors[1].second);
    EXPECT_EQ(kMissing + L"foo.exe", DefaultValue(L"foo.exe"));
    EXPECT_TRUE(Exists(L"bar.exe"));
}

TEST_F(Stellwick, DeletesFromTheBottomUpAndSelectsTheRowsBelow) {
    for (int i = 1; i <= 10; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"r%02d.exe", i);
        Register(name, kMissing + name);
    }
    WaitForFirstScan();
    Select({2, 5, 7});
    // Gone behind the list's back: each deletion fails and is reported, in order 7, 5, 2.
    for (const wchar_t* n : {L"r02.exe", L"r05.exe", L"r07.exe"})
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\" + n).c_str());
    outside.answers = {IDOK};
    Press(VK_DELETE);
    ASSERT_EQ(1u, outside.messages.size());
    EXPECT_EQ(L"Удалить выделенные элементы из реестра?", outside.messages[0]);
    ASSERT_EQ(3u, outside.errors.size());
    EXPECT_NE(std::wstring::npos, outside.errors[0].second.find(L"r07.exe"));
    EXPECT_NE(std::wstring::npos, outside.errors[1].second.find(L"r05.exe"));
    EXPECT_NE(std::wstring::npos, outside.errors[2].second.find(L"r02.exe\r\n\r\nНе удаётся удалить указанный ключ."));
    EXPECT_EQ(2, outside.errors[0].first);
    EXPECT_FALSE(window.Changes().history.CanUndo());  // nothing was deleted
    EXPECT_EQ(7, window.List().RowCount());
    EXPECT_EQ((std::vector<int>{2, 4, 5}), GetSelectedIndices(window.List()));
    EXPECT_EQ(L"r03.exe", window.List().Text(2, 1));

    Select({9 - 3, 7});  // rows 6 and 7 of seven: r09 and r10
    outside.answers = {IDOK};
    Press(VK_DELETE);
    EXPECT_FALSE(Exists(L"r09.exe"));
    EXPECT_FALSE(Exists(L"r10.exe"));
    EXPECT_EQ(5, window.List().RowCount());
    EXPECT_EQ(std::vector<int>{5}, GetSelectedIndices(window.List()));
}

TEST_F(Stellwick, DeleteTakesSubkeysAndAsksNothingWithoutASelection) {
    Register(L"tree.exe", kMissing + L"tree.exe");
    MakeKey(kAppPaths + L"\\tree.exe\\Sub\\Deeper");
    Register(L"keep.exe", kMissing + L"keep.exe");
    WaitForFirstScan();
    Select({});
    Press(VK_DELETE);
    EXPECT_TRUE(outside.messages.empty());
    Select({2});
    outside.answers = {IDCANCEL};
    Menu(kMenuDelete);
    EXPECT_TRUE(Exists(L"tree.exe"));
    outside.answers = {IDOK};
    Menu(kMenuDelete);
    EXPECT_FALSE(Exists(L"tree.exe"));
    EXPECT_TRUE(Exists(L"keep.exe"));
    Select({1});
    outside.answers = {IDOK};
    Menu(kMenuDelete);
    EXPECT_EQ(0, window.List().RowCount());
    EXPECT_TRUE(GetSelectedIndices(window.List()).empty());
}

TEST_F(Stellwick, EmptyNamesNeverReachTheRegistry) {
    Register(L"x.exe", kMissing + L"x.exe");
    DeleteAppPathEntry(L"", window.Handle(), outside);
    WriteAppPathEntry(L"", L"C:\\x.exe", window.Handle(), outside);
    EXPECT_TRUE(Exists(L"x.exe"));
    EXPECT_EQ(L"<none>", DefaultValue(L""));
}

TEST_F(Stellwick, TooSmallAWindowKeepsTheListsLastBounds) {
    RECT before, after;
    SetWindowPos(window.Handle(), nullptr, 0, 0, 700, 400, SWP_NOZORDER | SWP_NOMOVE);
    GetWindowRect(window.List().Handle(), &before);
    SetWindowPos(window.Handle(), nullptr, 0, 0, 30, 30, SWP_NOZORDER | SWP_NOMOVE);
    GetWindowRect(window.List().Handle(), &after);
    EXPECT_EQ(before.right - before.left, after.right - after.left);
    EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
}

TEST_F(Stellwick, ReopensWhereItWasClosedWithTheColumnWidthsLeft) {
    // First start: centred with the designed widths (checked above); now move, resize,
    // change the columns and close.
    SetWindowPos(window.Handle(), nullptr, 40, 30, 600, 350, SWP_NOZORDER);
    SendMessageW(window.List().Handle(), LVM_SETCOLUMNWIDTH, 0, 150);
    SendMessageW(window.List().Handle(), LVM_SETCOLUMNWIDTH, 1, 300);
    RECT closed;
    GetWindowRect(window.Handle(), &closed);
    Press(VK_ESCAPE);
    ASSERT_FALSE(IsWindow(window.Handle()));
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, (kSettingsKey + L"\\Version 1.1\\frmMain").c_str(), 0,
                                           KEY_READ, &k));
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(k, L"Window placement", nullptr, &type, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(44u, size);
    RegCloseKey(k);
    DWORD twips = 0;
    size = sizeof(twips);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, (kSettingsKey + L"\\Version 1.1\\lvAppPath").c_str(),
                                          L"Column 1 Width", RRF_RT_REG_DWORD, nullptr, &twips, &size));
    EXPECT_EQ(static_cast<DWORD>(150 * TwipsPerPixelX()), twips);

    MainWindow second(outside);
    ASSERT_TRUE(second.Create(false));
    RECT reopened;
    GetWindowRect(second.Handle(), &reopened);
    EXPECT_TRUE(EqualRect(&closed, &reopened));
    EXPECT_EQ(150, SendMessageW(second.List().Handle(), LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_EQ(300, SendMessageW(second.List().Handle(), LVM_GETCOLUMNWIDTH, 1, 0));

    // Closed maximised, it reopens maximised, however it is started, and restores to where
    // it was before.
    second.Show(SW_SHOWNORMAL);
    ShowWindow(second.Handle(), SW_MAXIMIZE);
    Pump();
    DestroyWindow(second.Handle());
    MainWindow third(outside);
    ASSERT_TRUE(third.Create(false));
    third.Show(SW_SHOWNORMAL);
    Pump();
    EXPECT_TRUE(IsZoomed(third.Handle()));
    RECT normal = NormalRect(third.Handle());
    EXPECT_TRUE(EqualRect(&closed, &normal));
}

TEST_F(Stellwick, DeleteAndFixCanBeUndoneExactly) {
    Register(L"full.exe", kMissing + L"full.exe");
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\full.exe").c_str(), 0, KEY_ALL_ACCESS, &k));
    const BYTE odd[] = {'a', 0, 'b'}, multi[] = {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, qword[] = {1, 2, 3, 4, 5, 6, 7, 8};
    RegSetValueExW(k, L"Odd", 0, REG_SZ, odd, sizeof(odd));
    RegSetValueExW(k, L"Multi", 0, REG_MULTI_SZ, multi, sizeof(multi));
    RegSetValueExW(k, L"Q", 0, REG_QWORD, qword, sizeof(qword));
    RegSetValueExW(k, L"Unknown", 0, 0x777, qword, 3);
    RegSetValueExW(k, L"\u0418\u043C\u044F", 0, REG_NONE, nullptr, 0);
    RegCloseKey(k);
    MakeKey(kAppPaths + L"\\full.exe\\Sub\\Deeper");
    Register(L"fix.exe", L"C:\\Old\\fix.exe");
    KeyImage before;
    ASSERT_EQ(ERROR_SUCCESS, CaptureTree(HKEY_LOCAL_MACHINE, kAppPaths + L"\\full.exe", &before));
    // A registration with other values is not listed: delete it through the row of another
    // name after a scan, as the list would show it were it broken.
    WaitForFirstScan();
    ASSERT_EQ((std::vector<std::wstring>{L"fix.exe"}), Column(1));
    window.List().AddRow(L"full.exe", kMissing + L"full.exe");
    Select({2});
    outside.answers = {IDOK};
    Press(VK_DELETE);
    EXPECT_FALSE(Exists(L"full.exe"));
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((backups + L"\\*.reg").c_str(), &found);
    EXPECT_NE(INVALID_HANDLE_VALUE, h);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);

    outside.choice = L"D:\\New\\fix.exe";
    Select({1});
    Menu(kMenuFix);
    EXPECT_EQ(L"D:\\New\\fix.exe", DefaultValue(L"fix.exe"));
    RightClickAt({5, 5});
    Press('Z', 2);  // the fix first
    EXPECT_EQ(L"C:\\Old\\fix.exe", DefaultValue(L"fix.exe"));
    EXPECT_FALSE(Exists(L"full.exe"));
    Menu(kMenuUndo);  // then the delete
    KeyImage after;
    ASSERT_EQ(ERROR_SUCCESS, CaptureTree(HKEY_LOCAL_MACHINE, kAppPaths + L"\\full.exe", &after));
    EXPECT_TRUE(before == after);
    EXPECT_EQ((std::vector<std::wstring>{L"fix.exe"}), Column(1));  // scanned again
    EXPECT_FALSE(window.Changes().history.CanUndo());
}

// An undo step holds only what its command changed; one that cannot be carried out is
// reported once and dropped, and the older steps stay within reach.
TEST_F(Stellwick, UndoKeepsOnlyRealChangesAndGetsPastAStepThatFails) {
    for (const wchar_t* name : {L"a.exe", L"b.exe", L"c.exe", L"d.exe"}) Register(name, kMissing + name);
    WaitForFirstScan();
    outside.choice = L"D:\\New\\c.exe";
    Select({Row(L"c.exe")});
    Menu(kMenuFix);
    Lock(L"b.exe");
    Select({Row(L"a.exe"), Row(L"b.exe")});
    outside.answers = {IDOK};
    Press(VK_DELETE);  // a.exe goes, b.exe cannot
    ASSERT_EQ(1u, outside.errors.size());
    Press('Z', 2);
    EXPECT_TRUE(Exists(L"a.exe"));
    EXPECT_EQ(1u, outside.errors.size());  // b.exe, which did not change, was not touched

    Select({Row(L"d.exe")});
    outside.answers = {IDOK};
    Press(VK_DELETE);
    Register(L"d.exe", L"C:\\Else\\d.exe");  // put back by someone else, for reading only
    Lock(L"d.exe");
    Press('Z', 2);
    ASSERT_EQ(2u, outside.errors.size());
    EXPECT_EQ(0u, outside.errors[1].second.find(L"Не удаётся отменить последнее изменение."));
    EXPECT_EQ(L"C:\\Else\\d.exe", DefaultValue(L"d.exe"));
    Press('Z', 2);  // the fix, the oldest step
    EXPECT_EQ(2u, outside.errors.size());
    EXPECT_EQ(kMissing + L"c.exe", DefaultValue(L"c.exe"));
    EXPECT_FALSE(window.Changes().history.CanUndo());
}

TEST_F(Stellwick, ABackupThatCannotBeWrittenStopsTheCommand) {
    Register(L"a.exe", kMissing + L"a.exe");
    HANDLE file = CreateFileW(backups.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    WaitForFirstScan();
    outside.answers = {IDOK, IDOK};
    Press(VK_DELETE);
    ASSERT_EQ(2u, outside.messages.size());
    EXPECT_EQ(0u, outside.messages[1].find(L"Не удаётся сохранить резервную копию. Реестр не изменён.\r\n\r\n" + backups));
    EXPECT_TRUE(Exists(L"a.exe"));
    EXPECT_EQ(1, window.List().RowCount());
    outside.choice = L"D:\\a.exe";
    Menu(kMenuFix);
    EXPECT_EQ(kMissing + L"a.exe", DefaultValue(L"a.exe"));
    EXPECT_FALSE(window.Changes().history.CanUndo());
    DeleteFileW(backups.c_str());
}

TEST(ListViewSupport, BoundsAndRounding) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND lv = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 400, 300, parent, nullptr, nullptr, nullptr);
    ListView list;
    list.Attach(lv);
    list.AddColumn(L"one");
    list.AddColumn(L"two");
    SelectOnlyItem(list, 1);  // empty list: nothing
    SortByColumn(list, 0);
    SortByColumn(list, 3);
    EXPECT_FALSE(list.Sorted());
    for (const wchar_t* t : {L"c", L"a", L"e", L"b", L"d"}) list.AddRow(t, L"");
    list.SetSelected(2, true);
    list.SetSelected(5, true);
    EXPECT_EQ((std::vector<int>{2, 5}), GetSelectedIndices(list));
    SelectOnlyItem(list, 9);  // beyond the last row: clears the selection
    EXPECT_TRUE(GetSelectedIndices(list).empty());
    SortByColumn(list, 1);
    list.AddRow(L"B2", L"");
    EXPECT_EQ(L"a", list.Text(1, 1));
    EXPECT_EQ(L"b", list.Text(2, 1));
    EXPECT_EQ(L"B2", list.Text(3, 1));

    const float tpp = static_cast<float>(TwipsPerPixelX());
    SetColumnWidthTwips(list, 1, tpp - 1);  // less than a pixel
    EXPECT_EQ(0, SendMessageW(lv, LVM_GETCOLUMNWIDTH, 0, 0));
    SetColumnWidthTwips(list, 1, 2 * tpp - 0.5f);  // rounds to the even 2 * tpp twips first
    EXPECT_EQ(2, SendMessageW(lv, LVM_GETCOLUMNWIDTH, 0, 0));
    SetColumnWidthTwips(list, 1, -1.0f);
    SetColumnWidthTwips(list, 3, 1500.0f);
    EXPECT_EQ(2, SendMessageW(lv, LVM_GETCOLUMNWIDTH, 0, 0));
    SendMessageW(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, 0xFFFF, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    SetGridLines(list, false);
    EXPECT_EQ(static_cast<LRESULT>(LVS_EX_FULLROWSELECT), SendMessageW(lv, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    DestroyWindow(parent);
}

}  // namespace
