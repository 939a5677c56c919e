// zbnRegistry3's own members: the view every member keeps to, watching, .reg files through the
// members, copy and rename, key security and hives.
#include "tests/registry_fixture.h"
#include "registry/registry3.h"
#include "tests/registry/trees/tree_fixture.h"
#include <process.h>

namespace {

const RegistryRoot2_Const kHKU = RootConst(HKEY_USERS);

// A member's Boolean result (it must answer S_OK): Call(reg, &_zbnRegistry3::CopyKey, arguments...).
template <class Object, class Member, class... Args>
bool Call(const ComPtr<Object>& object, Member member, Args... args) {
    VARIANT_BOOL result = VARIANT_FALSE;
    EXPECT_EQ(S_OK, (object.Get()->*member)(args..., &result));
    return result != VARIANT_FALSE;
}

// With View 32 a process sets, copies, renames, exports, deletes and imports in the 32-bit view
// (a 64-bit one, nothing in its own), and a tree of every kind comes back to the byte from the
// copy, the rename and the file. registry_views.vbs reads each view, and a view that is none.
TEST(Registry3, EveryMemberKeepsToTheViewAndTreesComeBackWhole) {
    const std::wstring path = L"Software\\TarnwellTests\\Registry3View";
    ScratchFile file(L"tarnwell_registry3_view.reg");
    auto reg = NewRegistry<Registry3, _zbnRegistry3>();
    ASSERT_EQ(S_OK, reg->put_View(32));
    for (REGSAM other : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) DeleteTree(HKEY_LOCAL_MACHINE, path, other);  // an earlier run's
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_LOCAL_MACHINE, path + L"\\a", EveryTypeTree(), KEY_WOW64_32KEY));
    const Bstr top(path), name(file.Path());
    Variant x = Variant::Text(L"x");
    EXPECT_TRUE(Call(reg, &_zbnRegistry3::SetValue, kHKLM, top.Get(), Bstr(L"v").Get(),
                     static_cast<RegistryDataType2_Const>(REG_SZ), *x.Get(), nullptr));
    EXPECT_TRUE(Call(reg, &_zbnRegistry3::CopyKey, kHKLM, Bstr(path + L"\\a").Get(), kHKLM, Bstr(path + L"\\b").Get()));
    EXPECT_TRUE(Call(reg, &_zbnRegistry3::RenameKey, kHKLM, Bstr(path + L"\\b").Get(), Bstr(L"c").Get()));
    EXPECT_TRUE(Call(reg, &_zbnRegistry3::ExportKey, kHKLM, top.Get(), name.Get()));
    EXPECT_TRUE(Call(reg, &_zbnRegistry3::DeleteKey, kHKLM, top.Get(), VARIANT_TRUE));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY));
    EXPECT_TRUE(Call(reg, &_zbnRegistry3::ImportFile, name.Get()));
    KeyImage expected{L"", {{L"v", REG_SZ, Terminated(L"x")}}, {EveryTypeTree(), EveryTypeTree()}};
    expected.subkeys[0].name = L"a";
    expected.subkeys[1].name = L"c";
    EXPECT_TRUE(Captured(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY) == expected);
    EXPECT_FALSE(sizeof(void*) == 8 && KeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY)) << "its own view";
    DeleteTree(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY);
}

int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

