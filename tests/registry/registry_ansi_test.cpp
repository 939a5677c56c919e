// ANSI mode: names and data go through the system code page. Run under a Russian locale
// (code page 1251) the Cyrillic text must survive both ways.
#include "tests/registry_fixture.h"

namespace {

const std::wstring kCyrillic = L"\u041F\u0440\u043E\u0432\u0435\u0440\u043A\u0430";  // "Проверка"

class RegistryAnsi : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1251u, GetACP()) << "run under a Russian locale (LC_ALL=ru_RU.UTF-8)";
        reg->put_UseUnicodeFunctions(VARIANT_FALSE);
    }
    ScratchKey key{L"Ansi"};
    ComPtr<_zbnRegistry2> reg = NewRegistry();
};

TEST_F(RegistryAnsi, CyrillicNamesAndDataRoundTrip) {
    const std::wstring sub = key.Sub(kCyrillic);
    Variant text;
    V_VT(text.Get()) = VT_BSTR;
    V_BSTR(text.Get()) = SysAllocString((kCyrillic + L" 2").c_str());
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(S_OK, reg->SetValue(kHKCU, Bstr(sub).Get(), Bstr(kCyrillic).Get(), static_cast<RegistryDataType2_Const>(REG_SZ),
                                  *text.Get(), nullptr, &ok));
    ASSERT_EQ(VARIANT_TRUE, ok);
    // Stored as the same UTF-16 text a wide-character writer would store.
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(key.Read(kCyrillic, &type, &bytes, kCyrillic));
    EXPECT_EQ(Utf16(kCyrillic + L" 2" + std::wstring(1, L'\0')), bytes);

    ComPtr<_RegValue> v = ReadValue(reg.Get(), sub, kCyrillic);
    ASSERT_TRUE(v);
    Variant data;
    EXPECT_EQ(S_OK, v->get_Data(data.Get()));
    Bstr name;
    EXPECT_EQ(S_OK, v->get_Name(name.Put()));
    EXPECT_EQ(kCyrillic + L" 2", Bstr::ToString(V_BSTR(data.Get())));
    EXPECT_EQ(kCyrillic, name.Str());

    ComPtr<_Collection> keys;
    ASSERT_EQ(S_OK, reg->GetSubKeys(kHKCU, Bstr(key.Path()).Get(), keys.Put()));
    auto items = Items(keys.Get());
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(kCyrillic, NameOf(items[0].Get()));
    ComPtr<_Collection> values;
    ASSERT_EQ(S_OK, reg->GetValues(kHKCU, Bstr(sub).Get(), VARIANT_TRUE, values.Put()));
    items = Items(values.Get());
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(kCyrillic, NameOf(items[0].Get()));
}

// Text longer than a first read, through the code page both alone and in a listing.
TEST_F(RegistryAnsi, LongTextReadsWhole) {
    std::wstring text;
    for (int i = 0; i < 400; ++i) text += kCyrillic;
    key.WriteText(L"long", REG_SZ, text);
    ComPtr<_RegValue> v = ReadValue(reg.Get(), key.Path(), L"long");
    ASSERT_TRUE(v);
    Variant data;
    EXPECT_EQ(S_OK, v->get_Data(data.Get()));
    EXPECT_EQ(text, Bstr::ToString(V_BSTR(data.Get())));
    ComPtr<_Collection> values;
    ASSERT_EQ(S_OK, reg->GetValues(kHKCU, Bstr(key.Path()).Get(), VARIANT_TRUE, values.Put()));
    auto items = Items(values.Get());
    ASSERT_EQ(1u, items.size());
    ASSERT_EQ(S_OK, items[0].As(&v));
    Variant listed;
    EXPECT_EQ(S_OK, v->get_Data(listed.Get()));
    EXPECT_EQ(text, Bstr::ToString(V_BSTR(listed.Get())));
}

TEST_F(RegistryAnsi, MultiStringsKeepTheirSeparators) {
    key.Write(L"m", REG_MULTI_SZ, Utf16(kCyrillic + std::wstring(1, L'\0') + L"b" + std::wstring(2, L'\0')));
    ComPtr<_RegValue> v = ReadValue(reg.Get(), key.Path(), L"m");
    ASSERT_TRUE(v);
    Variant data;
    EXPECT_EQ(S_OK, v->get_Data(data.Get()));
    EXPECT_EQ((std::vector<std::wstring>{kCyrillic, L"b"}), Strings(data.Get()));
}

}  // namespace
