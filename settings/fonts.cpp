// Fonts: eight settings from a standard font object, and a new font object built from them.
#include "settings/settings2.h"
#include "settings/app_object.h"
#include "com/bstr.h"
#include "com/error_info.h"
#include "com/variant.h"
#include "com/variant_util.h"
#include "support/zerbanesupport.h"
#include "support/zerbanesupportfbe.h"
#include <olectl.h>

namespace {

// The standard font's dispatch identifiers.
const DISPID kName = 0, kSize = 2, kItalic = 4, kUnderline = 5, kStrikethrough = 6, kWeight = 7, kCharset = 8;

HRESULT FontProperty(IDispatch* font, DISPID id, VARTYPE vt, VARIANT* out) {
    Variant raw;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    HRESULT hr = font->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, raw.Get(), nullptr,
                              nullptr);
    if (SUCCEEDED(hr)) hr = ConvertVariant(out, raw.Get(), vt);
    if (FAILED(hr)) return ReportError(hr, IID__zbnZerbaneSettings2, L"A property of the font cannot be read.");
    return S_OK;
}

// n / d rounded to the nearest integer, halves to even (d > 0).
bool DivideHalfEven(long long n, long long d, LONG* out) {
    long long q = n / d, r = n % d;
    if (r < 0) { r += d; --q; }
    if (2 * r > d || (2 * r == d && (q & 1))) ++q;
    if (q > 2147483647LL || q < -2147483647LL - 1) return false;
    *out = static_cast<LONG>(q);
    return true;
}

HRESULT Overflow() { return ReportError(DISP_E_OVERFLOW, IID__zbnZerbaneSettings2, L"The font size is out of range."); }

IFontDisp* FontOf(IFontDisp** font) { return font ? *font : nullptr; }

}  // namespace

