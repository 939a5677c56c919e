// zbnRegistry3's own members: the view every member keeps to, watching, .reg files through the
// members, copy and rename, key security and hives. The .reg engine has its own tests.
#include "tests/registry_fixture.h"
#include "registry/registry3.h"
#include "tests/registry/trees/tree_fixture.h"
#include <algorithm>

namespace {

const RegistryRoot2_Const kHKU = RootConst(HKEY_USERS);

ComPtr<_zbnRegistry3> NewRegistry3() {
    ComPtr<Registry3> r;
    EXPECT_EQ(S_OK, Registry3::Make(&r));
    ComPtr<_zbnRegistry3> i;
    EXPECT_EQ(S_OK, r.As(&i));
    return i;
}

// A member's Boolean result (it must answer S_OK): Call(reg, &_zbnRegistry3::CopyKey, arguments...).
template <class Object, class Member, class... Args>
bool Call(Object* object, Member member, Args... args) {
    VARIANT_BOOL result = VARIANT_FALSE;
    EXPECT_EQ(S_OK, (object->*member)(args..., &result));
    return result != VARIANT_FALSE;
}

std::vector<std::wstring> SortedSubkeys(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    UniqueHKey k;
    RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, k.Put());
    wchar_t name[256];
    for (DWORD i = 0, n = 256; RegEnumKeyExW(k.Get(), i, name, &n, nullptr, nullptr, nullptr, nullptr) == 0; ++i, n = 256)
        names.emplace_back(name, n);
    std::sort(names.begin(), names.end());
    return names;
}

// With View 32 a 64-bit process writes, copies, renames, exports, imports and deletes below
// WOW6432Node, and nothing in its own view; a view that is none is refused and changes nothing.
TEST(Registry3, EveryMemberKeepsToTheView) {
    if (sizeof(void*) != 8) GTEST_SKIP() << "the 32-bit view is the native one here";
    const std::wstring path = L"Software\\TarnwellTests\\Registry3View";
    ScratchFile file(L"tarnwell_registry3_view.reg");
    auto reg = NewRegistry3();
    long view = -1;
    ASSERT_EQ(S_OK, reg->put_View(32));
    EXPECT_EQ(E_INVALIDARG, reg->put_View(16));
    EXPECT_TRUE(SUCCEEDED(reg->get_View(&view)) && view == 32);
    const Bstr a(path + L"\\a"), top(path), name(file.Path());
    Variant x = Variant::Text(L"x");
    EXPECT_TRUE(Call(reg.Get(), &_zbnRegistry3::SetValue, kHKLM, a.Get(), Bstr(L"v").Get(),
                     static_cast<RegistryDataType2_Const>(REG_SZ), *x.Get(), nullptr));
    EXPECT_TRUE(Call(reg.Get(), &_zbnRegistry3::CopyKey, kHKLM, a.Get(), kHKLM, Bstr(path + L"\\b").Get()));
    EXPECT_TRUE(Call(reg.Get(), &_zbnRegistry3::RenameKey, kHKLM, Bstr(path + L"\\b").Get(), Bstr(L"c").Get()));
    EXPECT_TRUE(Call(reg.Get(), &_zbnRegistry3::ExportKey, kHKLM, top.Get(), name.Get()));
    EXPECT_TRUE(Call(reg.Get(), &_zbnRegistry3::DeleteKey, kHKLM, a.Get(), VARIANT_TRUE));
    EXPECT_TRUE(Call(reg.Get(), &_zbnRegistry3::ImportFile, name.Get()));
    const KeyImage leaf{L"", {{L"v", REG_SZ, Terminated(L"x")}}, {}};
    KeyImage expected{L"", {}, {leaf, leaf}};
    expected.subkeys[0].name = L"a";
    expected.subkeys[1].name = L"c";
    EXPECT_TRUE(Captured(HKEY_LOCAL_MACHINE, L"Software\\WOW6432Node\\TarnwellTests\\Registry3View") == expected);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));
    EXPECT_TRUE(Call(reg.Get(), &_zbnRegistry3::DeleteKey, kHKLM, top.Get(), VARIANT_TRUE));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY));
}

int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

