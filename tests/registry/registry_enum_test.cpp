// GetValues, GetSubKeys, GetKey and IsKeyExist against the real registry.
#include "tests/registry_fixture.h"
#include <algorithm>

// The slots of this program's import table through which the facade's code, linked in here,
// calls these two functions: a test replaces them to change the registry between two calls.
using QueryValueFn = LSTATUS(WINAPI*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using EnumValueFn = LSTATUS(WINAPI*)(HKEY, DWORD, LPWSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
#ifdef _WIN64
extern QueryValueFn g_importQueryValue asm("__imp_RegQueryValueExW");
extern EnumValueFn g_importEnumValue asm("__imp_RegEnumValueW");
#else
extern QueryValueFn g_importQueryValue asm("__imp__RegQueryValueExW@24");
extern EnumValueFn g_importEnumValue asm("__imp__RegEnumValueW@32");
#endif

namespace {

// Puts a replacement into an import slot for its lifetime.
template <class Fn>
class ImportPatch {
public:
    ImportPatch(Fn* slot, Fn replacement) : slot_(slot), saved_(*slot) { Set(replacement); }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    ~ImportPatch() { Set(saved_); }

private:
    void Set(Fn f) {
        DWORD old = 0;
        ASSERT_TRUE(VirtualProtect(slot_, sizeof(f), PAGE_READWRITE, &old));
        *slot_ = f;
        VirtualProtect(slot_, sizeof(f), old, &old);
    }
    Fn* slot_;
    Fn saved_;
};

// After every replaced call, the value "grows" is 1,000 bytes longer, as if another program
// wrote it in between.
const ScratchKey* g_growing = nullptr;
size_t g_grownSize = 0;
QueryValueFn g_query = nullptr;
EnumValueFn g_enum = nullptr;

void Grow() {
    g_grownSize += 1000;
    g_growing->Write(L"grows", REG_BINARY, std::vector<uint8_t>(g_grownSize, 7));
}
LSTATUS WINAPI QueryThenGrow(HKEY k, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    LSTATUS rc = g_query(k, name, reserved, type, data, size);
    Grow();
    return rc;
}
LSTATUS WINAPI EnumThenGrow(HKEY k, DWORD i, LPWSTR name, LPDWORD len, LPDWORD reserved, LPDWORD type, LPBYTE data,
                            LPDWORD size) {
    LSTATUS rc = g_enum(k, i, name, len, reserved, type, data, size);
    Grow();
    return rc;
}

class RegistryEnum : public testing::Test {
protected:
    ScratchKey key{L"Enum"};
    ComPtr<_zbnRegistry2> reg = NewRegistry();

    ComPtr<_Collection> Values(const std::wstring& path, bool data) {
        ComPtr<_Collection> c;
        EXPECT_EQ(S_OK, reg->GetValues(kHKCU, Bstr(path).Get(), data ? VARIANT_TRUE : VARIANT_FALSE, c.Put()));
        return c;
    }
    ComPtr<_Collection> SubKeys(const std::wstring& path) {
        ComPtr<_Collection> c;
        EXPECT_EQ(S_OK, reg->GetSubKeys(kHKCU, Bstr(path).Get(), c.Put()));
        return c;
    }
};

long CountOf(_Collection* c) {
    long n = -1;
    EXPECT_EQ(S_OK, c->Count(&n));
    return n;
}

TEST_F(RegistryEnum, EmptyKeyGivesEmptyCollections) {
    ComPtr<_Collection> values = Values(key.Path(), false);
    ASSERT_TRUE(values);
    EXPECT_EQ(0, CountOf(values.Get()));
    EXPECT_EQ(0, LastError(reg.Get()));
    ComPtr<_Collection> keys = SubKeys(key.Path());
    ASSERT_TRUE(keys);
    EXPECT_EQ(0, CountOf(keys.Get()));
    EXPECT_EQ(0, LastError(reg.Get()));
}

TEST_F(RegistryEnum, MissingKeyGivesNothingWithCode2) {
    EXPECT_FALSE(Values(key.Sub(L"missing"), true));
    EXPECT_EQ(2, LastError(reg.Get()));
    EXPECT_FALSE(SubKeys(key.Sub(L"missing")));
    EXPECT_EQ(2, LastError(reg.Get()));
    VARIANT_BOOL exists = VARIANT_TRUE;
    EXPECT_EQ(S_OK, reg->IsKeyExist(kHKCU, Bstr(key.Sub(L"missing")).Get(), &exists));
    EXPECT_EQ(VARIANT_FALSE, exists);
    EXPECT_EQ(2, LastError(reg.Get()));
    EXPECT_EQ(S_OK, reg->IsKeyExist(kHKCU, Bstr(key.Path()).Get(), &exists));
    EXPECT_EQ(VARIANT_TRUE, exists);
    EXPECT_EQ(0, LastError(reg.Get()));
}

TEST_F(RegistryEnum, ValuesWithoutDataCarryNameTypeAndNull) {
    key.WriteText(L"", REG_SZ, L"C:\\x.exe");
    key.WriteText(L"Path", REG_EXPAND_SZ, L"C:\\");
    ComPtr<_Collection> values = Values(key.Path(), false);
    ASSERT_TRUE(values);
    auto items = Items(values.Get());
    ASSERT_EQ(2u, items.size());
    std::vector<std::wstring> names;
    for (auto& item : items) {
        ComPtr<_RegValue> v;
        ASSERT_EQ(S_OK, item.As(&v));
        Variant data;
        EXPECT_EQ(S_OK, v->get_Data(data.Get()));
        EXPECT_EQ(VT_NULL, data.Type());
        Bstr name, sub;
        EXPECT_EQ(S_OK, v->get_Name(name.Put()));
        EXPECT_EQ(S_OK, v->get_SubKey(sub.Put()));
        EXPECT_EQ(key.Path(), sub.Str());
        RegistryDataType2_Const t{};
        EXPECT_EQ(S_OK, v->get_DataType(&t));
        EXPECT_EQ(name.Str().empty() ? REG_SZ : REG_EXPAND_SZ, static_cast<DWORD>(t));
        names.push_back(name.Str());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L"", L"Path"}), names);
}

TEST_F(RegistryEnum, UndecodableValueIsANothingEntry) {
    key.Write(L"bad", REG_DWORD, {1, 2});
    key.Write(L"good", REG_DWORD, {7, 0, 0, 0});
    key.Write(L"empty", REG_BINARY, {});
    ComPtr<_Collection> values = Values(key.Path(), true);
    ASSERT_TRUE(values);
    auto items = Items(values.Get());
    ASSERT_EQ(3u, items.size());
    int nothing = 0;
    for (auto& item : items) {
        if (!item) { ++nothing; continue; }
        ComPtr<_RegValue> v;
        ASSERT_EQ(S_OK, item.As(&v));
        Bstr name;
        EXPECT_EQ(S_OK, v->get_Name(name.Put()));
        Variant data;
        EXPECT_EQ(S_OK, v->get_Data(data.Get()));
        if (name.Str() == L"good") EXPECT_EQ(7, V_I4(data.Get()));
        else EXPECT_EQ(VT_ARRAY | VT_UI1, data.Type());
    }
    EXPECT_EQ(1, nothing);
}

// Data longer than a first read, and shorter data after it in the same listing.
TEST_F(RegistryEnum, LongAndShortDataReadWhole) {
    std::vector<uint8_t> longData(5000);
    for (size_t i = 0; i < longData.size(); ++i) longData[i] = static_cast<uint8_t>(i * 7 + 1);
    const std::vector<std::pair<std::wstring, std::vector<uint8_t>>> written = {
        {L"a", longData}, {L"b", {1, 2}}, {L"c", {}}};
    for (auto& w : written) key.Write(w.first, REG_BINARY, w.second);
    ComPtr<_RegValue> single = ReadValue(reg.Get(), key.Path(), L"a");
    ASSERT_TRUE(single);
    Variant data;
    EXPECT_EQ(S_OK, single->get_Data(data.Get()));
    EXPECT_EQ(longData, Bytes(data.Get()));
    ComPtr<_Collection> values = Values(key.Path(), true);
    ASSERT_TRUE(values);
    auto items = Items(values.Get());
    ASSERT_EQ(written.size(), items.size());
    for (auto& item : items) {
        ComPtr<_RegValue> v;
        ASSERT_EQ(S_OK, item.As(&v));
        Variant listed;
        EXPECT_EQ(S_OK, v->get_Data(listed.Get()));
        const std::wstring name = NameOf(item.Get());
        auto w = std::find_if(written.begin(), written.end(), [&](const auto& x) { return x.first == name; });
        ASSERT_NE(written.end(), w);
        EXPECT_EQ(w->second, Bytes(listed.Get()));
    }
    EXPECT_EQ(0, LastError(reg.Get()));
}

// A value that grows between the read that gives its size and the read of its data gives
// Nothing, with the code of the second read: GetValue alone, and a listing with data.
TEST_F(RegistryEnum, ValueGrowingBetweenReadsGivesNothing) {
    g_growing = &key;
    g_grownSize = 2000;
    key.Write(L"a", REG_BINARY, {1});  // listed first, whatever order the registry keeps
    key.Write(L"grows", REG_BINARY, std::vector<uint8_t>(g_grownSize, 7));
    g_query = g_importQueryValue;
    {
        ImportPatch<QueryValueFn> patch(&g_importQueryValue, QueryThenGrow);
        EXPECT_FALSE(ReadValue(reg.Get(), key.Path(), L"grows"));
        EXPECT_EQ(ERROR_MORE_DATA, LastError(reg.Get()));
    }
    g_enum = g_importEnumValue;
    ImportPatch<EnumValueFn> patch(&g_importEnumValue, EnumThenGrow);
    EXPECT_FALSE(Values(key.Path(), true));
    EXPECT_EQ(ERROR_MORE_DATA, LastError(reg.Get()));
}

TEST_F(RegistryEnum, SubKeysRecordTheParentPath) {
    for (const wchar_t* n : {L"alpha.exe", L"beta.exe", L"gamma"}) key.WriteText(L"", REG_SZ, n, n);
    ComPtr<_Collection> keys = SubKeys(key.Path());
    ASSERT_TRUE(keys);
    std::vector<std::wstring> names;
    for (auto& item : Items(keys.Get())) {
        ComPtr<_RegKey> k;
        ASSERT_EQ(S_OK, item.As(&k));
        Bstr name, sub, cls;
        EXPECT_EQ(S_OK, k->get_Name(name.Put()));
        EXPECT_EQ(S_OK, k->get_SubKey(sub.Put()));
        EXPECT_EQ(S_OK, k->get_KeyClass(cls.Put()));
        EXPECT_EQ(key.Path(), sub.Str());
        EXPECT_EQ(L"", cls.Str());
        names.push_back(name.Str());
    }
    EXPECT_EQ((std::vector<std::wstring>{L"alpha.exe", L"beta.exe", L"gamma"}), names);
}

TEST_F(RegistryEnum, GetKeyNamesTheLastComponentAndKeepsItsClass) {
    UniqueHKey k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key.Sub(L"Classy").c_str(), 0,
                                             const_cast<wchar_t*>(L"my class text"), 0, KEY_ALL_ACCESS, nullptr,
                                             k.Put(), nullptr));
    ComPtr<_RegKey> snapshot;
    ASSERT_EQ(S_OK, reg->GetKey(kHKCU, Bstr(key.Sub(L"Classy")).Get(), snapshot.Put()));
    ASSERT_TRUE(snapshot);
    Bstr name, sub, cls;
    EXPECT_EQ(S_OK, snapshot->get_Name(name.Put()));
    EXPECT_EQ(S_OK, snapshot->get_SubKey(sub.Put()));
    EXPECT_EQ(S_OK, snapshot->get_KeyClass(cls.Put()));
    EXPECT_EQ(L"Classy", name.Str());
    EXPECT_EQ(key.Sub(L"Classy"), sub.Str());
    EXPECT_EQ(L"my class text", cls.Str());
    EXPECT_EQ(S_OK, reg->GetKey(kHKCU, Bstr(key.Sub(L"none")).Get(), snapshot.Put()));
    EXPECT_FALSE(snapshot);
    EXPECT_EQ(2, LastError(reg.Get()));

    // A slash is part of a key's name (as in "Content Type\text/html"), not a separator.
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key.Sub(L"text/html").c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, k.Put(), nullptr));
    ASSERT_EQ(S_OK, reg->GetKey(kHKCU, Bstr(key.Sub(L"text/html")).Get(), snapshot.Put()));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(S_OK, snapshot->get_Name(name.Put()));
    EXPECT_EQ(L"text/html", name.Str());
}

