#pragma once
// A settings object and a scratch application title whose keys are removed afterwards.
#include <gtest/gtest.h>
#include <shlwapi.h>
#include "com/bstr.h"
#include "com/handle_owners.h"
#include "com/variant.h"
#include "settings/settings2.h"
#include "tests/test_registry_keys.h"

class SettingsTest : public testing::Test {
protected:
    SettingsTest() {
        ComPtr<Settings2> s;
        EXPECT_EQ(S_OK, Settings2::Make(&s));
        EXPECT_EQ(S_OK, s.As(&store));
        SHDeleteKeyW(HKEY_CURRENT_USER, AppKey().c_str());
    }
    ~SettingsTest() override { SHDeleteKeyW(HKEY_CURRENT_USER, AppKey().c_str()); }

    std::wstring AppKey() const { return L"Software\\Orrindale\\Zerbane\\" + title; }
    std::wstring VersionKey(const std::wstring& version) const { return AppKey() + L"\\Version " + version; }
    void MakeKey(const std::wstring& path) const {
        UniqueHKey k;
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr);
    }
    LSTATUS WriteRaw(const std::wstring& path, const std::wstring& name, DWORD type, const std::vector<uint8_t>& b) const {
        MakeKey(path);
        UniqueHKey k;
        LSTATUS rc = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, k.Put());
        if (rc != ERROR_SUCCESS) return rc;
        return RegSetValueExW(k.Get(), name.c_str(), 0, type, b.empty() ? nullptr : b.data(),
                              static_cast<DWORD>(b.size()));
    }
    LSTATUS WriteText(const std::wstring& path, const std::wstring& name, const std::wstring& text) const {
        std::vector<uint8_t> b = Utf16(text);
        b.push_back(0);
        b.push_back(0);
        return WriteRaw(path, name, REG_SZ, b);
    }

    // LoadSetting with the scratch title.
    Variant Load(const std::wstring& name, long kind, const VARIANT* def, long major, long minor, bool* success,
                 const std::wstring& subKey = L"") {
        Variant missing, result;
        V_VT(missing.Get()) = VT_ERROR;
        V_ERROR(missing.Get()) = DISP_E_PARAMNOTFOUND;
        VARIANT_BOOL ok = VARIANT_TRUE;
        EXPECT_EQ(S_OK, store->LoadSetting(Bstr(subKey).Get(), Bstr(name).Get(), static_cast<SettingDataType_Const>(kind),
                                           def ? *def : *missing.Get(), Bstr(title).Get(), major, minor, VARIANT_TRUE,
                                           &ok, result.Get()));
        if (success) *success = ok != VARIANT_FALSE;
        return result;
    }
    bool Save(const std::wstring& name, long kind, const VARIANT& value, long major, long minor,
              const std::wstring& subKey = L"") {
        VARIANT_BOOL ok = VARIANT_FALSE;
        EXPECT_EQ(S_OK, store->SaveSetting(Bstr(subKey).Get(), Bstr(name).Get(), static_cast<SettingDataType_Const>(kind),
                                           value, Bstr(title).Get(), major, minor, VARIANT_TRUE, &ok));
        return ok != VARIANT_FALSE;
    }

    std::wstring title = L"Tarnwell Settings Test";
    ComPtr<_zbnZerbaneSettings2> store;
};

inline Variant MakeText(const wchar_t* s) {
    Variant v;
    V_VT(v.Get()) = VT_BSTR;
    V_BSTR(v.Get()) = SysAllocString(s);
    return v;
}
inline Variant MakeI2(short n) {
    Variant v;
    V_VT(v.Get()) = VT_I2;
    V_I2(v.Get()) = n;
    return v;
}
inline Variant MakeBool(bool b) {
    Variant v;
    V_VT(v.Get()) = VT_BOOL;
    V_BOOL(v.Get()) = b ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
