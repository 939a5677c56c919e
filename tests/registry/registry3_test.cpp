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

// A member's HRESULT and its Boolean result, read after the call.
bool True(HRESULT hr, const VARIANT_BOOL* result) {
    EXPECT_EQ(S_OK, hr);
    return *result != VARIANT_FALSE;
}

bool Wait(_RegWatch* w, long ms) {
    VARIANT_BOOL changed = VARIANT_FALSE;
    return True(w->Wait(ms, &changed), &changed);
}

std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    UniqueHKey k;
    RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, k.Put());
    wchar_t name[256];
    for (DWORD i = 0, n = 256; RegEnumKeyExW(k.Get(), i, name, &n, nullptr, nullptr, nullptr, nullptr) == 0; ++i, n = 256)
        names.emplace_back(name, n);
    return names;
}

// With View 32 a 64-bit process writes, copies, renames, exports, imports, watches, secures,
// lists and deletes below WOW6432Node, and nothing in its own view; a view that is none is
// refused and changes nothing.
TEST(Registry3, EveryMemberKeepsToTheView) {
    if (sizeof(void*) != 8) GTEST_SKIP() << "the 32-bit view is the native one here";
    const std::wstring path = L"Software\\TarnwellTests\\Registry3View";
    const std::wstring redirected = L"Software\\WOW6432Node\\TarnwellTests\\Registry3View";
    ScratchFile file(L"tarnwell_registry3_view.reg");
    auto reg = NewRegistry3();
    long view = -1;
    EXPECT_EQ(E_INVALIDARG, reg->put_View(16));
    ASSERT_EQ(S_OK, reg->put_View(32));
    EXPECT_EQ(S_OK, reg->get_View(&view));
    EXPECT_EQ(32, view);
    VARIANT_BOOL ok = VARIANT_FALSE;
    Variant x = Variant::Text(L"x");
    const Bstr a(path + L"\\a"), b(path + L"\\b"), top(path), name(L"v");
    EXPECT_TRUE(True(reg->SetValue(kHKLM, a.Get(), name.Get(), static_cast<RegistryDataType2_Const>(REG_SZ), *x.Get(), nullptr, &ok), &ok));
    EXPECT_TRUE(True(reg->CopyKey(kHKLM, a.Get(), kHKLM, b.Get(), &ok), &ok));
    EXPECT_TRUE(True(reg->RenameKey(kHKLM, b.Get(), Bstr(L"c").Get(), &ok), &ok));
    EXPECT_TRUE(True(reg->ExportKey(kHKLM, top.Get(), Bstr(file.Path()).Get(), &ok), &ok));
    EXPECT_TRUE(True(reg->DeleteKey(kHKLM, a.Get(), VARIANT_TRUE, &ok), &ok));
    EXPECT_TRUE(True(reg->ImportFile(Bstr(file.Path()).Get(), &ok), &ok));
    EXPECT_TRUE(True(reg->SetKeySecurity(kHKLM, a.Get(), Bstr(L"D:(A;;KA;;;WD)").Get(), &ok), &ok));
    ComPtr<_RegWatch> watch;
    EXPECT_EQ(S_OK, reg->Watch(kHKLM, top.Get(), VARIANT_TRUE, watch.Put()));
    EXPECT_TRUE(watch);
    ComPtr<_Collection> keys;
    EXPECT_EQ(S_OK, reg->GetSubKeys(kHKLM, top.Get(), keys.Put()));
    ASSERT_TRUE(keys);
    EXPECT_EQ(2u, Items(keys.Get()).size());
    EXPECT_EQ("", TreeDifference(HKEY_LOCAL_MACHINE, redirected,
                                 {{L"a", L"v", REG_SZ, Terminated(L"x")}, {L"c", L"v", REG_SZ, Terminated(L"x")}}));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));
    EXPECT_TRUE(True(reg->DeleteKey(kHKLM, top.Get(), VARIANT_TRUE, &ok), &ok));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, redirected));
}

int g_ticks = 0;

