// Proxy settings: a caller's object copied to and from settings, property by property,
// its password never stored in plain text.
#include "settings/settings2.h"
#include "automation/arguments.h"
#include "settings/app_object.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "com/variant_util.h"
#include "settings/late_binding.h"
#include "protect/password_glue.h"

namespace {

struct ProxyField {
    const wchar_t* valueName;
    long kind;
    const wchar_t* property;
};

struct ProxyRecord {
    const ProxyField* fields;
    size_t count;
    const wchar_t* passwordProperty;
};

const ProxyField kHttpFields[] = {
    {L"AccessType", sdtLong, L"HTTP_AccessType"},  {L"Address", sdtString, L"HTTP_Address"},
    {L"BypassList", sdtString, L"HTTP_BypassList"}, {L"BypassLocal", sdtBoolean, L"HTTP_BypassLocal"},
    {L"UserName", sdtString, L"HTTP_UserName"},
};
const ProxyField kHtFields[] = {
    {L"Access Type", sdtLong, L"AccessType"},        {L"HTTP Address", sdtString, L"HTTP_Address"},
    {L"HTTPS Address", sdtString, L"HTTPS_Address"}, {L"FTP Address", sdtString, L"FTP_Address"},
    {L"Bypass List", sdtString, L"BypassList"},      {L"User Name", sdtString, L"UserName"},
};
const ProxyRecord kHttp = {kHttpFields, sizeof(kHttpFields) / sizeof(kHttpFields[0]), L"HTTP_Password"};
const ProxyRecord kHt = {kHtFields, sizeof(kHtFields) / sizeof(kHtFields[0]), L"Password"};
const wchar_t kPasswordValue[] = L"Password";
const int kPasswordLevel = 2;  // sealed for the current user, also for per-machine settings

// The value a field loads as when nothing is stored.
Variant FieldDefault(long kind) {
    Variant v;
    switch (kind) {
    case sdtLong: V_VT(v.Get()) = VT_I2; V_I2(v.Get()) = 0; break;
    case sdtBoolean: V_VT(v.Get()) = VT_BOOL; V_BOOL(v.Get()) = VARIANT_FALSE; break;
    default: V_VT(v.Get()) = VT_BSTR; V_BSTR(v.Get()) = SysAllocString(L""); break;
    }
    return v;
}

HRESULT SaveRecord(_zbnZerbaneSettings2* self, const ProxyRecord& record, BSTR subKey, IDispatch* proxy, BSTR appTitle,
                   LONG major, LONG minor, VARIANT_BOOL userSetting) {
    if (!proxy) return S_OK;
    VARIANT_BOOL ignored = VARIANT_FALSE;
    for (size_t i = 0; i < record.count; ++i) {
        const ProxyField& field = record.fields[i];
        Variant value;
        HRESULT hr = GetProperty(proxy, field.property, value.Get());
        if (FAILED(hr)) return hr;
        hr = self->SaveSetting(subKey, Bstr(field.valueName).Get(), static_cast<SettingDataType_Const>(field.kind),
                               *value.Get(), appTitle, major, minor, userSetting, &ignored);
        if (FAILED(hr)) return hr;
    }
    SecretText password;
    std::wstring stored;
    HRESULT hr = GetTextProperty(proxy, record.passwordProperty, &password);
    if (FAILED(hr)) return hr;
    hr = EncodePassword(password, kPasswordLevel, &stored);
    if (FAILED(hr)) return hr;
    return self->SaveSetting(subKey, Bstr(kPasswordValue).Get(), sdtString, *Variant::Text(stored).Get(), appTitle,
                             major, minor, userSetting, &ignored);
}

HRESULT LoadRecord(_zbnZerbaneSettings2* self, const ProxyRecord& record, BSTR subKey, IDispatch* proxy, BSTR appTitle,
                   LONG major, LONG minor, VARIANT_BOOL userSetting) {
    if (!proxy) return S_OK;
    VARIANT_BOOL ignored = VARIANT_FALSE;
    for (size_t i = 0; i < record.count; ++i) {
        const ProxyField& field = record.fields[i];
        Variant value;
        HRESULT hr = self->LoadSetting(subKey, Bstr(field.valueName).Get(), static_cast<SettingDataType_Const>(field.kind),
                                       *FieldDefault(field.kind).Get(), appTitle, major, minor, userSetting, &ignored,
                                       value.Get());
        if (SUCCEEDED(hr)) hr = PutProperty(proxy, field.property, *value.Get());
        if (FAILED(hr)) return hr;
    }
    Variant stored, text;
    HRESULT hr = self->LoadSetting(subKey, Bstr(kPasswordValue).Get(), sdtString, *Variant::Text(L"").Get(), appTitle,
                                   major, minor, userSetting, &ignored, stored.Get());
    if (SUCCEEDED(hr)) hr = ConvertVariant(text.Get(), stored.Get(), VT_BSTR);
    SecretVariant password;
    if (SUCCEEDED(hr)) hr = password.SetText(DecodePassword(Bstr::ToString(V_BSTR(text.Get()))));
    if (FAILED(hr)) return hr;
    return PutProperty(proxy, record.passwordProperty, *password.Get());
}

}  // namespace

