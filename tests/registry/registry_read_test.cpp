// GetValue, the decoder and the typed accessors, against the real registry.
#include "tests/registry_fixture.h"

namespace {

class RegistryRead : public testing::Test {
protected:
    ScratchKey key{L"Read"};
    ComPtr<_zbnRegistry2> reg = NewRegistry();

    Variant DataOf(const std::wstring& name) {
        Variant data;
        ComPtr<_RegValue> v = ReadValue(reg.Get(), key.Path(), name);
        EXPECT_TRUE(v) << "no snapshot for " << std::string(name.begin(), name.end());
        if (v) v->get_Data(data.Get());
        return data;
    }
    long TypeOf(const std::wstring& name) {
        ComPtr<_RegValue> v = ReadValue(reg.Get(), key.Path(), name);
        RegistryDataType2_Const t{};
        if (v) v->get_DataType(&t);
        return t;
    }
};

TEST_F(RegistryRead, MissingKeyAndValueGiveNothingWithCode2) {
    EXPECT_FALSE(ReadValue(reg.Get(), key.Sub(L"nope"), L""));
    EXPECT_EQ(2, LastError(reg.Get()));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteText(L"here", REG_SZ, L"x"));
    EXPECT_FALSE(ReadValue(reg.Get(), key.Path(), L"absent"));
    EXPECT_EQ(2, LastError(reg.Get()));
    EXPECT_TRUE(ReadValue(reg.Get(), key.Path(), L"here"));
    EXPECT_EQ(0, LastError(reg.Get()));
}

TEST_F(RegistryRead, SnapshotRecordsNameKeyAndRoot) {
    ASSERT_EQ(ERROR_SUCCESS, key.WriteText(L"", REG_SZ, L"default"));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteText(L"Named", REG_SZ, L"x"));
    ComPtr<_RegValue> def = ReadValue(reg.Get(), key.Path(), L"");
    ASSERT_TRUE(def);
    Bstr name, sub;
    EXPECT_EQ(S_OK, def->get_Name(name.Put()));
    EXPECT_EQ(S_OK, def->get_SubKey(sub.Put()));
    RegistryRoot2_Const root{};
    EXPECT_EQ(S_OK, def->get_RegistryRoot(&root));
    EXPECT_EQ(L"", name.Str());
    EXPECT_EQ(key.Path(), sub.Str());
    EXPECT_EQ(static_cast<long>(kHKCU), static_cast<long>(root));
    // The name is the caller's spelling, not the stored one.
    ComPtr<_RegValue> named = ReadValue(reg.Get(), key.Path(), L"NAMED");
    ASSERT_TRUE(named);
    EXPECT_EQ(S_OK, named->get_Name(name.Put()));
    EXPECT_EQ(L"NAMED", name.Str());
}

TEST_F(RegistryRead, StringsStopAtTheFirstNul) {
    key.Write(L"embedded", REG_SZ, Utf16(std::wstring(L"abc\0def\0", 8)));
    key.Write(L"empty", REG_SZ, {});
    key.Write(L"unterminated", REG_SZ, Utf16(L"whole"));
    key.Write(L"expand", REG_EXPAND_SZ, Utf16(std::wstring(L"%PATH%\\x\0", 9)));
    EXPECT_EQ(L"abc", Bstr::ToString(V_BSTR(DataOf(L"embedded").Get())));
    EXPECT_EQ(L"", Bstr::ToString(V_BSTR(DataOf(L"empty").Get())));
    EXPECT_EQ(L"whole", Bstr::ToString(V_BSTR(DataOf(L"unterminated").Get())));
    EXPECT_EQ(L"%PATH%\\x", Bstr::ToString(V_BSTR(DataOf(L"expand").Get())));
    EXPECT_EQ(REG_EXPAND_SZ, TypeOf(L"expand"));
}

TEST_F(RegistryRead, OddStringByteCountIsRejectedOnlyInUnicodeMode) {
    key.Write(L"odd", REG_SZ, {'a', 0, 'b', 0, 'c', 0, 0});
    EXPECT_FALSE(ReadValue(reg.Get(), key.Path(), L"odd"));
    EXPECT_EQ(0, LastError(reg.Get()));
    reg->put_UseUnicodeFunctions(VARIANT_FALSE);
    ComPtr<_RegValue> v = ReadValue(reg.Get(), key.Path(), L"odd");
    ASSERT_TRUE(v);
    Variant data;
    EXPECT_EQ(S_OK, v->get_Data(data.Get()));
    ASSERT_EQ(VT_BSTR, data.Type());
}

