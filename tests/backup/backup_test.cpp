// Stellwick's backups and undo of registration trees, exact to the byte.
#include <gtest/gtest.h>
#include "com/handle_owners.h"
#include "registry/trees/registry_tree.h"
#include "tests/registry/trees/tree_fixture.h"
#include "stellwick/core/backup/undo_history.h"
#include <algorithm>

namespace {

class Backup : public testing::Test {
protected:
    void SetUp() override { RemoveFolder(folder); }
    ScratchKey key{L"BackupUndo"};
    const std::wstring folder = TempFolder() + L"tarnwell_backup_test";
};

// A backup file puts back the same bytes when the system's registry editor imports it.
TEST_F(Backup, ImportedByTheRegistryEditorGivesTheSameTree) {
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Sub(L"reg"), EveryKindTree()));
    KeyImage before;
    ASSERT_EQ(ERROR_SUCCESS, CaptureTree(HKEY_CURRENT_USER, key.Sub(L"reg"), &before));
    UndoStep step;
    std::wstring file;
    ASSERT_EQ(S_OK, BackupKeys({{HKEY_CURRENT_USER, key.Sub(L"reg")}}, folder, &step, &file));
    ASSERT_EQ(ERROR_SUCCESS, SHDeleteKeyW(HKEY_CURRENT_USER, key.Sub(L"reg").c_str()));

    std::wstring command = L"regedit.exe /s \"" + file + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    const UniqueHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.Get(), 60000);

    KeyImage after;
    ASSERT_EQ(ERROR_SUCCESS, CaptureTree(HKEY_CURRENT_USER, key.Sub(L"reg"), &after));
    for (const auto& v : before.values) {
        // Wine's registry editor turns string data given as hex(1) into a terminated string,
        // so a REG_SZ of odd length cannot come back through an import there (the undo path,
        // which does not go through a file, keeps it exact).
        if (v.name == L"OddText") continue;
        const bool named = v.name.find(L'\n') == std::wstring::npos;  // else only a comment
        auto it = std::find_if(after.values.begin(), after.values.end(),
                               [&](const ValueImage& w) { return w.name == v.name; });
        ASSERT_EQ(named, it != after.values.end()) << std::string(v.name.begin(), v.name.end());
        if (!named) continue;
        EXPECT_EQ(v.type, it->type) << std::string(v.name.begin(), v.name.end());
        EXPECT_EQ(v.data, it->data) << std::string(v.name.begin(), v.name.end());
    }
    EXPECT_EQ(before.values.size() - 1, after.values.size());
    EXPECT_TRUE(std::vector<KeyImage>(before.subkeys.begin() + 1, before.subkeys.end()) == after.subkeys);  // all but "Line\nKey"
}

TEST_F(Backup, UndoRestoresNewestFirstAndRemovesKeysThatDidNotExist) {
    key.WriteText(L"", REG_SZ, L"C:\\Old\\a.exe", L"a.exe");
    key.WriteText(L"", REG_SZ, L"C:\\Old\\b.exe", L"b.exe");
    UndoHistory history;
    UndoStep first, second;
    std::wstring file1, file2;
    ASSERT_EQ(S_OK, BackupKeys({{HKEY_CURRENT_USER, key.Sub(L"a.exe")}, {HKEY_CURRENT_USER, key.Sub(L"b.exe")}}, folder,
                               &first, &file1));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file1.c_str()));
    history.Push(std::move(first));
    SHDeleteKeyW(HKEY_CURRENT_USER, key.Sub(L"a.exe").c_str());
    SHDeleteKeyW(HKEY_CURRENT_USER, key.Sub(L"b.exe").c_str());

    ASSERT_EQ(S_OK, BackupKeys({{HKEY_CURRENT_USER, key.Sub(L"c.exe")}}, folder, &second, &file2));
    EXPECT_NE(file1, file2);
    history.Push(std::move(second));
    key.WriteText(L"", REG_SZ, L"D:\\c.exe", L"c.exe");  // the command recreated a missing key

    ASSERT_TRUE(history.CanUndo());
    ASSERT_EQ(ERROR_SUCCESS, history.UndoLast(&file1));
    EXPECT_FALSE(key.Exists(L"c.exe"));
    EXPECT_FALSE(key.Exists(L"a.exe"));
    ASSERT_EQ(ERROR_SUCCESS, history.UndoLast(&file1));
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(key.Read(L"", &type, &bytes, L"b.exe"));
    EXPECT_EQ(Utf16(std::wstring(L"C:\\Old\\b.exe\0", 13)), bytes);
    EXPECT_TRUE(key.Exists(L"a.exe"));
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, history.UndoLast(&file1));
}

TEST_F(Backup, AFileWhereTheFolderShouldBeStopsTheBackup) {
    ASSERT_TRUE(UniqueHandle(CreateFileW(folder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)));
    key.WriteText(L"", REG_SZ, L"x", L"a.exe");
    UndoStep step;
    std::wstring file;
    HRESULT hr = BackupKeys({{HKEY_CURRENT_USER, key.Sub(L"a.exe")}}, folder, &step, &file);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(0u, file.find(folder));
    EXPECT_TRUE(step.keys.empty());
    DeleteFileW(folder.c_str());
}

}  // namespace
