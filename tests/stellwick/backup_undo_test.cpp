// Backups before every change, and undo.
#include "tests/stellwick/stellwick_fixture.h"

namespace {

TEST_F(Stellwick, DeleteAndFixCanBeUndoneExactly) {
    // Data of every kind, where a listed registration can hold it: in its PATH value and its subkeys.
    Register(L"full.exe", kMissing + L"full.exe");
    MakeKey(kAppPaths + L"\\full.exe\\Sub\\Deeper");
    UniqueHKey k;
    const BYTE odd[] = {'a', 0, 'b'}, multi[] = {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, qword[] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\full.exe").c_str(), 0, KEY_ALL_ACCESS, k.Put()));
    RegSetValueExW(k.Get(), L"Path", 0, REG_SZ, odd, sizeof(odd));
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\full.exe\\Sub").c_str(), 0, KEY_ALL_ACCESS, k.Put()));
    RegSetValueExW(k.Get(), L"Multi", 0, REG_MULTI_SZ, multi, sizeof(multi));
    RegSetValueExW(k.Get(), L"Q", 0, REG_QWORD, qword, sizeof(qword));
    RegSetValueExW(k.Get(), L"Unknown", 0, 0x777, qword, 3);
    RegSetValueExW(k.Get(), L"\u0418\u043C\u044F", 0, REG_NONE, nullptr, 0);
    k.Reset();
    Register(L"fix.exe", L"C:\\Old\\fix.exe");
    KeyImage before;
    ASSERT_EQ(ERROR_SUCCESS, CaptureTree(HKEY_LOCAL_MACHINE, kAppPaths + L"\\full.exe", &before));
    WaitForFirstScan();
    ASSERT_EQ((std::vector<std::wstring>{L"fix.exe", L"full.exe"}), Column(1));
    Select({2});
    outside.answers = {IDOK};
    Press(VK_DELETE);
    EXPECT_FALSE(Exists(L"full.exe"));
    WIN32_FIND_DATAW found;
    EXPECT_TRUE(UniqueFindHandle(FindFirstFileW((backups + L"\\*.reg").c_str(), &found)));

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
    EXPECT_EQ((std::vector<std::wstring>{L"fix.exe", L"full.exe"}), Column(1));  // scanned again
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
    ASSERT_TRUE(UniqueHandle(CreateFileW(backups.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)));
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

}  // namespace