// Another process's change is seen within a second of being made; no change is no change, with
// the thread's messages handled meanwhile; a change made before a Wait is kept for it; the
// deletion of a key with nothing in it to change is seen, and ends the watch.
TEST(Registry3, WatchSeesChanges) {
    ScratchKey key(L"Watch");
    auto reg = NewRegistry<Registry3, _zbnRegistry3>();
    ComPtr<_RegWatch> w;
    ASSERT_EQ(S_OK, reg->Watch(kHKCU, Bstr(key.Path()).Get(), VARIANT_TRUE, w.Put()));
    ASSERT_TRUE(w);
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, CountTick);
    EXPECT_FALSE(Call(w, &_RegWatch::Wait, 300));
    KillTimer(nullptr, timer);
    EXPECT_GT(g_ticks, 3);

    wchar_t exe[MAX_PATH];
    const std::wstring folder(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
    const std::wstring writer = folder.substr(0, folder.find_last_of(L'\\') + 1) + L"watch_writer.exe";
    const UniqueHandle process(reinterpret_cast<HANDLE>(_wspawnl(_P_NOWAIT, writer.c_str(), L"watch_writer", L"300", nullptr)));
    ASSERT_TRUE(process);
    EXPECT_TRUE(Call(w, &_RegWatch::Wait, 5000));
    ULARGE_INTEGER seen, at = {};
    GetSystemTimePreciseAsFileTime(reinterpret_cast<FILETIME*>(&seen));
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(key.Read(L"At", &type, &bytes) && bytes.size() == sizeof(at));
    memcpy(&at, bytes.data(), sizeof(at));
    EXPECT_LT(seen.QuadPart - at.QuadPart, 10000000u) << "100 ns units between the write and its sight";
    WaitForSingleObject(process.Get(), 10000);
    key.WriteText(L"", REG_SZ, L"before the Wait", L"Sub");
    EXPECT_TRUE(Call(w, &_RegWatch::Wait, 0));
    EXPECT_FALSE(Call(w, &_RegWatch::Wait, 0));

    const Bstr empty(key.Sub(L"Empty"));
    long error = -1;
    ASSERT_TRUE(Call(reg, &_zbnRegistry3::CreateKey, kHKCU, empty.Get(), nullptr));
    ASSERT_EQ(S_OK, reg->Watch(kHKCU, empty.Get(), VARIANT_TRUE, w.Put()));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, key.Sub(L"Empty").c_str()));
    EXPECT_TRUE(Call(w, &_RegWatch::Wait, 5000));
    EXPECT_FALSE(Call(w, &_RegWatch::Wait, -1));  // at once: there is nothing left to watch
    EXPECT_TRUE(SUCCEEDED(w->get_LastRegError(&error)) && error == ERROR_KEY_DELETED);
    ASSERT_EQ(S_OK, reg->Watch(kHKCU, empty.Get(), VARIANT_TRUE, w.Put()));
    EXPECT_FALSE(w);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, LastError(reg.Get()));
}

