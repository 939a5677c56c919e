// Fonts: eight settings from a standard font object, and a new font object built from them.
#include "settings/settings2.h"
#include "automation/arguments.h"
#include "settings/app_object.h"
#include "com/bstr.h"
#include "com/error_info.h"
#include "com/variant.h"
#include "com/variant_util.h"
#include "support/zerbanesupport.h"
#include "support/zerbanesupportfbe.h"
#include <olectl.h>
#include <cstdint>

namespace {

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

}  // namespace

STDMETHODIMP Settings2::SaveFont(BSTR SubKey, IFontDisp** Value, BSTR AppTitle, LONG VerMajor, LONG VerMinor,
                                 VARIANT_BOOL UserSetting) {
    IFontDisp* font = ObjectOf(Value);
    if (!font) return S_OK;
    // In the order they are written. Every property is read before the first write, so a
    // font that cannot be read leaves the stored font whole instead of half old and half new.
    struct Setting {
        const wchar_t* name;
        SettingDataType_Const kind;
        DISPID id;
        VARTYPE vt;
        Variant value;
    } settings[] = {{L"Size", sdtLong, DISPID_FONT_SIZE, VT_CY, {}},
                    {L"Size2", sdtLong, DISPID_FONT_SIZE, VT_CY, {}},
                    {L"Italic", sdtBoolean, DISPID_FONT_ITALIC, VT_BOOL, {}},
                    {L"Strikethrough", sdtBoolean, DISPID_FONT_STRIKE, VT_BOOL, {}},
                    {L"Underline", sdtBoolean, DISPID_FONT_UNDER, VT_BOOL, {}},
                    {L"Charset", sdtLong, DISPID_FONT_CHARSET, VT_I2, {}},
                    {L"Weight", sdtLong, DISPID_FONT_WEIGHT, VT_I2, {}},
                    {L"Name", sdtString, DISPID_FONT_NAME, VT_BSTR, {}}};
    Variant size;
    HRESULT hr = FontProperty(font, DISPID_FONT_SIZE, VT_CY, size.Get());
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

namespace {

// Where LoadFont reads: the settings key, and the font that stands in for what is not stored.
struct FontSource {
    _zbnZerbaneSettings2* settings;
    BSTR subKey, appTitle;
    LONG major, minor;
    VARIANT_BOOL userSetting;
    IFontDisp* base;
};

// One stored attribute: its setting, the default font's property (as `defaultAs`), and where
// the loaded value (converted to `loadedAs`) goes in the font description.
struct FontAttribute {
    const wchar_t* name;
    SettingDataType_Const kind;
    DISPID id;
    VARTYPE defaultAs, loadedAs;
    void (*apply)(const VARIANT& value, FONTDESC* desc);
};

const FontAttribute kFontAttributes[] = {
    {L"Italic", sdtBoolean, DISPID_FONT_ITALIC, VT_BOOL, VT_BOOL,
     [](const VARIANT& v, FONTDESC* d) { d->fItalic = V_BOOL(&v) != VARIANT_FALSE; }},
    {L"Strikethrough", sdtBoolean, DISPID_FONT_STRIKE, VT_BOOL, VT_BOOL,
     [](const VARIANT& v, FONTDESC* d) { d->fStrikethrough = V_BOOL(&v) != VARIANT_FALSE; }},
    {L"Underline", sdtBoolean, DISPID_FONT_UNDER, VT_BOOL, VT_BOOL,
     [](const VARIANT& v, FONTDESC* d) { d->fUnderline = V_BOOL(&v) != VARIANT_FALSE; }},
    {L"Charset", sdtLong, DISPID_FONT_CHARSET, VT_I2, VT_I4,
     [](const VARIANT& v, FONTDESC* d) { d->sCharset = static_cast<SHORT>(esLoWord(V_I4(&v))); }},
    {L"Weight", sdtLong, DISPID_FONT_WEIGHT, VT_I2, VT_I4,
     [](const VARIANT& v, FONTDESC* d) { d->sWeight = static_cast<SHORT>(esLoWord(V_I4(&v))); }},
    {L"Name", sdtString, DISPID_FONT_NAME, VT_BSTR, VT_BSTR,
     [](const VARIANT& v, FONTDESC* d) { d->lpstrName = V_BSTR(&v) ? V_BSTR(&v) : const_cast<LPOLESTR>(L""); }},
};

// LoadSetting of one attribute, with the default font's property as the default.
HRESULT LoadAttribute(const FontSource& from, const FontAttribute& attribute, VARIANT* out, bool* found) {
    Variant def, value;
    HRESULT hr = FontProperty(from.base, attribute.id, attribute.defaultAs, def.Get());
    if (FAILED(hr)) return hr;
    VARIANT_BOOL ok = VARIANT_FALSE;
    hr = from.settings->LoadSetting(from.subKey, Bstr(attribute.name).Get(), attribute.kind, *def.Get(), from.appTitle,
                                    from.major, from.minor, from.userSetting, &ok, value.Get());
    if (FAILED(hr)) return hr;
    *found = ok != VARIANT_FALSE;
    hr = ConvertVariant(out, value.Get(), attribute.loadedAs);
    if (FAILED(hr)) return ReportError(hr, IID__zbnZerbaneSettings2, L"A stored font setting cannot be converted.");
    return S_OK;
}

// The size in Currency units: "Size2" (thousandths of a point) when stored, else "Size".
HRESULT LoadSize(const FontSource& from, CY* size) {
    const FontAttribute size2 = {L"Size2", sdtLong, DISPID_FONT_SIZE, VT_CY, VT_R8, nullptr};
    const FontAttribute points = {L"Size", sdtLong, DISPID_FONT_SIZE, VT_CY, VT_R8, nullptr};
    Variant value;
    bool found = false;
    HRESULT hr = LoadAttribute(from, size2, value.Get(), &found);
    if (FAILED(hr)) return hr;
    double scale = 10.0;
    if (!found) {
        value.Clear();
        hr = LoadAttribute(from, points, value.Get(), &found);
        if (FAILED(hr)) return hr;
        scale = 10000.0;
    }
    int64_t cy = 0;
    hr = asDoubleToLargeInteger(V_R8(value.Get()) * scale, &cy);
    if (FAILED(hr)) return hr == DISP_E_OVERFLOW ? Overflow() : hr;
    size->int64 = cy;
    return S_OK;
}

}  // namespace

STDMETHODIMP Settings2::LoadFont(BSTR SubKey, IFontDisp** Default, BSTR AppTitle, LONG VerMajor, LONG VerMinor,
                                 VARIANT_BOOL UserSetting, IFontDisp** Result) {
    if (!Result) return E_POINTER;
    *Result = nullptr;
    ComPtr<IFontDisp> base(ObjectOf(Default));
    const bool madeDefault = !base;
    if (madeDefault) {
        HRESULT hr = CoCreateInstance(CLSID_StdFont, nullptr, CLSCTX_INPROC_SERVER, IID_IFontDisp, base.PutVoid());
        if (FAILED(hr)) return ReportError(hr, IID__zbnZerbaneSettings2, L"No standard font object can be made.");
        if (Default) *Default = base.CopyOut();  // the caller's variable receives it
    }
    const FontSource from = {Self(), SubKey, AppTitle, VerMajor, VerMinor, UserSetting, base.Get()};
    FONTDESC desc = {};
    desc.cbSizeofstruct = sizeof(desc);
    HRESULT hr = LoadSize(from, &desc.cySize);
    if (FAILED(hr)) return hr;
    Variant values[sizeof(kFontAttributes) / sizeof(kFontAttributes[0])];  // the name lives here until the end
    for (size_t i = 0; i < sizeof(kFontAttributes) / sizeof(kFontAttributes[0]); ++i) {
        bool found = false;
        hr = LoadAttribute(from, kFontAttributes[i], values[i].Get(), &found);
        if (FAILED(hr)) return hr;
        kFontAttributes[i].apply(*values[i].Get(), &desc);
    }
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
