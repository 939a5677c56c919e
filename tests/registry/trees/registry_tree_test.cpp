// Capturing, restoring and deleting registry trees, exact to the byte, in any registry view.
#include <gtest/gtest.h>
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

TEST(RegistryTree, NamesRootsAndPaths) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS, HKEY_CURRENT_CONFIG}) {
        EXPECT_EQ(root, RootByName(RootName(root)));
        EXPECT_EQ(0u, RootName(root).find(L"HKEY_"));
    }
    const HKEY shortNamed[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS, HKEY_CURRENT_CONFIG};
    const wchar_t* shortNames[] = {L"hklm", L"HKCU", L"HkCr", L"HKU", L"HKCC"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(shortNamed[i], RootByName(shortNames[i]));
    for (const wchar_t* name : {L"HKEY_DYN_DATA", L"HKLMX", L"", L" HKLM"}) EXPECT_EQ(nullptr, RootByName(name));
    EXPECT_EQ(L"", RootName(HKEY_PERFORMANCE_DATA));
    EXPECT_EQ(L"HKEY_CURRENT_USER", FullKeyName(HKEY_CURRENT_USER, L""));
    for (const wchar_t* good : {L"", L"a", L"a\\b", L"A b\\]c["}) EXPECT_TRUE(IsKeyPath(good));
    for (const wchar_t* bad : {L"\\", L"\\a", L"a\\", L"a\\\\b"}) EXPECT_FALSE(IsKeyPath(bad));
    for (REGSAM view : {0, KEY_WOW64_64KEY, KEY_WOW64_32KEY}) EXPECT_TRUE(IsRegistryView(view));
    for (REGSAM view : {REGSAM(KEY_WOW64_64KEY | KEY_WOW64_32KEY), REGSAM(KEY_READ), REGSAM(64)})
        EXPECT_FALSE(IsRegistryView(view));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, DeleteTree(HKEY_CURRENT_USER, L""));  // a root is never deleted
}

// A 64-bit process that names the 32-bit view reaches HKLM\Software\WOW6432Node, where Wine
// keeps the 32-bit programs' machine software keys, and nothing of it lands in its own view.
TEST(RegistryTree, EveryCallKeepsToTheViewItIsGiven) {
    if (sizeof(void*) != 8) GTEST_SKIP() << "the 32-bit view is the native one here";
    const std::wstring path = L"Software\\TarnwellTests\\TreeView";
    const std::wstring redirected = L"Software\\WOW6432Node\\TarnwellTests\\TreeView";
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) DeleteTree(HKEY_LOCAL_MACHINE, path, view);  // an earlier run's
    const std::vector<TreeValue> tree = EveryTypeTree();
    ScratchKey source(L"TreeView");
    KeyImage image, back;
    ASSERT_EQ(ERROR_SUCCESS, WriteTree(HKEY_CURRENT_USER, source.Path(), tree));
    ASSERT_EQ(ERROR_SUCCESS, CaptureTree(HKEY_CURRENT_USER, source.Path(), &image));

    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_LOCAL_MACHINE, path, image, KEY_WOW64_32KEY));
    EXPECT_EQ("", TreeDifference(HKEY_LOCAL_MACHINE, redirected, tree));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));
    EXPECT_EQ(ERROR_SUCCESS, CaptureTree(HKEY_LOCAL_MACHINE, path, &back, KEY_WOW64_32KEY));
    EXPECT_TRUE(back == image);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, CaptureTree(HKEY_LOCAL_MACHINE, path, &back, KEY_WOW64_64KEY));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, DeleteTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));
    EXPECT_EQ(ERROR_SUCCESS, DeleteTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, redirected));
}

}  // namespace
