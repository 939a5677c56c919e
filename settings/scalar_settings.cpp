// LoadSetting and SaveSetting: one value of the settings key, by kind, with defaults and
// the fall-back to the newest earlier version.
#include "settings/app_object.h"
#include "automation/arguments.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "com/variant_util.h"
#include "settings/prev_version_finder.h"
#include "settings/setting_path.h"
#include "settings/settings2.h"
#include "support/upper_case.h"
#include "support/zerbanesupport.h"

namespace {

RegistryRoot2_Const RootFor(VARIANT_BOOL userSetting) {
    return RootConst(userSetting != VARIANT_FALSE ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE);
}

// The value of a kind when nothing is stored and no default was given.
HRESULT EmptySettingValue(long kind, VARIANT* out) {
    VariantInit(out);
    switch (kind) {
    case sdtString:
        V_VT(out) = VT_BSTR;
        V_BSTR(out) = SysAllocString(L"");
        return V_BSTR(out) ? S_OK : E_OUTOFMEMORY;
    case sdtLong:
        V_VT(out) = VT_I4;
        V_I4(out) = 0;
        return S_OK;
    case sdtBinary:  // a byte array that was never allocated
        V_VT(out) = VT_ARRAY | VT_UI1;
        V_ARRAY(out) = nullptr;
        return S_OK;
    case sdtBoolean:
        V_VT(out) = VT_BOOL;
        V_BOOL(out) = VARIANT_FALSE;
        return S_OK;
    default:
        V_VT(out) = VT_NULL;
        return S_OK;
    }
}

HRESULT DefaultSettingValue(long kind, const VARIANT* given, VARIANT* out) {
    if (IsMissingArg(given)) return EmptySettingValue(kind, out);
    VariantInit(out);
    const VARIANT* value = DerefVariant(given);
    return value ? VariantCopyInd(out, const_cast<VARIANT*>(value)) : E_INVALIDARG;
}

bool IsStoredTypeAccepted(long type, long kind) {
    switch (kind) {
    case sdtString: return type == REG_SZ;
    case sdtLong: return type == REG_DWORD;
    case sdtBinary: return type == REG_BINARY;
    case sdtBoolean: return type == REG_DWORD || type == REG_SZ;
    default: return false;
    }
}

bool StoredValueToBoolean(const VARIANT* data) {
    if (V_VT(data) == VT_I4) return V_I4(data) != 0;
    if (V_VT(data) != VT_BSTR) return false;
    std::wstring text = UpperCase(asTrimEx(Bstr::ToString(V_BSTR(data))));
    return text == L"TRUE" || text == L"1";
}

const wchar_t* BooleanToSettingText(bool value) { return value ? L"True" : L"False"; }

// Tests and converts a value for writing; false when the kind refuses it.
bool PrepareValueForStore(long kind, VARIANT* value, long* regType) {
    switch (kind) {
    case sdtString:
        *regType = REG_SZ;
        return SUCCEEDED(ConvertVariant(value, value, VT_BSTR));
    case sdtLong:
        *regType = REG_DWORD;
        return V_VT(value) == VT_UI1 || V_VT(value) == VT_I2 || V_VT(value) == VT_I4;
    case sdtBinary:
        *regType = REG_BINARY;
        return V_VT(value) == (VT_ARRAY | VT_UI1) && V_ARRAY(value);
    case sdtBoolean: {
        if (V_VT(value) != VT_BOOL) return false;
        *regType = REG_SZ;
        BSTR text = SysAllocString(BooleanToSettingText(V_BOOL(value) != VARIANT_FALSE));
        if (!text) return false;
        VariantClear(value);
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = text;
        return true;
    }
    default:
        return false;
    }
}

HRESULT ConvertStoredValue(_RegValue* found, long kind, VARIANT_BOOL* success, const VARIANT* given, VARIANT* out) {
    SetFlag(success, false);
    RegistryDataType2_Const type{};
    HRESULT hr = found->get_DataType(&type);
    if (FAILED(hr)) return hr;
    if (!IsStoredTypeAccepted(type, kind)) return DefaultSettingValue(kind, given, out);
    Variant data;
    hr = found->get_Data(data.Get());
    if (FAILED(hr)) return hr;
    if (kind == sdtBoolean) {
        VariantInit(out);
        V_VT(out) = VT_BOOL;
        V_BOOL(out) = StoredValueToBoolean(data.Get()) ? VARIANT_TRUE : VARIANT_FALSE;
    } else {
        data.DetachTo(out);
    }
    SetFlag(success, true);
    return S_OK;
}

}  // namespace