TEST_F(RegistryRead, NumbersNeedExactlyFourBytesAndAreNeverSwapped) {
    key.Write(L"le", REG_DWORD, {1, 2, 3, 4});
    key.Write(L"be", REG_DWORD_BIG_ENDIAN, {1, 2, 3, 4});
    key.Write(L"long", REG_DWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    key.Write(L"short", REG_DWORD, {1, 2});
    key.Write(L"none", REG_DWORD, {});
    EXPECT_EQ(67305985, V_I4(DataOf(L"le").Get()));
    EXPECT_EQ(67305985, V_I4(DataOf(L"be").Get()));
    for (const wchar_t* bad : {L"long", L"short", L"none"}) {
        EXPECT_FALSE(ReadValue(reg.Get(), key.Path(), bad));
        EXPECT_EQ(0, LastError(reg.Get()));
    }
}

TEST_F(RegistryRead, MultiStringShapes) {
    key.Write(L"double", REG_MULTI_SZ, Utf16(std::wstring(L"a\0b\0\0", 5)));
    key.Write(L"single", REG_MULTI_SZ, Utf16(std::wstring(L"a\0b\0", 4)));
    key.Write(L"twonul", REG_MULTI_SZ, Utf16(std::wstring(L"\0\0", 2)));
    key.Write(L"nodata", REG_MULTI_SZ, {});
    key.Write(L"onenul", REG_MULTI_SZ, Utf16(std::wstring(L"\0", 1)));
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"b"}), Strings(DataOf(L"double").Get()));
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L""}), Strings(DataOf(L"single").Get()));
    Variant none = DataOf(L"twonul");
    ASSERT_EQ(VT_ARRAY | VT_BSTR, none.Type());
    long count = -1;
    ASSERT_TRUE(ArrayElementCount(V_ARRAY(none.Get()), &count));
    EXPECT_EQ(0, count);
    LONG lo = -1;
    SafeArrayGetLBound(V_ARRAY(none.Get()), 1, &lo);
    EXPECT_EQ(0, lo);
    EXPECT_TRUE(Strings(DataOf(L"nodata").Get()).empty());
    EXPECT_EQ((std::vector<std::wstring>{L"", L""}), Strings(DataOf(L"onenul").Get()));
}

TEST_F(RegistryRead, OtherTypesAreRawBytes) {
    key.Write(L"t11", 11, {1, 2, 3, 4, 5, 6, 7, 8});
    key.Write(L"bin", REG_BINARY, {});
    key.Write(L"none", REG_NONE, {9});
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}), Bytes(DataOf(L"t11").Get()));
    EXPECT_EQ(11, TypeOf(L"t11"));
    Variant empty = DataOf(L"bin");
    ASSERT_EQ(VT_ARRAY | VT_UI1, empty.Type());
    EXPECT_TRUE(Bytes(empty.Get()).empty());
    EXPECT_EQ((std::vector<uint8_t>{9}), Bytes(DataOf(L"none").Get()));
}

TEST_F(RegistryRead, ValueDataTypeToStringNamesNineTypes) {
    const wchar_t* names[] = {L"REG_NONE", L"REG_SZ", L"REG_EXPAND_SZ", L"REG_BINARY", L"REG_DWORD",
                              L"REG_DWORD_BIG_ENDIAN", L"REG_LINK", L"REG_MULTI_SZ", L"REG_RESOURCE_LIST"};
    for (long t = -2; t <= 12; ++t) {
        Bstr s;
        ASSERT_EQ(S_OK, reg->ValueDataTypeToString(static_cast<RegistryDataType2_Const>(t), s.Put()));
        EXPECT_EQ(t >= 0 && t <= 8 ? std::wstring(names[t]) : std::wstring(), s.Str()) << t;
    }
}