// A file that reads, in every encoding the editor reads (version 5 in UTF-16, or UTF-8 with or
// without a byte order mark; REGEDIT4 in the ANSI code page, whose hex string data is ANSI too),
// deletes and makes keys and sets and deletes values; one with a fault anywhere changes nothing,
// and LastImportLine is the first line at fault (of a continued line, its first).
TEST(Registry3, ImportChangesAllAFileAsksOrNothing) {
    ScratchKey key(L"Registry3Import");
    ScratchFile file(L"tarnwell_registry3.reg");
    auto reg = NewRegistry<Registry3, _zbnRegistry3>();
    const Bstr name(file.Path());
    const std::wstring e = Widen("\xE9", CP_ACP);
    const std::wstring body = L"\r\n; a comment\r\n\r\n[-HKEY_CURRENT_USER\\" + key.Sub(L"Old]\r\n[HKCU\\") + key.Sub(e) +
                              L"]\r\n\"" + e + L"\"=\"" + e + L"\"\r\n\"gone\"=-\r\n\"x\"=hex(2):";
    const std::wstring v5 = L"Windows Registry Editor Version 5.00" + body + L"25,00,41,00,25,00,00,00\r\n";
    const std::string v4 = Narrow(L"REGEDIT4" + body + L"25,41,25,00\r\n", CP_ACP);
    std::vector<uint8_t> halfUnit = Utf16File(v5), badUtf8 = Utf8File(v5 + L"\"c\"=\"", false);
    halfUnit.push_back('x');
    badUtf8.insert(badUtf8.end(), {0xC3, 0x28, '"'});
    std::vector<std::pair<std::vector<uint8_t>, long>> cases = {
        {Utf16File(v5), 0}, {Utf8File(v5, true), 0}, {Utf8File(v5, false), 0}, {{v4.begin(), v4.end()}, 0},
        {{}, 1}, {{0xFF, 0xFE}, 1}, {{0xFE, 0xFF, 0, 'W'}, 1}, {Utf16File(L"REGEDIT 4\r\n[HKCU\\A]"), 1},
        {Utf16File(L"\r\n" + v5), 1}, {halfUnit, 9}, {badUtf8, 9},
        {Utf16File(v5 + L"\"c\"=\"d" + std::wstring(1, L'\0') + L"\"\r\n"), 9}};
    for (const wchar_t* line :
         {L"\"a\"=dword:123456789", L"\"a\"=dword:12g4", L"\"a\"=\"unterminated", L"\"a\"=\"b\\q\"", L"\"a\"=\"b\" trailing",
          L"\"a\"=hex:1,2,zz", L"\"a\"=hex(2:00", L"\"a\"=hex:01,\\\r\n  02,\\\r\n  zz", L"junk", L"[HKEY_NOWHERE\\X]",
          L"[HKCU\\Software\\X", L"[-HKEY_CURRENT_USER]"})
        cases.emplace_back(Utf16File(v5 + line + L"\r\n"), 9);
    const KeyImage before{L"", {}, {{L"Old", {}, {{L"Deeper", {}, {}}}}, {e, {{L"gone", REG_SZ, Terminated(L"old")}}, {}}}};
    const KeyImage after{L"", {}, {{e, {{L"x", REG_EXPAND_SZ, Terminated(L"%A%")}, {e, REG_SZ, Terminated(e)}}, {}}}};
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Path(), before));
        ASSERT_TRUE(file.Write(cases[i].first));
        EXPECT_EQ(cases[i].second == 0, Call(reg, &_zbnRegistry3::ImportFile, name.Get()));
        long line = -1;
        EXPECT_TRUE(SUCCEEDED(reg->get_LastImportLine(&line)) && line == cases[i].second) << line;
        EXPECT_EQ(cases[i].second ? ERROR_INVALID_DATA : ERROR_SUCCESS, LastError(reg.Get()));
        EXPECT_TRUE(Captured(HKEY_CURRENT_USER, key.Path()) == (cases[i].second ? before : after));
    }

    // A key the platform refuses stops the import there with its code and line: what came
    // before stays, nothing after it is done. The locked key belongs to another (Wine lets an
    // owner do anything) and allows reading it and changing its access list; Wine does not check
    // the parent's access when a subkey is created, so that way to fail is not tried.
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Path(), before));
    ASSERT_EQ(ERROR_SUCCESS, SetKeySecurity(HKEY_CURRENT_USER, key.Sub(L"Old"), L"O:SYD:P(A;;KRWD;;;WD)",
                                            DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION));
    ASSERT_TRUE(file.Write(Utf16File(L"Windows Registry Editor Version 5.00\r\n[HKCU\\" + key.Sub(L"New]\r\n[HKCU\\") +
                                     key.Sub(L"Old]\r\n\"v\"=\"x\"\r\n[HKCU\\") + key.Sub(L"After]\r\n"))));
    EXPECT_FALSE(Call(reg, &_zbnRegistry3::ImportFile, name.Get()));
    EXPECT_EQ(ERROR_ACCESS_DENIED, LastError(reg.Get()));
    long line = -1;
    EXPECT_TRUE(SUCCEEDED(reg->get_LastImportLine(&line)) && line == 3) << "the locked key's, not " << line;
    ASSERT_EQ(ERROR_SUCCESS, SetKeySecurity(HKEY_CURRENT_USER, key.Sub(L"Old"), L"D:P(A;;KA;;;WD)", DACL_SECURITY_INFORMATION));
    KeyImage made = before;
    made.subkeys.insert(made.subkeys.begin(), KeyImage{L"New", {}, {}});
    EXPECT_TRUE(Captured(HKEY_CURRENT_USER, key.Path()) == made);
}

// A copy into its own source is refused; a rename keeps every sibling (also where Wine's
// registry would lose the next one), and one onto a sibling or to a path fails.
TEST(Registry3, CopyAndRenameLoseNoKey) {
    ScratchKey key(L"CopyRename");
    auto reg = NewRegistry<Registry3, _zbnRegistry3>();
    auto copy = [&](const wchar_t* to) {
        return Call(reg, &_zbnRegistry3::CopyKey, kHKCU, Bstr(key.Sub(L"a")).Get(), kHKCU, Bstr(key.Sub(to)).Get());
    };
    auto rename = [&](const wchar_t* from, const wchar_t* to) {
        return Call(reg, &_zbnRegistry3::RenameKey, kHKCU, Bstr(key.Sub(from)).Get(), Bstr(to).Get());
    };
    auto keys = [](std::initializer_list<const wchar_t*> names) {
        KeyImage tree;
        for (const wchar_t* n : names) tree.subkeys.push_back({n, {{L"", REG_SZ, Terminated(L"x")}}, {}});
        return tree;
    };
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Path(), keys({L"a", L"b", L"b1", L"d"})));
    for (const wchar_t* inside : {L"a", L"A\\Sub\\new"}) {
        EXPECT_FALSE(copy(inside));
        EXPECT_EQ(ERROR_INVALID_PARAMETER, LastError(reg.Get()));
    }
    EXPECT_TRUE(rename(L"b", L"b0"));  // right after its old name, before b1
    EXPECT_TRUE(rename(L"d", L"e"));   // the last one, right after its old name
    EXPECT_FALSE(rename(L"b0", L"e"));
    EXPECT_NE(0, LastError(reg.Get()));
    EXPECT_FALSE(rename(L"b0", L"x\\y"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, LastError(reg.Get()));
    EXPECT_TRUE(Captured(HKEY_CURRENT_USER, key.Path()) == keys({L"a", L"b0", L"b1", L"e"}));
}