TEST_F(RegistryEnum, LastWriteTimeIsUtc) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    DATE before = 0;
    SystemTimeToVariantTime(&now, &before);
    key.WriteText(L"", REG_SZ, L"x", L"Fresh");
    ComPtr<_RegKey> snapshot;
    ASSERT_EQ(S_OK, reg->GetKey(kHKCU, Bstr(key.Sub(L"Fresh")).Get(), snapshot.Put()));
    ASSERT_TRUE(snapshot);
    DATE written = 0;
    EXPECT_EQ(S_OK, snapshot->get_LastWriteTime(&written));
    // Within two minutes of the UTC clock (local time would be off by the zone offset).
    EXPECT_NEAR(before, written, 2.0 / (24 * 60));
}

TEST_F(RegistryEnum, SnapshotsAndCollectionsOutliveTheFacade) {
    key.WriteText(L"v", REG_SZ, L"kept");
    long start = module::LiveObjects();
    {
        ComPtr<_Collection> values;
        {
            ComPtr<_zbnRegistry2> local = NewRegistry();
            ASSERT_EQ(S_OK, local->GetValues(kHKCU, Bstr(key.Path()).Get(), VARIANT_TRUE, values.Put()));
        }
        ASSERT_TRUE(values);
        auto items = Items(values.Get());
        ASSERT_EQ(1u, items.size());
        ComPtr<_RegValue> v;
        ASSERT_EQ(S_OK, items[0].As(&v));
        Variant data;
        EXPECT_EQ(S_OK, v->get_Data(data.Get()));
        EXPECT_EQ(L"kept", Bstr::ToString(V_BSTR(data.Get())));
        ComPtr<IUnknown> enumerator;
        ASSERT_EQ(S_OK, values->_NewEnum(enumerator.Put()));
        EXPECT_GT(module::LiveObjects(), start);
    }
    EXPECT_EQ(start, module::LiveObjects());
}