STDMETHODIMP Settings2::SaveProxySettings(BSTR SubKey, IDispatch** ProxySettingsObject, BSTR AppTitle, LONG VerMajor,
                                          LONG VerMinor, VARIANT_BOOL UserSetting) {
    return SaveRecord(Self(), kHttp, SubKey, ObjectOf(ProxySettingsObject), AppTitle, VerMajor, VerMinor, UserSetting);
}

STDMETHODIMP Settings2::LoadProxySettings(BSTR SubKey, IDispatch** ProxySettingsObject, BSTR AppTitle, LONG VerMajor,
                                          LONG VerMinor, VARIANT_BOOL UserSetting) {
    return LoadRecord(Self(), kHttp, SubKey, ObjectOf(ProxySettingsObject), AppTitle, VerMajor, VerMinor, UserSetting);
}

STDMETHODIMP Settings2::SaveProxySettingsHT(BSTR SubKey, IDispatch** ProxySettingsObject, BSTR AppTitle, LONG VerMajor,
                                            LONG VerMinor, VARIANT_BOOL UserSetting) {
    return SaveRecord(Self(), kHt, SubKey, ObjectOf(ProxySettingsObject), AppTitle, VerMajor, VerMinor, UserSetting);
}

STDMETHODIMP Settings2::LoadProxySettingsHT(BSTR SubKey, IDispatch** ProxySettingsObject, BSTR AppTitle, LONG VerMajor,
                                            LONG VerMinor, VARIANT_BOOL UserSetting) {
    return LoadRecord(Self(), kHt, SubKey, ObjectOf(ProxySettingsObject), AppTitle, VerMajor, VerMinor, UserSetting);
}

STDMETHODIMP Settings2::SaveProxySettings2(BSTR SubKey, IDispatch** ProxySettingsObject, IDispatch** AppObject,
                                           VARIANT_BOOL UserSetting) {
    return WithAppObject(ObjectOf(AppObject), [&](BSTR title, LONG major, LONG minor) {
        return Self()->SaveProxySettings(SubKey, ProxySettingsObject, title, major, minor, UserSetting);
    });
}

STDMETHODIMP Settings2::LoadProxySettings2(BSTR SubKey, IDispatch** ProxySettingsObject, IDispatch** AppObject,
                                           VARIANT_BOOL UserSetting) {
    return WithAppObject(ObjectOf(AppObject), [&](BSTR title, LONG major, LONG minor) {
        return Self()->LoadProxySettings(SubKey, ProxySettingsObject, title, major, minor, UserSetting);
    });
}

STDMETHODIMP Settings2::SaveProxySettingsHT2(BSTR SubKey, IDispatch** ProxySettingsObject, IDispatch** AppObject,
                                             VARIANT_BOOL UserSetting) {
    return WithAppObject(ObjectOf(AppObject), [&](BSTR title, LONG major, LONG minor) {
        return Self()->SaveProxySettingsHT(SubKey, ProxySettingsObject, title, major, minor, UserSetting);
    });
}

STDMETHODIMP Settings2::LoadProxySettingsHT2(BSTR SubKey, IDispatch** ProxySettingsObject, IDispatch** AppObject,
                                             VARIANT_BOOL UserSetting) {
    return WithAppObject(ObjectOf(AppObject), [&](BSTR title, LONG major, LONG minor) {
        return Self()->LoadProxySettingsHT(SubKey, ProxySettingsObject, title, major, minor, UserSetting);
    });
}