TEST(Registry3, KeySecurityAsSddl) {
    ScratchKey key(L"Security");
    auto reg = NewRegistry<Registry3, _zbnRegistry3>();
    const Bstr path(key.Path());
    Bstr sddl;
    EXPECT_TRUE(Call(reg, &_zbnRegistry3::SetKeySecurity, kHKCU, path.Get(), Bstr(L"D:(A;;KA;;;WD)(A;;KR;;;BU)").Get()));
    EXPECT_EQ(S_OK, reg->GetKeySecurity(kHKCU, path.Get(), sddl.Put()));
    EXPECT_NE(std::wstring::npos, sddl.Str().find(L"D:(A;;KA;;;WD)(A;;KR;;;BU)")) << sddl.Str();
    EXPECT_EQ(0u, sddl.Str().find(L"O:"));
    EXPECT_FALSE(Call(reg, &_zbnRegistry3::SetKeySecurity, kHKCU, path.Get(), Bstr(L"no descriptor").Get()));
    EXPECT_EQ(ERROR_INVALID_SECURITY_DESCR, LastError(reg.Get()));
    EXPECT_EQ(S_OK, reg->GetKeySecurity(kHKCU, Bstr(key.Sub(L"missing")).Get(), sddl.Put()));
    EXPECT_EQ(L"", sddl.Str());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, LastError(reg.Get()));
}

// A file RegSaveKey wrote (with the backup privilege, which it takes enabled; LoadHive enables
// the restore privilege itself), loaded as a hive, read and unloaded leaves nothing under
// HKEY_USERS; nor does a file that is no hive; a root other than HKEY_USERS or
// HKEY_LOCAL_MACHINE is refused.
TEST(Registry3, LoadHiveReadAndUnload) {
    ScratchKey key(L"Hive");
    ScratchFile hive(L"tarnwell_registry3.hiv"), notHive(L"tarnwell_registry3_not.hiv");
    const KeyImage saved{L"", {}, {{L"Child", {{L"v", REG_SZ, Terminated(L"in the hive")}}, {}}}};
    ASSERT_EQ(ERROR_SUCCESS, RestoreTree(HKEY_CURRENT_USER, key.Path(), saved));
    ASSERT_TRUE(EnableOwnPrivilege(SE_BACKUP_NAME));
    UniqueHKey source;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_READ, source.Put()));
    ASSERT_EQ(ERROR_SUCCESS, RegSaveKeyW(source.Get(), hive.Path().c_str(), nullptr));
    ASSERT_TRUE(notHive.Write({'n', 'o'}));
    auto reg = NewRegistry<Registry3, _zbnRegistry3>();
    const Bstr mounted(L"TarnwellTestHive"), notMounted(L"TarnwellNoHive");
    ASSERT_TRUE(Call(reg, &_zbnRegistry3::LoadHive, kHKU, mounted.Get(), Bstr(hive.Path()).Get()));
    EXPECT_TRUE(Captured(HKEY_USERS, mounted.Str()) == saved);
    EXPECT_TRUE(Call(reg, &_zbnRegistry3::UnloadHive, kHKU, mounted.Get()));
    EXPECT_FALSE(Call(reg, &_zbnRegistry3::LoadHive, kHKU, notMounted.Get(), Bstr(notHive.Path()).Get()));
    EXPECT_FALSE(KeyExists(HKEY_USERS, mounted.Str()) || KeyExists(HKEY_USERS, notMounted.Str()));
    EXPECT_FALSE(Call(reg, &_zbnRegistry3::LoadHive, kHKCU, mounted.Get(), Bstr(hive.Path()).Get()));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, LastError(reg.Get()));
}

}  // namespace