STDMETHODIMP Settings2::LoadSetting(BSTR SubKey, BSTR ValueName, SettingDataType_Const ValueDataType, VARIANT Default,
                                    BSTR AppTitle, LONG VerMajor, LONG VerMinor, VARIANT_BOOL UserSetting,
                                    VARIANT_BOOL* lpSuccess, VARIANT* Result) {
    if (!Result) return E_POINTER;
    VariantInit(Result);
    SetFlag(lpSuccess, false);
    if (IsVariantChain(&Default)) return E_INVALIDARG;  // as VariantCopyInd answers, before any reading
    Bstr path;
    HRESULT hr = Self()->GetSettingPath(AppTitle, VerMajor, VerMinor, SubKey, path.Put());
    if (FAILED(hr)) return hr;
    const RegistryRoot2_Const root = RootFor(UserSetting);
    ComPtr<_RegValue> found;
    hr = registry_->GetValue(root, path.Get(), ValueName, found.Put());
    if (FAILED(hr)) return hr;
    if (!found && (VerMajor != 0 || VerMinor != 0)) {
        std::wstring earlier;
        hr = FindPreviousVersion(registry_.Get(), root, Bstr::ToString(AppTitle), VerMajor, VerMinor, &earlier);
        if (FAILED(hr)) return hr;
        if (!earlier.empty()) {
            Bstr older(BuildSettingPath(Bstr::ToString(AppTitle), earlier, Bstr::ToString(SubKey)));
            hr = registry_->GetValue(root, older.Get(), ValueName, found.Put());
            if (FAILED(hr)) return hr;
        }
    }
    if (!found) return DefaultSettingValue(ValueDataType, &Default, Result);
    return ConvertStoredValue(found.Get(), ValueDataType, lpSuccess, &Default, Result);
}

STDMETHODIMP Settings2::SaveSetting(BSTR SubKey, BSTR ValueName, SettingDataType_Const ValueDataType, VARIANT Value,
                                    BSTR AppTitle, LONG VerMajor, LONG VerMinor, VARIANT_BOOL UserSetting,
                                    VARIANT_BOOL* lpSuccess) {
    SetFlag(lpSuccess, false);
    if (IsMissingArg(&Value)) return S_OK;
    // A copy: the caller's variant is never changed.
    Variant copy;
    const VARIANT* given = DerefVariant(&Value);  // null for a chain of references: refused
    if (!given || FAILED(VariantCopyInd(copy.Get(), const_cast<VARIANT*>(given)))) return S_OK;
    long regType = REG_SZ;
    if (!PrepareValueForStore(ValueDataType, copy.Get(), &regType)) return S_OK;
    Bstr path;
    HRESULT hr = Self()->GetSettingPath(AppTitle, VerMajor, VerMinor, SubKey, path.Put());
    if (FAILED(hr)) return hr;
    VARIANT_BOOL existed = VARIANT_FALSE, written = VARIANT_FALSE;
    hr = registry_->SetValue(RootFor(UserSetting), path.Get(), ValueName, static_cast<RegistryDataType2_Const>(regType),
                             *copy.Get(), &existed, &written);
    if (FAILED(hr)) return hr;
    SetFlag(lpSuccess, written != VARIANT_FALSE);
    return S_OK;
}

STDMETHODIMP Settings2::LoadSetting2(BSTR SubKey, BSTR ValueName, SettingDataType_Const ValueDataType, VARIANT Default,
                                     IDispatch* AppObject, VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess,
                                     VARIANT* Result) {
    if (!Result) return E_POINTER;
    VariantInit(Result);
    if (IsVariantChain(&Default)) return E_INVALIDARG;  // before the application object is read
    return WithAppObject(AppObject, [&](BSTR title, LONG major, LONG minor) {
        return Self()->LoadSetting(SubKey, ValueName, ValueDataType, Default, title, major, minor, UserSetting,
                                   lpSuccess, Result);
    });
}

STDMETHODIMP Settings2::SaveSetting2(BSTR SubKey, BSTR ValueName, SettingDataType_Const ValueDataType, VARIANT Value,
                                     IDispatch* AppObject, VARIANT_BOOL UserSetting, VARIANT_BOOL* lpSuccess,
                                     VARIANT_BOOL* Result) {
    if (!Result) return E_POINTER;
    *Result = VARIANT_FALSE;
    SetFlag(lpSuccess, false);  // stays false when anything below fails
    if (IsVariantChain(&Value)) return S_OK;  // refused before the application object is read
    VARIANT_BOOL written = VARIANT_FALSE;
    HRESULT hr = WithAppObject(AppObject, [&](BSTR title, LONG major, LONG minor) {
        return Self()->SaveSetting(SubKey, ValueName, ValueDataType, Value, title, major, minor, UserSetting, &written);
    });
    if (FAILED(hr)) return hr;
    SetFlag(lpSuccess, written != VARIANT_FALSE);
    *Result = written;  // the outcome of the write, as lpSuccess reports it
    return S_OK;
}
