// Fonts saved as eight values and rebuilt as new standard font objects.
#include "tests/settings/settings_fixture.h"
#include <olectl.h>

namespace {

ComPtr<IFontDisp> MakeFont(const wchar_t* face, LONGLONG cy, bool italic, short weight, short charset) {
    FONTDESC d = {};
    d.cbSizeofstruct = sizeof(d);
    d.lpstrName = const_cast<LPOLESTR>(face);
    d.cySize.int64 = cy;
    d.sWeight = weight;
    d.sCharset = charset;
    d.fItalic = italic;
    ComPtr<IFontDisp> f;
    EXPECT_EQ(S_OK, OleCreateFontIndirect(&d, IID_IFontDisp, f.PutVoid()));
    return f;
}

// A font as automation sees it: exact properties by the standard font's dispatch identifiers
// (a real font object reports the size and face it could realise on this system).
class FakeFont final : public IDispatch {
public:
    FakeFont(LONGLONG cy, bool italic, short weight, short charset, const wchar_t* name) {
        V_VT(&size_) = VT_CY;
        V_CY(&size_).int64 = cy;
        V_VT(&italic_) = VT_BOOL;
        V_BOOL(&italic_) = italic ? VARIANT_TRUE : VARIANT_FALSE;
        V_VT(&weight_) = VT_I2;
        V_I2(&weight_) = weight;
        V_VT(&charset_) = VT_I2;
        V_I2(&charset_) = charset;
        V_VT(&name_) = VT_BSTR;
        V_BSTR(&name_) = SysAllocString(name);
    }
    ~FakeFont() { VariantClear(&name_); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IFontDisp) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* r, EXCEPINFO*, UINT*) override {
        if (id == unreadable) return E_ACCESSDENIED;
        VARIANT f;
        VariantInit(&f);
        V_VT(&f) = VT_BOOL;
        V_BOOL(&f) = VARIANT_FALSE;
        switch (id) {
        case 0: return VariantCopy(r, &name_);
        case 2: return VariantCopy(r, &size_);
        case 4: return VariantCopy(r, &italic_);
        case 5: case 6: return VariantCopy(r, &f);
        case 7: return VariantCopy(r, &weight_);
        case 8: return VariantCopy(r, &charset_);
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }

    DISPID unreadable = -1;  // a property that fails to read

private:
    VARIANT size_, italic_, weight_, charset_, name_;
};

struct FontFacts {
    LONGLONG size = 0;
    bool italic = false;
    short weight = 0, charset = 0;
    std::wstring name;
};

FontFacts Facts(IFontDisp* disp) {
    FontFacts f;
    ComPtr<IFont> font;
    if (FAILED(QueryTo(disp, &font))) return f;
    CY cy = {};
    EXPECT_EQ(S_OK, font->get_Size(&cy));
    f.size = cy.int64;
    BOOL italic = FALSE;
    EXPECT_EQ(S_OK, font->get_Italic(&italic));
    f.italic = italic != FALSE;
    EXPECT_EQ(S_OK, font->get_Weight(&f.weight));
    EXPECT_EQ(S_OK, font->get_Charset(&f.charset));
    Bstr name;
    EXPECT_EQ(S_OK, font->get_Name(name.Put()));
    f.name = name.Str();
    return f;
}

class FontTest : public SettingsTest {
protected:
    FontTest() { title = L"Tarnwell Font Test"; }
    ComPtr<IFontDisp> LoadWith(IFontDisp** def) {
        ComPtr<IFontDisp> result;
        EXPECT_EQ(S_OK, store->LoadFont(Bstr(L"F").Get(), def, Bstr(title).Get(), 1, 0, VARIANT_TRUE, result.Put()));
        return result;
    }
    void SaveIt(IFontDisp* font) {
        IFontDisp* ref = font;
        ASSERT_EQ(S_OK, store->SaveFont(Bstr(L"F").Get(), &ref, Bstr(title).Get(), 1, 0, VARIANT_TRUE));
    }
    long Stored(const wchar_t* name) {
        bool ok = false;
        Variant v = Load(name, sdtLong, nullptr, 1, 0, &ok, L"F");
        return ok ? V_I4(v.Get()) : -999;
    }
};

TEST_F(FontTest, SizesAreStoredInPointsAndThousandths) {
    FakeFont small(82500, true, 700, 204, L"Tahoma");
    SaveIt(reinterpret_cast<IFontDisp*>(&small));
    EXPECT_EQ(8, Stored(L"Size"));
    EXPECT_EQ(8250, Stored(L"Size2"));
    EXPECT_EQ(700, Stored(L"Weight"));
    EXPECT_EQ(204, Stored(L"Charset"));
    bool ok = false;
    Variant italic = Load(L"Italic", sdtString, nullptr, 1, 0, &ok, L"F");
    EXPECT_EQ(L"True", Bstr::ToString(V_BSTR(italic.Get())));
    Variant name = Load(L"Name", sdtString, nullptr, 1, 0, &ok, L"F");
    EXPECT_EQ(L"Tahoma", Bstr::ToString(V_BSTR(name.Get())));
    FakeFont half(95000, false, 400, 0, L"Tahoma");
    SaveIt(reinterpret_cast<IFontDisp*>(&half));
    EXPECT_EQ(10, Stored(L"Size"));  // halves to even
    EXPECT_EQ(9500, Stored(L"Size2"));

    // Loading prefers "Size2": the font comes back as one made with 8.25 points here.
    SaveIt(reinterpret_cast<IFontDisp*>(&small));
    ComPtr<IFontDisp> def = MakeFont(L"Arial", 120000, false, 400, 0);
    IFontDisp* ref = def.Get();
    ComPtr<IFontDisp> loaded = LoadWith(&ref);
    ASSERT_TRUE(loaded);
    EXPECT_NE(def.Get(), loaded.Get());
    FontFacts f = Facts(loaded.Get());
    FontFacts expected = Facts(MakeFont(L"Tahoma", 82500, true, 700, 204).Get());
    EXPECT_EQ(expected.size, f.size);
    EXPECT_EQ(expected.name, f.name);
    EXPECT_TRUE(f.italic);
    EXPECT_EQ(700, f.weight);
}

TEST_F(FontTest, MissingValuesComeFromTheDefault) {
    ComPtr<IFontDisp> def = MakeFont(L"Arial", 120000, true, 700, 0);
    IFontDisp* ref = def.Get();
    FontFacts expected = Facts(def.Get());
    FontFacts f = Facts(LoadWith(&ref).Get());
    EXPECT_EQ(expected.size, f.size);
    EXPECT_TRUE(f.italic);
    EXPECT_EQ(expected.name, f.name);
    // Only "Size" stored; "Italic" stored as a number.
    WriteRaw(VersionKey(L"1.0") + L"\\F", L"Size", REG_DWORD, {9, 0, 0, 0});
    WriteRaw(VersionKey(L"1.0") + L"\\F", L"Italic", REG_DWORD, {1, 0, 0, 0});
    ComPtr<IFontDisp> plain = MakeFont(L"Arial", 120000, false, 400, 0);
    ref = plain.Get();
    f = Facts(LoadWith(&ref).Get());
    EXPECT_EQ(Facts(MakeFont(L"Arial", 90000, true, 400, 0).Get()).size, f.size);
    EXPECT_TRUE(f.italic);
}

TEST_F(FontTest, AFontThatCannotBeReadLeavesTheStoredFontWhole) {
    FakeFont first(120000, false, 400, 0, L"First Face");
    SaveIt(reinterpret_cast<IFontDisp*>(&first));
    FakeFont broken(90000, true, 700, 204, L"Second Face");
    broken.unreadable = 0;  // its name, the last value written
    IFontDisp* ref = reinterpret_cast<IFontDisp*>(&broken);
    EXPECT_EQ(E_ACCESSDENIED, store->SaveFont(Bstr(L"F").Get(), &ref, Bstr(title).Get(), 1, 0, VARIANT_TRUE));
    EXPECT_EQ(12, Stored(L"Size"));
    EXPECT_EQ(400, Stored(L"Weight"));
}

TEST_F(FontTest, AnOmittedDefaultIsMadeAndHandedBack) {
    IFontDisp* def = nullptr;
    ComPtr<IFontDisp> loaded = LoadWith(&def);
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(def);
    EXPECT_NE(def, loaded.Get());
    def->Release();
    IFontDisp* none = nullptr;
    EXPECT_EQ(S_OK, store->SaveFont(Bstr(L"F").Get(), &none, Bstr(title).Get(), 1, 0, VARIANT_TRUE));
    EXPECT_EQ(-999, Stored(L"Size"));
}

}  // namespace
