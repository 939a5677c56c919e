#pragma once
// zbnZerbaneSettings2: an application's settings in the registry, per user or per machine,
// under a key for its title and version, falling back to the newest earlier version.
#include "com/dispatch_object.h"
#include "automation/tarnwell_idl.h"

class Settings2 : public DispatchObject<Settings2, _zbnZerbaneSettings2> {
public:
    static HRESULT Make(ComPtr<Settings2>* out);

    STDMETHODIMP GetSettingPath(BSTR AppTitle, LONG VerMajor, LONG VerMinor, BSTR KeyPath, BSTR* Result) override;
    STDMETHODIMP GetSettingPath2(IDispatch* AppObject, BSTR KeyPath, BSTR* Result) override;
    STDMETHODIMP LoadSetting(BSTR SubKey, BSTR ValueName, SettingDataType_Const ValueDataType, VARIANT Default,
                             BSTR AppTitle, LONG VerMajor, LONG VerMinor, VARIANT_BOOL UserSetting,
                             VARIANT_BOOL* lpSuccess, VARIANT* Result) override;
    STDMETHODIMP SaveSetting(BSTR SubKey, BSTR ValueName, SettingDataType_Const ValueDataType, VARIANT Value,
                             BSTR AppTitle, LONG VerMajor, LONG VerMinor, VARIANT_BOOL UserSetting,
                             VARIANT_BOOL* lpSuccess) override;
    STDMETHODIMP LoadSetting2(BSTR SubKey, BSTR ValueName, SettingDataType_Const ValueDataType, VARIANT Default,
                              IDispatch* AppObject, VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess,
                              VARIANT* Result) override;
    STDMETHODIMP SaveSetting2(BSTR SubKey, BSTR ValueName, SettingDataType_Const ValueDataType, VARIANT Value,
                              IDispatch* AppObject, VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess,
                              VARIANT_BOOL* Result) override;
    STDMETHODIMP SaveListViewColumns(BSTR SubKey, IDispatch** ListViewObject, BSTR AppTitle, LONG VerMajor,
                                     LONG VerMinor, VARIANT_BOOL UserSetting) override;
    STDMETHODIMP LoadListViewColumns(BSTR SubKey, IDispatch** ListViewObject, BSTR AppTitle, LONG VerMajor,
                                     LONG VerMinor, VARIANT_BOOL UserSetting) override;
    STDMETHODIMP SaveListViewColumns2(BSTR SubKey, IDispatch** ListViewObject, IDispatch* AppObject,
                                      VARIANT_BOOL UserSetting) override;
    STDMETHODIMP LoadListViewColumns2(BSTR SubKey, IDispatch** ListViewObject, IDispatch* AppObject,
                                      VARIANT_BOOL UserSetting) override;
    STDMETHODIMP SaveProxySettings(BSTR SubKey, IDispatch** ProxySettingsObject, BSTR AppTitle, LONG VerMajor,
                                   LONG VerMinor, VARIANT_BOOL UserSetting) override;
    STDMETHODIMP LoadProxySettings(BSTR SubKey, IDispatch** ProxySettingsObject, BSTR AppTitle, LONG VerMajor,
                                   LONG VerMinor, VARIANT_BOOL UserSetting) override;
    STDMETHODIMP SaveProxySettings2(BSTR SubKey, IDispatch** ProxySettingsObject, IDispatch** AppObject,
                                    VARIANT_BOOL UserSetting) override;
    STDMETHODIMP LoadProxySettings2(BSTR SubKey, IDispatch** ProxySettingsObject, IDispatch** AppObject,
                                    VARIANT_BOOL UserSetting) override;
    STDMETHODIMP SaveProxySettingsHT(BSTR SubKey, IDispatch** ProxySettingsObject, BSTR AppTitle, LONG VerMajor,
                                     LONG VerMinor, VARIANT_BOOL UserSetting) override;
    STDMETHODIMP LoadProxySettingsHT(BSTR SubKey, IDispatch** ProxySettingsObject, BSTR AppTitle, LONG VerMajor,
                                     LONG VerMinor, VARIANT_BOOL UserSetting) override;
    STDMETHODIMP SaveProxySettingsHT2(BSTR SubKey, IDispatch** ProxySettingsObject, IDispatch** AppObject,
                                      VARIANT_BOOL UserSetting) override;
    STDMETHODIMP LoadProxySettingsHT2(BSTR SubKey, IDispatch** ProxySettingsObject, IDispatch** AppObject,
                                      VARIANT_BOOL UserSetting) override;
    STDMETHODIMP LoadFont(BSTR SubKey, IFontDisp** Default, BSTR AppTitle, LONG VerMajor, LONG VerMinor,
                          VARIANT_BOOL UserSetting, IFontDisp** Result) override;
    STDMETHODIMP SaveFont(BSTR SubKey, IFontDisp** Value, BSTR AppTitle, LONG VerMajor, LONG VerMinor,
                          VARIANT_BOOL UserSetting) override;
    STDMETHODIMP LoadFont2(BSTR SubKey, IFontDisp** Default, IDispatch* AppObject, VARIANT_BOOL UserSetting,
                           IFontDisp** Result) override;
    STDMETHODIMP SaveFont2(BSTR SubKey, IFontDisp** Value, IDispatch* AppObject, VARIANT_BOOL UserSetting) override;
    STDMETHODIMP SaveFormPlacement(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, BSTR AppTitle, LONG VerMajor,
                                   LONG VerMinor, VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess) override;
    STDMETHODIMP LoadFormPlacementPx(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, BSTR AppTitle,
                                     LONG VerMajor, LONG VerMinor, VARIANT_BOOL SetMinimized, LONG FixedWidth,
                                     LONG FixedHeight, VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess) override;
    STDMETHODIMP LoadFormPlacement(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, BSTR AppTitle, LONG VerMajor,
                                   LONG VerMinor, VARIANT_BOOL SetMinimized, float FixedWidth, float FixedHeight,
                                   VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess) override;
    STDMETHODIMP SaveFormPlacement2(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, IDispatch* AppObject,
                                    VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess) override;
    STDMETHODIMP LoadFormPlacementPx2(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, IDispatch* AppObject,
                                      VARIANT_BOOL SetMinimized, LONG FixedWidth, LONG FixedHeight,
                                      VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess) override;
    STDMETHODIMP LoadFormPlacement2(BSTR SubKey, BSTR ValueName, IDispatch** FormObject, IDispatch* AppObject,
                                    VARIANT_BOOL SetMinimized, float FixedWidth, float FixedHeight,
                                    VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess) override;

protected:
    Settings2() = default;

private:
    // The object's own interface: members call each other through it.
    _zbnZerbaneSettings2* Self() { return this; }

    ComPtr<_zbnRegistry2> registry_;
};

// Class factory entry for zbnZerbaneSettings2.
HRESULT CreateSettings2(REFIID riid, void** ppv);