TEST_F(RegistryEnum, EnumeratorWalksTheItemsInOrder) {
    for (const wchar_t* n : {L"k1", L"k2", L"k3"}) key.WriteText(L"", REG_SZ, n, n);
    ComPtr<_Collection> keys = SubKeys(key.Path());
    ASSERT_TRUE(keys);
    ComPtr<IUnknown> unk;
    ASSERT_EQ(S_OK, keys->_NewEnum(unk.Put()));
    ComPtr<IEnumVARIANT> e;
    ASSERT_EQ(S_OK, unk.As(&e));
    VARIANT batch[2];
    ULONG fetched = 0;
    EXPECT_EQ(S_OK, e->Next(2, batch, &fetched));
    EXPECT_EQ(2u, fetched);
    EXPECT_EQ(L"k1", NameOf(V_DISPATCH(&batch[0])));
    EXPECT_EQ(L"k2", NameOf(V_DISPATCH(&batch[1])));
    VariantClear(&batch[0]);
    VariantClear(&batch[1]);
    EXPECT_EQ(S_FALSE, e->Next(2, batch, &fetched));
    EXPECT_EQ(1u, fetched);
    EXPECT_EQ(L"k3", NameOf(V_DISPATCH(&batch[0])));
    VariantClear(&batch[0]);
    Variant index, item;
    V_VT(index.Get()) = VT_I4;
    V_I4(index.Get()) = 4;
    EXPECT_EQ(DISP_E_BADINDEX, keys->Item(index.Get(), item.Get()));
    V_I4(index.Get()) = 0;
    EXPECT_EQ(DISP_E_BADINDEX, keys->Item(index.Get(), item.Get()));
}

}  // namespace
