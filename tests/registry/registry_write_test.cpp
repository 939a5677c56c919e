// SetValue, CreateKey, DeleteValue and DeleteKey: exact byte images read back with the raw API.
#include "tests/registry_fixture.h"

namespace {

class RegistryWrite : public testing::Test {
protected:
    ScratchKey key{L"Write"};
    ComPtr<_zbnRegistry2> reg = NewRegistry();

    bool Set(const std::wstring& path, const std::wstring& name, long type, const VARIANT* data,
             VARIANT_BOOL* existed = nullptr) {
        VARIANT_BOOL ok = VARIANT_FALSE;
        EXPECT_EQ(S_OK, reg->SetValue(kHKCU, Bstr(path).Get(), Bstr(name).Get(),
                                      static_cast<RegistryDataType2_Const>(type), *data, existed, &ok));
        return ok != VARIANT_FALSE;
    }
    std::vector<uint8_t> Stored(const std::wstring& name, DWORD expectType, const std::wstring& child = L"") {
        DWORD type = 0;
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(key.Read(name, &type, &bytes, child));
        EXPECT_EQ(expectType, type);
        return bytes;
    }
};

Variant Text(const std::wstring& s) {
    Variant v;
    V_VT(v.Get()) = VT_BSTR;
    V_BSTR(v.Get()) = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return v;
}

Variant Int(VARTYPE vt, long n) {
    Variant v;
    V_VT(v.Get()) = vt;
    if (vt == VT_I2) V_I2(v.Get()) = static_cast<SHORT>(n);
    else if (vt == VT_UI1) V_UI1(v.Get()) = static_cast<BYTE>(n);
    else V_I4(v.Get()) = n;
    return v;
}

Variant StringArray(const std::vector<std::wstring>& items) {
    Variant v;
    SAFEARRAY* sa = nullptr;
    MakeStringArray(items, &sa);
    V_VT(v.Get()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(v.Get()) = sa;
    return v;
}

Variant ByteArray(const std::vector<uint8_t>& bytes) {
    Variant v;
    SAFEARRAY* sa = nullptr;
    MakeByteArray(bytes.data(), bytes.size(), &sa);
    V_VT(v.Get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(v.Get()) = sa;
    return v;
}

TEST_F(RegistryWrite, TextCreatesTheKeyAndReportsWhetherItExisted) {
    Variant text = Text(L"abc");
    VARIANT_BOOL existed = VARIANT_TRUE;
    ASSERT_TRUE(Set(key.Sub(L"New"), L"", REG_SZ, text.Get(), &existed));
    EXPECT_EQ(VARIANT_FALSE, existed);
    EXPECT_EQ(0, LastError(reg.Get()));
    EXPECT_EQ(Utf16(std::wstring(L"abc\0", 4)), Stored(L"", REG_SZ, L"New"));
    ASSERT_TRUE(Set(key.Sub(L"New"), L"", REG_SZ, text.Get(), &existed));
    EXPECT_EQ(VARIANT_TRUE, existed);
}

TEST_F(RegistryWrite, ByteImagesInUnicodeAndAnsiMode) {
    Variant empty = Text(L"");
    ASSERT_TRUE(Set(key.Path(), L"u", REG_SZ, empty.Get()));
    EXPECT_EQ(2u, Stored(L"u", REG_SZ).size());
    Variant expand = Text(L"%TEMP%");
    ASSERT_TRUE(Set(key.Path(), L"e", REG_EXPAND_SZ, expand.Get()));
    EXPECT_EQ(Utf16(std::wstring(L"%TEMP%\0", 7)), Stored(L"e", REG_EXPAND_SZ));
    Variant multi = StringArray({L"a", L"b"});
    ASSERT_TRUE(Set(key.Path(), L"m", REG_MULTI_SZ, multi.Get()));
    EXPECT_EQ(Utf16(std::wstring(L"a\0b\0\0", 5)), Stored(L"m", REG_MULTI_SZ));
    Variant none = StringArray({});
    ASSERT_TRUE(Set(key.Path(), L"m0", REG_MULTI_SZ, none.Get()));
    EXPECT_EQ(Utf16(std::wstring(L"\0\0", 2)), Stored(L"m0", REG_MULTI_SZ));
    Variant minus = Int(VT_I2, -1);
    ASSERT_TRUE(Set(key.Path(), L"d", REG_DWORD, minus.Get()));
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}), Stored(L"d", REG_DWORD));
    Variant one = Int(VT_I4, 1);
    ASSERT_TRUE(Set(key.Path(), L"be", REG_DWORD_BIG_ENDIAN, one.Get()));
    EXPECT_EQ((std::vector<uint8_t>{1, 0, 0, 0}), Stored(L"be", REG_DWORD_BIG_ENDIAN));
    Variant zeroBytes = ByteArray({});
    ASSERT_TRUE(Set(key.Path(), L"b", REG_BINARY, zeroBytes.Get()));
    EXPECT_TRUE(Stored(L"b", REG_BINARY).empty());
    Variant raw = ByteArray({1, 2, 3});
    ASSERT_TRUE(Set(key.Path(), L"t9", 9, raw.Get()));
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), Stored(L"t9", 9));

    // In ANSI mode the empty string is one NUL byte; the registry keeps ANSI string data
    // as UTF-16, so the image is read back through the ANSI function.
    reg->put_UseUnicodeFunctions(VARIANT_FALSE);
    Variant e2 = Text(L"");
    ASSERT_TRUE(Set(key.Path(), L"as", REG_SZ, e2.Get()));
    UniqueHKey k;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_QUERY_VALUE, k.Put()));
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(k.Get(), "as", nullptr, &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(1u, size);
}

