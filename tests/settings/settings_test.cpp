// Setting paths, the earlier-version search and scalar settings against the real registry.
#include "tests/settings/settings_fixture.h"
#include "com/module_count.h"
#include "settings/prev_version_finder.h"
#include "registry/registry2.h"

namespace {

TEST_F(SettingsTest, PathsFollowTheLayout) {
    Bstr path;
    ASSERT_EQ(S_OK, store->GetSettingPath(Bstr(L"Zerbane - Noddle").Get(), 1, 1, Bstr(L"").Get(), path.Put()));
    EXPECT_EQ(L"Software\\Orrindale\\Zerbane\\Zerbane - Noddle\\Version 1.1", path.Str());
    ASSERT_EQ(S_OK, store->GetSettingPath(Bstr(L"T").Get(), 2, 0, Bstr(L"a\\b").Get(), path.Put()));
    EXPECT_EQ(L"Software\\Orrindale\\Zerbane\\T\\Version 2.0\\a\\b", path.Str());
}

TEST(VersionFinder, PartsAndComparison) {
    EXPECT_EQ(10, VersionPartValue(L"10"));
    EXPECT_EQ(0, VersionPartValue(L"12345678901"));
    EXPECT_EQ(2147483647, VersionPartValue(L"2147483647"));
    EXPECT_EQ(0, VersionPartValue(L"2147483648"));
    EXPECT_EQ(0, VersionPartValue(L"0beta"));
    EXPECT_EQ(0, VersionPartValue(L" 1"));
    EXPECT_EQ(0, VersionPartValue(L""));
    EXPECT_EQ(kSameVersion, CompareVersions(L"1", L"1.0.0"));
    EXPECT_EQ(kSameVersion, CompareVersions(L"1.01", L"1.1"));
    EXPECT_EQ(kNewerVersion, CompareVersions(L"1.10", L"1.9"));
    EXPECT_EQ(kOlderVersion, CompareVersions(L"1.9", L"1.10"));
    EXPECT_EQ(kSameVersion, CompareVersions(L"1.0beta", L"1.0"));
    std::vector<std::wstring> list = {L"3.0", L"1.10", L"1.00", L"2.0", L"1.0", L"1.5"};
    SortVersionList(&list);
    EXPECT_EQ((std::vector<std::wstring>{L"1.00", L"1.0", L"1.5", L"1.10", L"2.0", L"3.0"}), list);
}

TEST_F(SettingsTest, FindsTheNewestOlderVersionKey) {
    ComPtr<Registry2> registry;
    ASSERT_EQ(S_OK, Registry2::Make(&registry));
    ComPtr<_zbnRegistry2> reg;
    EXPECT_EQ(S_OK, registry.As(&reg));
    std::wstring found = L"x";
    ASSERT_EQ(S_OK, FindPreviousVersion(reg.Get(), 0x80000001, title, 2, 0, &found));
    EXPECT_EQ(L"", found);  // no application key at all
    for (const wchar_t* v : {L"Version 1.5", L"Version 1.10", L"Version 2.0", L"Version 3.0", L"Other"})
        MakeKey(AppKey() + L"\\" + v);
    ASSERT_EQ(S_OK, FindPreviousVersion(reg.Get(), 0x80000001, title, 2, 0, &found));
    EXPECT_EQ(L"1.10", found);
    ASSERT_EQ(S_OK, FindPreviousVersion(reg.Get(), 0x80000001, title, 1, 5, &found));
    EXPECT_EQ(L"", found);
}

TEST_F(SettingsTest, RecognisesVersionKeysByTheirTrimmedName) {
    ComPtr<Registry2> registry;
    ASSERT_EQ(S_OK, Registry2::Make(&registry));
    ComPtr<_zbnRegistry2> reg;
    EXPECT_EQ(S_OK, registry.As(&reg));
    std::wstring found;
    for (const wchar_t* v : {L"Version1.7", L"Ver 1.8", L"1.9"}) MakeKey(AppKey() + L"\\" + v);
    ASSERT_EQ(S_OK, FindPreviousVersion(reg.Get(), 0x80000001, title, 5, 0, &found));
    EXPECT_EQ(L"", found);
    MakeKey(AppKey() + L"\\version 1.2");
    ASSERT_EQ(S_OK, FindPreviousVersion(reg.Get(), 0x80000001, title, 5, 0, &found));
    EXPECT_EQ(L"1.2", found);
    MakeKey(AppKey() + L"\\  Version 1.3  ");
    ASSERT_EQ(S_OK, FindPreviousVersion(reg.Get(), 0x80000001, title, 5, 0, &found));
    EXPECT_EQ(L"1.3", found);
    // Equal versions: the one later in enumeration order wins.
    MakeKey(AppKey() + L"\\Version 4.0");
    MakeKey(AppKey() + L"\\Version 4.00");
    ASSERT_EQ(S_OK, FindPreviousVersion(reg.Get(), 0x80000001, title, 5, 0, &found));
    EXPECT_EQ(L"4.00", found);
}

TEST_F(SettingsTest, ReadsAnEarlierVersionUntilTheCurrentOneIsSaved) {
    ASSERT_TRUE(WriteText(VersionKey(L"1.5"), L"Colour", L"blue") == ERROR_SUCCESS);
    bool ok = false;
    Variant v = Load(L"Colour", sdtString, nullptr, 2, 0, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(L"blue", Bstr::ToString(V_BSTR(v.Get())));
    Variant red = MakeText(L"red");
    ASSERT_TRUE(Save(L"Colour", sdtString, *red.Get(), 2, 0));
    v = Load(L"Colour", sdtString, nullptr, 2, 0, &ok);
    EXPECT_EQ(L"red", Bstr::ToString(V_BSTR(v.Get())));
    // Version (0, 0) never searches.
    ASSERT_TRUE(WriteText(VersionKey(L"0.0"), L"Only", L"x") == ERROR_SUCCESS);
    v = Load(L"Colour", sdtString, nullptr, 0, 0, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(L"", Bstr::ToString(V_BSTR(v.Get())));
}

TEST_F(SettingsTest, WrongTypeAtTheCurrentVersionGivesTheDefault) {
    WriteText(VersionKey(L"1.0"), L"N", L"7");
    WriteRaw(VersionKey(L"2.0"), L"N", REG_SZ, Utf16(std::wstring(L"8\0", 2)));
    Variant def = MakeText(L"fallback");
    bool ok = true;
    Variant v = Load(L"N", sdtLong, def.Get(), 2, 0, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(L"fallback", Bstr::ToString(V_BSTR(v.Get())));  // the default, unconverted
    // A number of the wrong length counts as missing, so the earlier version answers.
    WriteRaw(VersionKey(L"1.0"), L"D", REG_DWORD, {5, 0, 0, 0});
    WriteRaw(VersionKey(L"2.0"), L"D", REG_DWORD, {1, 2});
    v = Load(L"D", sdtLong, nullptr, 2, 0, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(5, V_I4(v.Get()));
}

TEST_F(SettingsTest, BooleanReadingRules) {
    const std::wstring key = VersionKey(L"1.0");
    WriteText(key, L"spaced", L"  1 ");
    WriteText(key, L"lower", L"true");
    WriteText(key, L"word", L"yes");
    WriteText(key, L"False", L"False");
    WriteRaw(key, L"five", REG_DWORD, {5, 0, 0, 0});
    WriteRaw(key, L"zero", REG_DWORD, {0, 0, 0, 0});
    WriteRaw(key, L"bin", REG_BINARY, {1});
    const struct { const wchar_t* name; bool value; bool found; } cases[] = {
        {L"spaced", true, true}, {L"lower", true, true}, {L"word", false, true}, {L"False", false, true},
        {L"five", true, true},   {L"zero", false, true}, {L"bin", false, false}, {L"absent", false, false}};
    for (const auto& c : cases) {
        bool ok = !c.found;
        Variant v = Load(c.name, sdtBoolean, nullptr, 1, 0, &ok);
        ASSERT_EQ(VT_BOOL, v.Type()) << std::string(c.name, c.name + wcslen(c.name));
        EXPECT_EQ(c.value, V_BOOL(v.Get()) != VARIANT_FALSE) << std::string(c.name, c.name + wcslen(c.name));
        EXPECT_EQ(c.found, ok);
    }
}

TEST_F(SettingsTest, SavingByKind) {
    ASSERT_TRUE(Save(L"b", sdtBoolean, *MakeBool(true).Get(), 1, 0));
    DWORD type = 0;
    UniqueHKey k;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, VersionKey(L"1.0").c_str(), 0, KEY_QUERY_VALUE, k.Put()));
    wchar_t text[16] = {};
    DWORD size = sizeof(text);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(k.Get(), L"b", nullptr, &type, reinterpret_cast<BYTE*>(text), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_STREQ(L"True", text);
    ASSERT_TRUE(Save(L"n", sdtLong, *MakeI2(-2).Get(), 1, 0));
    size = sizeof(text);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(k.Get(), L"n", nullptr, &type, reinterpret_cast<BYTE*>(text), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    k.Reset();

    // Refused: nothing is written and no key is made.
    Variant dbl, missing;
    V_VT(dbl.Get()) = VT_R8;
    V_R8(dbl.Get()) = 1.5;
    V_VT(missing.Get()) = VT_ERROR;
    V_ERROR(missing.Get()) = DISP_E_PARAMNOTFOUND;
    EXPECT_FALSE(Save(L"x", sdtLong, *dbl.Get(), 3, 0));
    EXPECT_FALSE(Save(L"x", sdtBoolean, *MakeI2(1).Get(), 3, 0));
    EXPECT_FALSE(Save(L"x", 9, *MakeText(L"t").Get(), 3, 0));
    EXPECT_FALSE(Save(L"x", sdtString, *missing.Get(), 3, 0));
    Variant null;
    V_VT(null.Get()) = VT_NULL;
    EXPECT_FALSE(Save(L"x", sdtString, *null.Get(), 3, 0));
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, VersionKey(L"3.0").c_str(), 0, KEY_READ, k.Put()));
}

TEST_F(SettingsTest, EmptyValuesByKind) {
    bool ok = true;
    Variant s = Load(L"none", sdtString, nullptr, 1, 0, &ok);
    EXPECT_EQ(VT_BSTR, s.Type());
    Variant n = Load(L"none", sdtLong, nullptr, 1, 0, &ok);
    EXPECT_EQ(VT_I4, n.Type());
    EXPECT_EQ(0, V_I4(n.Get()));
    Variant b = Load(L"none", sdtBinary, nullptr, 1, 0, &ok);
    EXPECT_EQ(VT_ARRAY | VT_UI1, b.Type());
    EXPECT_EQ(nullptr, V_ARRAY(b.Get()));
    Variant other = Load(L"none", 7, nullptr, 1, 0, &ok);
    EXPECT_EQ(VT_NULL, other.Type());
    Variant def = MakeI2(3);
    Variant given = Load(L"none", 7, def.Get(), 1, 0, &ok);
    EXPECT_EQ(VT_I2, given.Type());
    EXPECT_FALSE(ok);
}

TEST_F(SettingsTest, StoreAndItsFacadeAreReleasedTogether) {
    long start = module::LiveObjects();
    {
        ComPtr<Settings2> s;
        ASSERT_EQ(S_OK, Settings2::Make(&s));
        EXPECT_EQ(start + 2, module::LiveObjects());
    }
    EXPECT_EQ(start, module::LiveObjects());
}

}  // namespace