// Another process's change is seen within a second of being made; no change is no change, with
// the thread's messages handled meanwhile; a change made before a Wait is kept for it; the
// deletion of a key with nothing in it to change is seen, and ends the watch.
TEST(Registry3, WatchSeesChanges) {
    ScratchKey key(L"Watch");
    auto reg = NewRegistry3();
    ComPtr<_RegWatch> w;
    ASSERT_EQ(S_OK, reg->Watch(kHKCU, Bstr(key.Path()).Get(), VARIANT_TRUE, w.Put()));
    ASSERT_TRUE(w);
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, CountTick);
    EXPECT_FALSE(Call(w.Get(), &_RegWatch::Wait, 300));
    KillTimer(nullptr, timer);
    EXPECT_GT(g_ticks, 3);

    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring writer = exe;
    writer = L"\"" + writer.substr(0, writer.find_last_of(L'\\') + 1) + L"watch_writer.exe\" 300";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &writer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    const UniqueHandle process(pi.hProcess), thread(pi.hThread);
    EXPECT_TRUE(Call(w.Get(), &_RegWatch::Wait, 5000));
    ULARGE_INTEGER seen, at = {};
    GetSystemTimePreciseAsFileTime(reinterpret_cast<FILETIME*>(&seen));
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(key.Read(L"At", &type, &bytes) && bytes.size() == sizeof(at));
    memcpy(&at, bytes.data(), sizeof(at));
    EXPECT_LT(seen.QuadPart - at.QuadPart, 10000000u) << "100 ns units between the write and its sight";
    WaitForSingleObject(process.Get(), 10000);
    key.WriteText(L"", REG_SZ, L"before the Wait", L"Sub");
    EXPECT_TRUE(Call(w.Get(), &_RegWatch::Wait, 0));
    EXPECT_FALSE(Call(w.Get(), &_RegWatch::Wait, 0));

    const Bstr empty(key.Sub(L"Empty"));
    long error = -1;
    ASSERT_TRUE(Call(reg.Get(), &_zbnRegistry3::CreateKey, kHKCU, empty.Get(), nullptr));
    ASSERT_EQ(S_OK, reg->Watch(kHKCU, empty.Get(), VARIANT_TRUE, w.Put()));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, key.Sub(L"Empty").c_str()));
    EXPECT_TRUE(Call(w.Get(), &_RegWatch::Wait, 5000));
    EXPECT_FALSE(Call(w.Get(), &_RegWatch::Wait, -1));  // at once: there is nothing left to watch
    EXPECT_TRUE(SUCCEEDED(w->get_LastRegError(&error)) && error == ERROR_KEY_DELETED);
    ASSERT_EQ(S_OK, reg->Watch(kHKCU, empty.Get(), VARIANT_TRUE, w.Put()));
    EXPECT_FALSE(w);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, LastError(reg.Get()));
}

// A tree of every kind of value, exported, deleted and imported through the members, comes back
// to the byte; a file with a fault changes nothing and names its line.
TEST(Registry3, ExportAndImportThroughTheMembers) {
    ScratchKey key(L"Registry3RegFile");
    ScratchFile file(L"tarnwell_registry3.reg");
    auto reg = NewRegistry3();
    const Bstr tree(key.Sub(L"tree")), name(file.Path());
    long line = -1;
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Sub(L"tree"), EveryTypeTree()));
    ASSERT_TRUE(Call(reg.Get(), &_zbnRegistry3::ExportKey, kHKCU, tree.Get(), name.Get()));
    ASSERT_TRUE(Call(reg.Get(), &_zbnRegistry3::DeleteKey, kHKCU, tree.Get(), VARIANT_TRUE));
    EXPECT_TRUE(Call(reg.Get(), &_zbnRegistry3::ImportFile, name.Get()));
    EXPECT_TRUE(Captured(HKEY_CURRENT_USER, key.Sub(L"tree")) == EveryTypeTree());

    ASSERT_TRUE(file.Write(Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + key.Path() +
                                     L"\\New]\r\n\"a\"=dword:nonsense\r\n")));
    EXPECT_FALSE(Call(reg.Get(), &_zbnRegistry3::ImportFile, name.Get()));
    EXPECT_EQ(ERROR_INVALID_DATA, LastError(reg.Get()));
    EXPECT_TRUE(SUCCEEDED(reg->get_LastImportLine(&line)) && line == 4);
    EXPECT_FALSE(key.Exists(L"New"));
}

// A copy is exact, and one into its own source is refused; a rename keeps every sibling (also
// where Wine's registry would lose the next one), and one onto a sibling or to a path fails.
TEST(Registry3, CopyAndRename) {
    ScratchKey key(L"CopyRename");
    auto reg = NewRegistry3();
    auto copy = [&](const wchar_t* from, const wchar_t* to) {
        return Call(reg.Get(), &_zbnRegistry3::CopyKey, kHKCU, Bstr(key.Sub(from)).Get(), kHKCU, Bstr(key.Sub(to)).Get());
    };
    auto rename = [&](const wchar_t* from, const wchar_t* to) {
        return Call(reg.Get(), &_zbnRegistry3::RenameKey, kHKCU, Bstr(key.Sub(from)).Get(), Bstr(to).Get());
    };
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Sub(L"a"), EveryTypeTree()));
    EXPECT_TRUE(copy(L"a", L"b"));
    EXPECT_TRUE(Captured(HKEY_CURRENT_USER, key.Sub(L"b")) == EveryTypeTree());
    for (const wchar_t* inside : {L"a", L"A\\Sub\\new"}) {
        EXPECT_FALSE(copy(L"a", inside));
        EXPECT_EQ(ERROR_INVALID_PARAMETER, LastError(reg.Get()));
    }

    key.WriteText(L"", REG_SZ, L"b1", L"b1");
    key.WriteText(L"", REG_SZ, L"d", L"d");
    EXPECT_TRUE(rename(L"b", L"b0"));  // right after its old name, before b1
    EXPECT_TRUE(rename(L"d", L"e"));   // the last one, right after its old name
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"b0", L"b1", L"e"}), SortedSubkeys(HKEY_CURRENT_USER, key.Path()));
    EXPECT_TRUE(Captured(HKEY_CURRENT_USER, key.Sub(L"b0")) == EveryTypeTree());
    EXPECT_FALSE(rename(L"b0", L"e"));
    EXPECT_NE(0, LastError(reg.Get()));
    EXPECT_TRUE(Captured(HKEY_CURRENT_USER, key.Sub(L"b0")) == EveryTypeTree());
    EXPECT_FALSE(rename(L"b0", L"x\\y"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, LastError(reg.Get()));
}

