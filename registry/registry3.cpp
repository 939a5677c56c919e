#include "registry/registry3.h"
#include "automation/arguments.h"
#include "com/error_info.h"
#include "registry/hives.h"
#include "registry/key_security.h"
#include "registry/reg_watch.h"
#include "registry/trees/copy_rename.h"
#include "registry/trees/reg_export.h"
#include "registry/trees/reg_import.h"

namespace {

// The views a script names, as the registry calls name them.
const struct {
    long number;
    REGSAM view;
} kViews[] = {{0, 0}, {64, KEY_WOW64_64KEY}, {32, KEY_WOW64_32KEY}};

}  // namespace

VARIANT_BOOL Registry3::Result(LONG rc) {
    lastError_ = rc;
    return Bool(rc == ERROR_SUCCESS);
}

STDMETHODIMP Registry3::get_View(long* result) {
    if (!result) return E_POINTER;
    *result = 0;
    for (const auto& v : kViews)
        if (v.view == view_) *result = v.number;
    return S_OK;
}

STDMETHODIMP Registry3::put_View(long value) {
    for (const auto& v : kViews) {
        if (v.number != value) continue;
        view_ = v.view;
        return S_OK;
    }
    return ReportError(E_INVALIDARG, IID__zbnRegistry3,
                       L"View is 0 (the caller's own registry view), 64 (the 64-bit view) or 32 (the 32-bit view).");
}

STDMETHODIMP Registry3::Watch(RegistryRoot2_Const root, BSTR subKey, VARIANT_BOOL watchSubtree, _RegWatch** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    ComPtr<RegWatch> watch;
    LONG rc = ERROR_SUCCESS;
    HRESULT hr = RegWatch::Make(root, Bstr::ToString(subKey), view_, watchSubtree != VARIANT_FALSE, &rc, &watch);
    if (FAILED(hr)) return hr;
    lastError_ = rc;
    *result = watch.Detach();
    return S_OK;
}

STDMETHODIMP Registry3::ExportKey(RegistryRoot2_Const root, BSTR subKey, BSTR fileName, VARIANT_BOOL* result) {
    return Answer(result,
                  [&] { return ExportRegKey(RootKey(root), Bstr::ToString(subKey), view_, Bstr::ToString(fileName)); });
}

STDMETHODIMP Registry3::ImportFile(BSTR fileName, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    int line = 0;
    *result = Result(ImportRegFile(Bstr::ToString(fileName), view_, &line));
    importLine_ = line;
    return S_OK;
}

STDMETHODIMP Registry3::get_LastImportLine(long* result) {
    if (!result) return E_POINTER;
    *result = importLine_;
    return S_OK;
}

STDMETHODIMP Registry3::CopyKey(RegistryRoot2_Const root, BSTR subKey, RegistryRoot2_Const toRoot, BSTR toSubKey,
                                VARIANT_BOOL* result) {
    return Answer(result, [&] {
        return CopyTree(RootKey(root), Bstr::ToString(subKey), RootKey(toRoot), Bstr::ToString(toSubKey), view_);
    });
}

STDMETHODIMP Registry3::RenameKey(RegistryRoot2_Const root, BSTR subKey, BSTR newName, VARIANT_BOOL* result) {
    return Answer(result,
                  [&] { return ::RenameKey(RootKey(root), Bstr::ToString(subKey), Bstr::ToString(newName), view_); });
}

STDMETHODIMP Registry3::GetKeySecurity(RegistryRoot2_Const root, BSTR subKey, BSTR* result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    std::wstring sddl;
    Result(ReadKeySecurity(RootKey(root), Bstr::ToString(subKey), view_, &sddl));
    return CopyToBstr(sddl, result);
}

STDMETHODIMP Registry3::SetKeySecurity(RegistryRoot2_Const root, BSTR subKey, BSTR sddl, VARIANT_BOOL* result) {
    return Answer(result,
                  [&] { return WriteKeySecurity(RootKey(root), Bstr::ToString(subKey), view_, Bstr::ToString(sddl)); });
}

STDMETHODIMP Registry3::LoadHive(RegistryRoot2_Const root, BSTR subKey, BSTR fileName, VARIANT_BOOL* result) {
    return Answer(result, [&] { return ::LoadHive(RootKey(root), Bstr::ToString(subKey), Bstr::ToString(fileName)); });
}

STDMETHODIMP Registry3::UnloadHive(RegistryRoot2_Const root, BSTR subKey, VARIANT_BOOL* result) {
    return Answer(result, [&] { return ::UnloadHive(RootKey(root), Bstr::ToString(subKey)); });
}
