// Capturing, restoring and deleting registry trees, exact to the byte, and the registry view
// every call of registry/trees/ keeps to.
#include <gtest/gtest.h>
#include "registry/trees/reg_export.h"
#include "registry/trees/reg_import.h"
#include "registry/trees/registry_tree.h"
#include "tests/registry/trees/tree_fixture.h"

namespace {

TEST(RegistryTree, RestoreGivesBackEveryValueAndSubkey) {
    ScratchKey key(L"BackupTree");
    Populate(key, L"reg");
    KeyImage before;
    ASSERT_EQ(ERROR_SUCCESS, CaptureTree(HKEY_CURRENT_USER, key.Sub(L"reg"), &before));
    EXPECT_EQ(L"reg", before.name);
    EXPECT_EQ(14u, before.values.size());
    ASSERT_EQ(2u, before.subkeys.size());
    EXPECT_EQ(1u, before.subkeys.back().subkeys.size());  // Sub\\Deeper, after "Line\\nKey"

    ASSERT_EQ(ERROR_SUCCESS, SHDeleteKeyW(HKEY_CURRENT_USER, key.Sub(L"reg").c_str()));
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Sub(L"reg"), before));
    KeyImage after;
    ASSERT_EQ(ERROR_SUCCESS, CaptureTree(HKEY_CURRENT_USER, key.Sub(L"reg"), &after));
    EXPECT_TRUE(before == after);

    // Restoring over a changed key removes what was added since.
    key.WriteText(L"Extra", REG_SZ, L"new", L"reg");
    key.WriteText(L"", REG_SZ, L"D:\\New\\foo.exe", L"reg");
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Sub(L"reg"), before));
    ASSERT_EQ(ERROR_SUCCESS, CaptureTree(HKEY_CURRENT_USER, key.Sub(L"reg"), &after));
    EXPECT_TRUE(before == after);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, CaptureTree(HKEY_CURRENT_USER, key.Sub(L"absent"), &after));
}

// A 64-bit process that names the 32-bit view restores, captures, exports, deletes and imports
// in HKLM\Software\WOW6432Node, where Wine keeps the 32-bit programs' machine software keys,
// and nothing of it lands in its own view; the tree comes back from the file to the byte.
TEST(RegistryTree, EveryCallKeepsToTheViewItIsGiven) {
    if (sizeof(void*) != 8) GTEST_SKIP() << "the 32-bit view is the native one here";
    const std::wstring path = L"Software\\TarnwellTests\\TreeView";
    const std::wstring redirected = L"Software\\WOW6432Node\\TarnwellTests\\TreeView";
    ScratchFile file(L"tarnwell_tree_view.reg");
    DeleteTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY);  // an earlier run's
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_LOCAL_MACHINE, path, EveryTypeTree(), KEY_WOW64_32KEY));
    EXPECT_TRUE(Captured(HKEY_LOCAL_MACHINE, redirected) == EveryTypeTree());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ExportRegKey(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, file.Path()));
    ASSERT_EQ(ERROR_SUCCESS, ExportRegKey(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY, file.Path()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, DeleteTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));
    EXPECT_EQ(ERROR_SUCCESS, DeleteTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, redirected));
    EXPECT_EQ(ERROR_SUCCESS, ImportRegFile(file.Path(), KEY_WOW64_32KEY, nullptr));
    EXPECT_TRUE(Captured(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY) == EveryTypeTree());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));
    DeleteTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY);
}

}  // namespace