TEST(Registry3, KeySecurityAsSddl) {
    ScratchKey key(L"Security");
    auto reg = NewRegistry3();
    const Bstr path(key.Path());
    Bstr sddl;
    EXPECT_TRUE(Call(reg.Get(), &_zbnRegistry3::SetKeySecurity, kHKCU, path.Get(), Bstr(L"D:(A;;KA;;;WD)(A;;KR;;;BU)").Get()));
    EXPECT_EQ(S_OK, reg->GetKeySecurity(kHKCU, path.Get(), sddl.Put()));
    EXPECT_NE(std::wstring::npos, sddl.Str().find(L"D:(A;;KA;;;WD)(A;;KR;;;BU)")) << sddl.Str();
    EXPECT_EQ(0u, sddl.Str().find(L"O:"));
    EXPECT_FALSE(Call(reg.Get(), &_zbnRegistry3::SetKeySecurity, kHKCU, path.Get(), Bstr(L"no descriptor").Get()));
    EXPECT_EQ(ERROR_INVALID_SECURITY_DESCR, LastError(reg.Get()));
    EXPECT_EQ(S_OK, reg->GetKeySecurity(kHKCU, Bstr(key.Sub(L"missing")).Get(), sddl.Put()));
    EXPECT_EQ(L"", sddl.Str());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, LastError(reg.Get()));
}

// RegSaveKey takes the backup privilege enabled; loading takes the restore privilege, which
// LoadHive enables itself.
void EnableBackupPrivilege() {
    UniqueHandle token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.Put()));
    TOKEN_PRIVILEGES backup = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &backup.Privileges[0].Luid));
    ASSERT_TRUE(AdjustTokenPrivileges(token.Get(), FALSE, &backup, 0, nullptr, nullptr));
}

// A file RegSaveKey wrote, loaded as a hive, read and unloaded: nothing of it is left under
// HKEY_USERS; a file that is no hive leaves nothing there either.
TEST(Registry3, LoadHiveReadAndUnload) {
    EnableBackupPrivilege();
    ScratchKey key(L"Hive");
    ScratchFile hive(L"tarnwell_registry3.hiv"), notHive(L"tarnwell_registry3_not.hiv");
    key.WriteText(L"v", REG_SZ, L"in the hive", L"Child");
    UniqueHKey source;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_READ, source.Put()));
    ASSERT_EQ(ERROR_SUCCESS, RegSaveKeyW(source.Get(), hive.Path().c_str(), nullptr));
    ASSERT_TRUE(notHive.Write({'n', 'o'}));
    const std::vector<std::wstring> before = SortedSubkeys(HKEY_USERS, L"");
    auto reg = NewRegistry3();
    const Bstr mounted(L"TarnwellTestHive");
    ASSERT_TRUE(Call(reg.Get(), &_zbnRegistry3::LoadHive, kHKU, mounted.Get(), Bstr(hive.Path()).Get()));
    ComPtr<_RegValue> v = ReadValue(reg.Get(), L"TarnwellTestHive\\Child", L"v", kHKU);
    Variant data;
    ASSERT_TRUE(v && SUCCEEDED(v->get_Data(data.Get())));
    EXPECT_EQ(L"in the hive", Bstr::ToString(V_BSTR(data.Get())));
    v.Reset();
    EXPECT_TRUE(Call(reg.Get(), &_zbnRegistry3::UnloadHive, kHKU, mounted.Get()));
    EXPECT_FALSE(Call(reg.Get(), &_zbnRegistry3::LoadHive, kHKU, Bstr(L"TarnwellNoHive").Get(), Bstr(notHive.Path()).Get()));
    EXPECT_EQ(before, SortedSubkeys(HKEY_USERS, L""));
    EXPECT_FALSE(Call(reg.Get(), &_zbnRegistry3::LoadHive, kHKCU, mounted.Get(), Bstr(hive.Path()).Get()));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, LastError(reg.Get()));
}

}  // namespace