TEST_F(RegistryRead, TypedAccessorsOnNothing) {
    _RegValue* nothing = nullptr;
    RegistryDataType2_Const t{};
    EXPECT_EQ(S_OK, reg->GetValueDataType(&nothing, &t));
    EXPECT_EQ(-1, static_cast<long>(t));
    Bstr s;
    EXPECT_EQ(S_OK, reg->GetValueData_SZ(&nothing, s.Put()));
    EXPECT_EQ(L"", s.Str());
    long n = 7;
    EXPECT_EQ(S_OK, reg->GetValueData_DWORD(&nothing, &n));
    EXPECT_EQ(0, n);
    SafeArray sa;
    EXPECT_EQ(S_OK, reg->GetValueData_BINARY(&nothing, sa.Put()));
    long count = -1;
    EXPECT_TRUE(ArrayElementCount(sa.Get(), &count));
    EXPECT_EQ(0, count);
}

TEST_F(RegistryRead, TypedAccessorsFollowTheType) {
    key.WriteText(L"exp", REG_EXPAND_SZ, L"%TEMP%");
    key.Write(L"be", REG_DWORD_BIG_ENDIAN, {5, 0, 0, 0});
    key.Write(L"dw", REG_DWORD, {5, 0, 0, 0});
    key.Write(L"bin", REG_BINARY, {1, 2});
    long before = LastError(reg.Get());
    ComPtr<_RegValue> exp = ReadValue(reg.Get(), key.Path(), L"exp");
    _RegValue* p = exp.Get();
    Bstr s;
    EXPECT_EQ(S_OK, reg->GetValueData_SZ(&p, s.Put()));
    EXPECT_EQ(L"%TEMP%", s.Str());
    long n = 0;
    EXPECT_EQ(S_OK, reg->GetValueData_DWORD(&p, &n));
    EXPECT_EQ(0, n);
    ComPtr<_RegValue> be = ReadValue(reg.Get(), key.Path(), L"be");
    p = be.Get();
    EXPECT_EQ(S_OK, reg->GetValueData_DWORD(&p, &n));
    EXPECT_EQ(0, n);  // big-endian type is not read as a number
    ComPtr<_RegValue> dw = ReadValue(reg.Get(), key.Path(), L"dw");
    p = dw.Get();
    EXPECT_EQ(S_OK, reg->GetValueData_DWORD(&p, &n));
    EXPECT_EQ(5, n);
    ComPtr<_RegValue> bin = ReadValue(reg.Get(), key.Path(), L"bin");
    p = bin.Get();
    SafeArray sa;
    EXPECT_EQ(S_OK, reg->GetValueData_BINARY(&p, sa.Put()));
    std::vector<uint8_t> bytes;
    ReadByteArray(sa.Get(), &bytes);
    EXPECT_EQ((std::vector<uint8_t>{1, 2}), bytes);
    EXPECT_EQ(S_OK, reg->GetValueData_SZ(&p, s.Put()));
    EXPECT_EQ(L"", s.Str());
    // The accessors never touch LastRegError: the last call above that set it was GetValue.
    (void)before;
    EXPECT_EQ(0, LastError(reg.Get()));
}

TEST_F(RegistryRead, AccessorsRaiseOnSnapshotsWithoutData) {
    key.WriteText(L"s", REG_SZ, L"x");
    ComPtr<_Collection> list;
    ASSERT_EQ(S_OK, reg->GetValues(kHKCU, Bstr(key.Path()).Get(), VARIANT_FALSE, list.Put()));
    ASSERT_TRUE(list);
    auto items = Items(list.Get());
    ASSERT_EQ(1u, items.size());
    ComPtr<_RegValue> v;
    ASSERT_EQ(S_OK, items[0].As(&v));
    _RegValue* p = v.Get();
    Bstr s;
    EXPECT_TRUE(FAILED(reg->GetValueData_SZ(&p, s.Put())));
}

TEST_F(RegistryRead, AccessorsTreatForeignObjectsAsNothing) {
    // A collection is an automation object but not a snapshot.
    ComPtr<_Collection> list;
    ASSERT_EQ(S_OK, reg->GetValues(kHKCU, Bstr(key.Path()).Get(), VARIANT_FALSE, list.Put()));
    _RegValue* foreign = reinterpret_cast<_RegValue*>(list.Get());
    RegistryDataType2_Const t{};
    EXPECT_EQ(S_OK, reg->GetValueDataType(&foreign, &t));
    EXPECT_EQ(-1, static_cast<long>(t));
}

TEST_F(RegistryRead, InvalidRootHandleGivesNothingWithTheCode) {
    EXPECT_FALSE(ReadValue(reg.Get(), L"x", L"", static_cast<RegistryRoot2_Const>(0x12345678)));
    EXPECT_NE(0, LastError(reg.Get()));
}

}  // namespace