STDMETHODIMP Settings2::SaveFont(BSTR SubKey, IFontDisp** Value, BSTR AppTitle, LONG VerMajor, LONG VerMinor,
                                 VARIANT_BOOL UserSetting) {
    IFontDisp* font = FontOf(Value);
    if (!font) return S_OK;
    // In the order they are written. Every property is read before the first write, so a
    // font that cannot be read leaves the stored font whole instead of half old and half new.
    struct Setting {
        const wchar_t* name;
        SettingDataType_Const kind;
        DISPID id;
        VARTYPE vt;
        Variant value;
    } settings[] = {{L"Size", sdtLong, kSize, VT_CY, {}},
                    {L"Size2", sdtLong, kSize, VT_CY, {}},
                    {L"Italic", sdtBoolean, kItalic, VT_BOOL, {}},
                    {L"Strikethrough", sdtBoolean, kStrikethrough, VT_BOOL, {}},
                    {L"Underline", sdtBoolean, kUnderline, VT_BOOL, {}},
                    {L"Charset", sdtLong, kCharset, VT_I2, {}},
                    {L"Weight", sdtLong, kWeight, VT_I2, {}},
                    {L"Name", sdtString, kName, VT_BSTR, {}}};
    Variant size;
    HRESULT hr = FontProperty(font, kSize, VT_CY, size.Get());
    if (FAILED(hr)) return hr;
    LONG points = 0, thousandths = 0;
    if (!DivideHalfEven(V_CY(size.Get()).int64, 10000, &points) ||
        !DivideHalfEven(V_CY(size.Get()).int64, 10, &thousandths))
        return Overflow();
    settings[0].value = Variant::Long(points);
    settings[1].value = Variant::Long(thousandths);
    for (size_t i = 2; i < sizeof(settings) / sizeof(settings[0]); ++i) {
        hr = FontProperty(font, settings[i].id, settings[i].vt, settings[i].value.Get());
        if (FAILED(hr)) return hr;
    }
    VARIANT_BOOL ignored = VARIANT_FALSE;
    for (const Setting& setting : settings) {
        hr = Self()->SaveSetting(SubKey, Bstr(setting.name).Get(), setting.kind, *setting.value.Get(), AppTitle,
                                 VerMajor, VerMinor, UserSetting, &ignored);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

STDMETHODIMP Settings2::LoadFont(BSTR SubKey, IFontDisp** Default, BSTR AppTitle, LONG VerMajor, LONG VerMinor,
                                 VARIANT_BOOL UserSetting, IFontDisp** Result) {
    if (!Result) return E_POINTER;
    *Result = nullptr;
    ComPtr<IFontDisp> base(FontOf(Default));
    const bool madeDefault = !base;
    if (madeDefault) {
        HRESULT hr = CoCreateInstance(CLSID_StdFont, nullptr, CLSCTX_INPROC_SERVER, IID_IFontDisp, base.PutVoid());
        if (FAILED(hr)) return ReportError(hr, IID__zbnZerbaneSettings2, L"No standard font object can be made.");
        if (Default) *Default = base.CopyOut();  // the caller's variable receives it
    }
    auto load = [&](const wchar_t* name, long kind, DISPID id, VARTYPE vt, VARTYPE as, VARIANT* out, bool* found) {
        Variant def, value;
        HRESULT hr = FontProperty(base.Get(), id, vt, def.Get());
        if (FAILED(hr)) return hr;
        VARIANT_BOOL ok = VARIANT_FALSE;
        hr = Self()->LoadSetting(SubKey, Bstr(name).Get(), static_cast<SettingDataType_Const>(kind), *def.Get(),
                                 AppTitle, VerMajor, VerMinor, UserSetting, &ok, value.Get());
        if (FAILED(hr)) return hr;
        if (found) *found = ok != VARIANT_FALSE;
        hr = ConvertVariant(out, value.Get(), as);
        if (FAILED(hr)) return ReportError(hr, IID__zbnZerbaneSettings2, L"A stored font setting cannot be converted.");
        return S_OK;
    };
    FONTDESC desc = {};
    desc.cbSizeofstruct = sizeof(desc);
    Variant size, italic, strike, underline, charset, weight, name;
    bool found = false;
    HRESULT hr = load(L"Size2", sdtLong, kSize, VT_CY, VT_R8, size.Get(), &found);
    if (FAILED(hr)) return hr;
    int64_t cy = 0;
    if (found) {
        hr = asDoubleToLargeInteger(V_R8(size.Get()) * 10.0, &cy);
    } else {
        size.Clear();
        hr = load(L"Size", sdtLong, kSize, VT_CY, VT_R8, size.Get(), nullptr);
        if (SUCCEEDED(hr)) hr = asDoubleToLargeInteger(V_R8(size.Get()) * 10000.0, &cy);
    }
    if (FAILED(hr)) return hr == DISP_E_OVERFLOW ? Overflow() : hr;
    desc.cySize.int64 = cy;
    if (FAILED(hr = load(L"Italic", sdtBoolean, kItalic, VT_BOOL, VT_BOOL, italic.Get(), nullptr)) ||
        FAILED(hr = load(L"Strikethrough", sdtBoolean, kStrikethrough, VT_BOOL, VT_BOOL, strike.Get(), nullptr)) ||
        FAILED(hr = load(L"Underline", sdtBoolean, kUnderline, VT_BOOL, VT_BOOL, underline.Get(), nullptr)) ||
        FAILED(hr = load(L"Charset", sdtLong, kCharset, VT_I2, VT_I4, charset.Get(), nullptr)) ||
        FAILED(hr = load(L"Weight", sdtLong, kWeight, VT_I2, VT_I4, weight.Get(), nullptr)) ||
        FAILED(hr = load(L"Name", sdtString, kName, VT_BSTR, VT_BSTR, name.Get(), nullptr)))
        return hr;
    desc.fItalic = V_BOOL(italic.Get()) != VARIANT_FALSE;
    desc.fStrikethrough = V_BOOL(strike.Get()) != VARIANT_FALSE;
    desc.fUnderline = V_BOOL(underline.Get()) != VARIANT_FALSE;
    desc.sCharset = static_cast<SHORT>(esLoWord(V_I4(charset.Get())));
    desc.sWeight = static_cast<SHORT>(esLoWord(V_I4(weight.Get())));
    desc.lpstrName = V_BSTR(name.Get()) ? V_BSTR(name.Get()) : const_cast<LPOLESTR>(L"");

    ComPtr<IUnknown> created;
    if (OleCreateFontIndirect(&desc, IID_IUnknown, created.PutVoid()) == S_OK) {
        ComPtr<IFontDisp> font;
        if (SUCCEEDED(created.As(&font))) {
            *Result = font.Detach();
            return S_OK;
        }
    }
    if (!madeDefault) *Result = base.Detach();  // the caller's own object, unchanged
    return S_OK;
}

STDMETHODIMP Settings2::LoadFont2(BSTR SubKey, IFontDisp** Default, IDispatch* AppObject, VARIANT_BOOL UserSetting,
                                  IFontDisp** Result) {
    if (!Result) return E_POINTER;
    *Result = nullptr;
    return WithAppObject(AppObject, [&](BSTR title, LONG major, LONG minor) {
        return Self()->LoadFont(SubKey, Default, title, major, minor, UserSetting, Result);
    });
}

STDMETHODIMP Settings2::SaveFont2(BSTR SubKey, IFontDisp** Value, IDispatch* AppObject, VARIANT_BOOL UserSetting) {
    return WithAppObject(AppObject, [&](BSTR title, LONG major, LONG minor) {
        return Self()->SaveFont(SubKey, Value, title, major, minor, UserSetting);
    });
}