TEST_F(RegistryWrite, RefusedValuesTouchNothing) {
    VARIANT_BOOL gone = VARIANT_FALSE;
    reg->DeleteKey(kHKCU, Bstr(key.Sub(L"never")).Get(), VARIANT_TRUE, &gone);
    long before = LastError(reg.Get());
    ASSERT_EQ(2, before);

    Variant dbl;
    V_VT(dbl.Get()) = VT_R8;
    V_R8(dbl.Get()) = 1.0;
    Variant flag;
    V_VT(flag.Get()) = VT_BOOL;
    V_BOOL(flag.Get()) = VARIANT_TRUE;
    Variant text = Text(L"x");
    Variant missing;
    V_VT(missing.Get()) = VT_ERROR;
    V_ERROR(missing.Get()) = DISP_E_PARAMNOTFOUND;
    Variant variantArray;
    SAFEARRAY* sa = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    V_VT(variantArray.Get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(variantArray.Get()) = sa;
    // An array of bytes in a variant that claims to hold strings: read as strings it would
    // be pointers into nowhere.
    Variant falseStrings;
    V_VT(falseStrings.Get()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(falseStrings.Get()) = SafeArrayCreateVector(VT_UI1, 0, 3);
    struct { long type; const VARIANT* data; } refused[] = {
        {REG_DWORD, dbl.Get()}, {REG_DWORD, flag.Get()}, {REG_BINARY, text.Get()},
        {REG_MULTI_SZ, variantArray.Get()}, {REG_SZ, missing.Get()}, {REG_SZ, dbl.Get()},
        {REG_MULTI_SZ, falseStrings.Get()},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(Set(key.Sub(L"refused"), L"v", r.type, r.data)) << r.type;
        EXPECT_EQ(before, LastError(reg.Get()));
    }
    EXPECT_FALSE(key.Exists(L"refused"));
}

TEST_F(RegistryWrite, ByReferenceDataIsReadThrough) {
    Variant inner = Text(L"through");
    Variant ref;
    V_VT(ref.Get()) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(ref.Get()) = inner.Get();
    ASSERT_TRUE(Set(key.Path(), L"r", REG_SZ, ref.Get()));
    EXPECT_EQ(Utf16(std::wstring(L"through\0", 8)), Stored(L"r", REG_SZ));
    Variant number = Int(VT_I4, 9);
    Variant byRefLong;
    V_VT(byRefLong.Get()) = VT_BYREF | VT_I4;
    V_I4REF(byRefLong.Get()) = &V_I4(number.Get());
    ASSERT_TRUE(Set(key.Path(), L"n", REG_DWORD, byRefLong.Get()));
    EXPECT_EQ((std::vector<uint8_t>{9, 0, 0, 0}), Stored(L"n", REG_DWORD));
}

TEST_F(RegistryWrite, WrittenValuesReadBackAlike) {
    Variant values[] = {Text(L"text"), Int(VT_I4, -123456), Int(VT_UI1, 200), StringArray({L"x", L"y", L"z"}),
                        ByteArray({0, 255, 7})};
    long types[] = {REG_SZ, REG_DWORD_BIG_ENDIAN, REG_DWORD, REG_MULTI_SZ, REG_BINARY};
    for (int i = 0; i < 5; ++i) {
        std::wstring name = L"rt" + std::to_wstring(i);
        ASSERT_TRUE(Set(key.Path(), name, types[i], values[i].Get()));
        ComPtr<_RegValue> v = ReadValue(reg.Get(), key.Path(), name);
        ASSERT_TRUE(v);
        Variant data, expected;
        EXPECT_EQ(S_OK, v->get_Data(data.Get()));
        VariantCopy(expected.Get(), values[i].Get());
        if (types[i] == REG_DWORD) VariantChangeType(expected.Get(), expected.Get(), 0, VT_I4);
        if (types[i] == REG_MULTI_SZ) EXPECT_EQ(Strings(expected.Get()), Strings(data.Get()));
        else if (types[i] == REG_BINARY) EXPECT_EQ(Bytes(expected.Get()), Bytes(data.Get()));
        else EXPECT_EQ(VARCMP_EQ, VarCmp(data.Get(), expected.Get(), LOCALE_USER_DEFAULT, 0)) << i;
    }
    // An empty element ends the list on reading.
    Variant gap = StringArray({L"a", L"", L"b"});
    ASSERT_TRUE(Set(key.Path(), L"gap", REG_MULTI_SZ, gap.Get()));
    Variant back;
    ReadValue(reg.Get(), key.Path(), L"gap")->get_Data(back.Get());
    EXPECT_EQ((std::vector<std::wstring>{L"a"}), Strings(back.Get()));
}

TEST_F(RegistryWrite, CreateKeyAndDeletions) {
    VARIANT_BOOL existed = VARIANT_TRUE, ok = VARIANT_FALSE;
    ASSERT_EQ(S_OK, reg->CreateKey(kHKCU, Bstr(key.Sub(L"a\\b")).Get(), &existed, &ok));
    EXPECT_EQ(VARIANT_TRUE, ok);
    EXPECT_EQ(VARIANT_FALSE, existed);
    ASSERT_EQ(S_OK, reg->CreateKey(kHKCU, Bstr(key.Sub(L"a\\b")).Get(), &existed, &ok));
    EXPECT_EQ(VARIANT_TRUE, existed);

    EXPECT_EQ(S_OK, reg->DeleteValue(kHKCU, Bstr(key.Path()).Get(), Bstr(L"nothing").Get(), &ok));
    EXPECT_EQ(VARIANT_FALSE, ok);
    EXPECT_EQ(2, LastError(reg.Get()));
    key.WriteText(L"gone", REG_SZ, L"x");
    EXPECT_EQ(S_OK, reg->DeleteValue(kHKCU, Bstr(key.Path()).Get(), Bstr(L"gone").Get(), &ok));
    EXPECT_EQ(VARIANT_TRUE, ok);
    DWORD type;
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(key.Read(L"gone", &type, &bytes));

    // Not recursive: a key with a subkey stays.
    EXPECT_EQ(S_OK, reg->DeleteKey(kHKCU, Bstr(key.Sub(L"a")).Get(), VARIANT_FALSE, &ok));
    EXPECT_EQ(VARIANT_FALSE, ok);
    EXPECT_TRUE(key.Exists(L"a\\b"));
    EXPECT_EQ(S_OK, reg->DeleteKey(kHKCU, Bstr(key.Sub(L"a")).Get(), VARIANT_TRUE, &ok));
    EXPECT_EQ(VARIANT_TRUE, ok);
    EXPECT_FALSE(key.Exists(L"a"));
    EXPECT_EQ(S_OK, reg->DeleteKey(kHKCU, Bstr(key.Sub(L"a")).Get(), VARIANT_TRUE, &ok));
    EXPECT_EQ(VARIANT_FALSE, ok);
    EXPECT_EQ(2, LastError(reg.Get()));
}

}  // namespace