// Another process's change is seen within a second of being made; no change is no change, with
// the thread's messages handled meanwhile; a change made before a Wait is kept for it; the
// key's deletion is seen, and ends the watch.
TEST(Registry3, WatchSeesChanges) {
    ScratchKey key(L"Watch");
    auto reg = NewRegistry3();
    ComPtr<_RegWatch> w;
    ASSERT_EQ(S_OK, reg->Watch(kHKCU, Bstr(key.Path()).Get(), VARIANT_TRUE, w.Put()));
    ASSERT_TRUE(w);

    const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; });
    EXPECT_FALSE(Wait(w.Get(), 300));
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
    EXPECT_TRUE(Wait(w.Get(), 5000));
    ULARGE_INTEGER seen, at = {};
    GetSystemTimePreciseAsFileTime(reinterpret_cast<FILETIME*>(&seen));
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(key.Read(L"At", &type, &bytes) && bytes.size() == sizeof(at));
    memcpy(&at, bytes.data(), sizeof(at));
    EXPECT_LT(seen.QuadPart - at.QuadPart, 10000000u) << "100 ns units between the write and its sight";
    WaitForSingleObject(process.Get(), 10000);

    key.WriteText(L"", REG_SZ, L"before the Wait", L"Sub");
    EXPECT_TRUE(Wait(w.Get(), 0));
    EXPECT_FALSE(Wait(w.Get(), 0));
    // A key with nothing in it, which changes only by going.
    const Bstr empty(key.Sub(L"Empty"));
    VARIANT_BOOL made = VARIANT_FALSE;
    long error = -1;
    ASSERT_TRUE(True(reg->CreateKey(kHKCU, empty.Get(), nullptr, &made), &made));
    ASSERT_EQ(S_OK, reg->Watch(kHKCU, empty.Get(), VARIANT_TRUE, w.Put()));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, key.Sub(L"Empty").c_str()));
    EXPECT_TRUE(Wait(w.Get(), 5000));
    EXPECT_FALSE(Wait(w.Get(), -1));  // at once: there is nothing left to watch
    EXPECT_EQ(S_OK, w->get_LastRegError(&error));
    EXPECT_EQ(ERROR_KEY_DELETED, error);

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
    VARIANT_BOOL ok = VARIANT_FALSE;
    long line = -1;
    ASSERT_EQ(ERROR_SUCCESS, WriteTree(HKEY_CURRENT_USER, key.Sub(L"tree"), EveryTypeTree()));
    ASSERT_TRUE(True(reg->ExportKey(kHKCU, tree.Get(), name.Get(), &ok), &ok));
    ASSERT_TRUE(True(reg->DeleteKey(kHKCU, tree.Get(), VARIANT_TRUE, &ok), &ok));
    EXPECT_TRUE(True(reg->ImportFile(name.Get(), &ok), &ok));
    EXPECT_EQ("", TreeDifference(HKEY_CURRENT_USER, key.Sub(L"tree"), EveryTypeTree()));

    ASSERT_TRUE(file.Write(Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + key.Path() +
                                     L"\\New]\r\n\"a\"=dword:nonsense\r\n")));
    EXPECT_FALSE(True(reg->ImportFile(name.Get(), &ok), &ok));
    EXPECT_EQ(ERROR_INVALID_DATA, LastError(reg.Get()));
    EXPECT_EQ(S_OK, reg->get_LastImportLine(&line));
    EXPECT_EQ(4, line);
    EXPECT_FALSE(key.Exists(L"New"));
}

