// Fixing and deleting registrations: the warnings, the confirmation, failures and their reports.
#include "tests/stellwick/stellwick_fixture.h"

namespace {

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
    Lock(L"gone.exe");  // the delete will fail
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

TEST_F(Stellwick, DeletesFromTheBottomUpAndSelectsTheRowsBelow) {
    for (int i = 1; i <= 10; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"r%02d.exe", i);
        Register(name, kMissing + name);
    }
    WaitForFirstScan();
    Select({2, 5, 7});
    // Locked: each deletion fails and is reported, in order 7, 5, 2.
    for (const wchar_t* n : {L"r02.exe", L"r05.exe", L"r07.exe"}) Lock(n);
    outside.answers = {IDOK};
    Press(VK_DELETE);
    ASSERT_EQ(1u, outside.messages.size());
    EXPECT_EQ(L"Удалить выделенные элементы из реестра?", outside.messages[0]);
    ASSERT_EQ(3u, outside.errors.size());
    EXPECT_NE(std::wstring::npos, outside.errors[0].second.find(L"r07.exe"));
    EXPECT_NE(std::wstring::npos, outside.errors[1].second.find(L"r05.exe"));
    EXPECT_NE(std::wstring::npos, outside.errors[2].second.find(L"r02.exe\r\n\r\nНе удаётся удалить указанный ключ."));
    EXPECT_EQ(5, outside.errors[0].first);
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

// Each row acts on its own root: one name under both roots is two rows, handled apart.
TEST_F(Stellwick, PerUserRowsAreFixedDeletedAndUndoneUnderTheirOwnRoot) {
    Register(L"dup.exe", kMissing + L"dup.exe");
    RegisterForUser(L"dup.exe", kMissing + L"user\\dup.exe");
    RegisterForUser(L"user.exe", kMissing + L"user.exe");
    WaitForFirstScan();
    // Rows of both roots: one confirmation, one backup file, one undo step.
    Press('A', kCtrl);
    outside.answers = {IDOK};
    Press(VK_DELETE);
    EXPECT_EQ(1u, outside.messages.size());
    EXPECT_EQ(1, FileCount(backups + L"\\*.reg"));
    EXPECT_FALSE(Exists(L"dup.exe") || Exists(L"dup.exe", HKEY_CURRENT_USER) || Exists(L"user.exe", HKEY_CURRENT_USER));
    Press('Z', kCtrl);
    EXPECT_EQ(kMissing + L"dup.exe", DefaultValue(L"dup.exe"));
    EXPECT_EQ(kMissing + L"user\\dup.exe", DefaultValue(L"dup.exe", HKEY_CURRENT_USER));
    EXPECT_EQ(kMissing + L"user.exe", DefaultValue(L"user.exe", HKEY_CURRENT_USER));
    EXPECT_FALSE(window.Changes().history.CanUndo());

    // The per-user dup.exe goes, the machine's stays; then user.exe is fixed in its own root.
    Select({2});
    outside.answers = {IDOK};
    Press(VK_DELETE);
    EXPECT_FALSE(Exists(L"dup.exe", HKEY_CURRENT_USER));
    EXPECT_EQ(kMissing + L"dup.exe", DefaultValue(L"dup.exe"));
    Select({Row(L"user.exe")});
    outside.choice = L"D:\\New\\user.exe";
    Menu(kMenuFix);
    EXPECT_EQ(L"D:\\New\\user.exe", DefaultValue(L"user.exe", HKEY_CURRENT_USER));
    EXPECT_FALSE(Exists(L"user.exe"));
    Press('Z', kCtrl);
    Press('Z', kCtrl);
    EXPECT_EQ(kMissing + L"user.exe", DefaultValue(L"user.exe", HKEY_CURRENT_USER));
    EXPECT_EQ(kMissing + L"user\\dup.exe", DefaultValue(L"dup.exe", HKEY_CURRENT_USER));
    EXPECT_EQ(kMissing + L"dup.exe", DefaultValue(L"dup.exe"));
    EXPECT_EQ(3, window.List().RowCount());
}

// Just before a change each registration is read again: one that no longer qualifies, or
// shows another path, is left alone with its row, and named; the others are handled.
TEST_F(Stellwick, RegistrationsChangedSinceTheScanAreLeftAloneAndNamed) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring appears = std::wstring(temp) + L"stellwick_appears.exe";
    DeleteFileW(appears.c_str());
    for (const wchar_t* name : {L"a.exe", L"c.exe", L"d.exe", L"e.exe"}) Register(name, kMissing + name);
    Register(L"b.exe", appears);
    WaitForFirstScan();
    ASSERT_EQ(5, window.List().RowCount());
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\a.exe").c_str());          // gone
    UniqueHandle(CreateFileW(appears.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));  // now exists
    Register(L"c.exe", kMissing + L"other.exe");                                   // another path
    Register(L"d.exe", kMissing + L"d.exe", REG_SZ, {L"UseUrl"});                  // other values
    outside.choice = L"D:\\New\\c.exe";
    Select({3});
    Menu(kMenuFix);
    Press('A', kCtrl);
    outside.answers = {IDOK};
    Press(VK_DELETE);
    DeleteFileW(appears.c_str());
    ASSERT_EQ(3u, outside.messages.size());
    EXPECT_EQ(L"Эти записи изменились после проверки и не изменены:\r\nc.exe\r\n\r\nНажмите F5, чтобы проверить заново.",
              outside.messages[0]);
    EXPECT_EQ(L"Эти записи изменились после проверки и не изменены:\r\na.exe\r\nb.exe\r\nc.exe\r\nd.exe\r\n\r\n"
              L"Нажмите F5, чтобы проверить заново.",
              outside.messages[2]);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), outside.styles[2]);
    EXPECT_FALSE(Exists(L"e.exe"));
    EXPECT_EQ(kMissing + L"other.exe", DefaultValue(L"c.exe"));
    EXPECT_TRUE(Exists(L"d.exe"));
    EXPECT_EQ((std::vector<std::wstring>{L"a.exe", L"b.exe", L"c.exe", L"d.exe"}), Column(1));
    EXPECT_TRUE(outside.errors.empty());
}

TEST_F(Stellwick, EmptyNamesNeverReachTheRegistry) {
    Register(L"x.exe", kMissing + L"x.exe");
    long code = 0;
    EXPECT_FALSE(DeleteRegistration(MachineHive(), L"", &code));
    EXPECT_FALSE(WriteRegistration(MachineHive(), L"", L"C:\\x.exe", &code));
    EXPECT_EQ(ERROR_INVALID_NAME, code);
    EXPECT_TRUE(Exists(L"x.exe"));
    EXPECT_EQ(L"<none>", DefaultValue(L""));
}

}  // namespace