// A copy is exact, and one into its own source is refused; a rename keeps every sibling (also
// where Wine's registry would lose the next one), and one onto a sibling or to a path fails.
TEST(Registry3, CopyAndRename) {
    ScratchKey key(L"CopyRename");
    auto reg = NewRegistry3();
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(ERROR_SUCCESS, WriteTree(HKEY_CURRENT_USER, key.Sub(L"a"), EveryTypeTree()));
    EXPECT_TRUE(True(reg->CopyKey(kHKCU, Bstr(key.Sub(L"a")).Get(), kHKCU, Bstr(key.Sub(L"b")).Get(), &ok), &ok));
    EXPECT_EQ("", TreeDifference(HKEY_CURRENT_USER, key.Sub(L"b"), EveryTypeTree()));
    for (const std::wstring& inside : {key.Sub(L"a"), key.Sub(L"A\\Sub\\new")}) {
        EXPECT_FALSE(True(reg->CopyKey(kHKCU, Bstr(key.Sub(L"a")).Get(), kHKCU, Bstr(inside).Get(), &ok), &ok));
        EXPECT_EQ(ERROR_INVALID_PARAMETER, LastError(reg.Get()));
    }

    key.WriteText(L"", REG_SZ, L"b1", L"b1");
    key.WriteText(L"", REG_SZ, L"d", L"d");
    const struct {
        const wchar_t *from, *to;
        std::vector<std::wstring> after;
    } renames[] = {{L"b", L"b0", {L"a", L"b0", L"b1", L"d"}},  // right after its old name, before b1
                   {L"d", L"e", {L"a", L"b0", L"b1", L"e"}}};  // the last one, right after its old name
    for (const auto& r : renames) {
        EXPECT_TRUE(True(reg->RenameKey(kHKCU, Bstr(key.Sub(r.from)).Get(), Bstr(r.to).Get(), &ok), &ok));
        std::vector<std::wstring> names = SubkeyNames(HKEY_CURRENT_USER, key.Path());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(r.after, names);
    }
    EXPECT_EQ("", TreeDifference(HKEY_CURRENT_USER, key.Sub(L"b0"), EveryTypeTree()));
    EXPECT_FALSE(True(reg->RenameKey(kHKCU, Bstr(key.Sub(L"b0")).Get(), Bstr(L"e").Get(), &ok), &ok));
    EXPECT_NE(0, LastError(reg.Get()));
    EXPECT_TRUE(key.Exists(L"b0\\Sub") && key.Exists(L"e"));
    EXPECT_FALSE(True(reg->RenameKey(kHKCU, Bstr(key.Sub(L"b0")).Get(), Bstr(L"x\\y").Get(), &ok), &ok));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, LastError(reg.Get()));
}

TEST(Registry3, KeySecurityAsSddl) {
    ScratchKey key(L"Security");
    auto reg = NewRegistry3();
    VARIANT_BOOL ok = VARIANT_FALSE;
    const Bstr path(key.Path());
    EXPECT_TRUE(True(reg->SetKeySecurity(kHKCU, path.Get(), Bstr(L"D:(A;;KA;;;WD)(A;;KR;;;BU)").Get(), &ok), &ok));
    Bstr sddl;
    EXPECT_EQ(S_OK, reg->GetKeySecurity(kHKCU, path.Get(), sddl.Put()));
    EXPECT_NE(std::wstring::npos, sddl.Str().find(L"D:(A;;KA;;;WD)(A;;KR;;;BU)")) << sddl.Str();
    EXPECT_EQ(0u, sddl.Str().find(L"O:"));
    EXPECT_FALSE(True(reg->SetKeySecurity(kHKCU, path.Get(), Bstr(L"no descriptor").Get(), &ok), &ok));
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
    const std::vector<std::wstring> before = SubkeyNames(HKEY_USERS, L"");
    auto reg = NewRegistry3();
    VARIANT_BOOL ok = VARIANT_FALSE;
    const Bstr mounted(L"TarnwellTestHive");
    ASSERT_TRUE(True(reg->LoadHive(kHKU, mounted.Get(), Bstr(hive.Path()).Get(), &ok), &ok));
    ComPtr<_RegValue> v = ReadValue(reg.Get(), L"TarnwellTestHive\\Child", L"v", kHKU);
    Variant data;
    ASSERT_TRUE(v && SUCCEEDED(v->get_Data(data.Get())));
    EXPECT_EQ(L"in the hive", Bstr::ToString(V_BSTR(data.Get())));
    v.Reset();
    EXPECT_TRUE(True(reg->UnloadHive(kHKU, mounted.Get(), &ok), &ok));
    EXPECT_FALSE(True(reg->LoadHive(kHKU, Bstr(L"TarnwellNoHive").Get(), Bstr(notHive.Path()).Get(), &ok), &ok));
    EXPECT_EQ(before, SubkeyNames(HKEY_USERS, L""));
    EXPECT_FALSE(True(reg->LoadHive(kHKCU, mounted.Get(), Bstr(hive.Path()).Get(), &ok), &ok));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, LastError(reg.Get()));
}

}  // namespace
