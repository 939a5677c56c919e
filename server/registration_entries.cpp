#include "server/registration_entries.h"
#include "server/class_table.h"
#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/type_desc.h"
#include "com/type_library.h"
#include "automation/tarnwell_idl.h"
#include <cwchar>

namespace {

// The system's marshaller for automation interfaces (PSOAInterface).
const wchar_t kAutomationProxy[] = L"{00020424-0000-0000-C000-000000000046}";

std::wstring Number(unsigned value, const wchar_t* format) {
    wchar_t buf[16] = {};
    swprintf(buf, 16, format, value);
    return buf;
}

// The platform registers every dispatch interface (a dual one included) and every
// interface marked for automation.
bool IsRegisteredInterface(const TYPEATTR& attr) {
    return attr.typekind == TKIND_DISPATCH ||
           (attr.typekind == TKIND_INTERFACE && (attr.wTypeFlags & TYPEFLAG_FOLEAUTOMATION));
}

HRESULT AddInterfaceEntries(ITypeLib* lib, UINT index, const std::wstring& libId, const std::wstring& version,
                            std::vector<RegistryEntry>* out) {
    ComPtr<ITypeInfo> info;
    HRESULT hr = lib->GetTypeInfo(index, info.Put());
    if (FAILED(hr)) return hr;
    TYPEATTR* raw = nullptr;
    hr = info->GetTypeAttr(&raw);
    if (FAILED(hr)) return hr;
    HeldTypeAttr attr(info.Get(), raw);
    if (!IsRegisteredInterface(*raw)) return S_OK;
    Bstr name;
    hr = lib->GetDocumentation(static_cast<INT>(index), name.Put(), nullptr, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    const std::wstring key = L"Interface\\" + GuidText(attr->guid);
    out->insert(out->end(), {
        {key, L"", name.Str()},
        {key + L"\\ProxyStubClsid", L"", kAutomationProxy},
        {key + L"\\ProxyStubClsid32", L"", kAutomationProxy},
        {key + L"\\TypeLib", L"", libId},
        {key + L"\\TypeLib", L"Version", version},
    });
    return S_OK;
}

}  // namespace

std::wstring GuidText(const GUID& g) {
    wchar_t buf[40] = {};
    StringFromGUID2(g, buf, 40);
    return buf;
}

std::wstring ProgId(const CreatableClass& cls) {
    return std::wstring(L"Tarnwell0201.") + cls.name;
}

std::wstring VersionedProgId(const CreatableClass& cls) { return ProgId(cls) + L".1"; }

const wchar_t* PlatformName(SYSKIND kind) { return kind == SYS_WIN64 ? L"win64" : L"win32"; }

std::wstring TypeLibraryVersion(const TLIBATTR& attr) {
    return Number(attr.wMajorVerNum, L"%x") + L"." + Number(attr.wMinorVerNum, L"%x");
}

std::vector<RegistryEntry> ClassEntries(const std::wstring& dllPath, const std::wstring& version) {
    std::vector<RegistryEntry> entries;
    size_t count = 0;
    const CreatableClass* classes = CreatableClasses(&count);
    for (size_t i = 0; i < count; ++i) {
        const CreatableClass& cls = classes[i];
        const std::wstring clsid = GuidText(*cls.clsid);
        const std::wstring progId = ProgId(cls);
        const std::wstring versioned = VersionedProgId(cls);
        const std::wstring key = L"CLSID\\" + clsid;
        entries.insert(entries.end(), {
            {key, L"", cls.name},
            {key + L"\\InprocServer32", L"", dllPath},
            {key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
            {key + L"\\ProgID", L"", versioned},
            {key + L"\\VersionIndependentProgID", L"", progId},
            {key + L"\\TypeLib", L"", GuidText(LIBID_Tarnwell0201)},
            {key + L"\\Version", L"", version},
            {progId, L"", cls.name},
            {progId + L"\\CLSID", L"", clsid},
            {progId + L"\\CurVer", L"", versioned},
            {versioned, L"", cls.name},
            {versioned + L"\\CLSID", L"", clsid},
        });
    }
    return entries;
}

HRESULT TypeLibraryEntries(ITypeLib* lib, SYSKIND kind, const std::wstring& dllPath, const std::wstring& helpDir,
                           std::vector<RegistryEntry>* out) {
    TLIBATTR* raw = nullptr;
    HRESULT hr = lib->GetLibAttr(&raw);
    if (FAILED(hr)) return hr;
    HeldLibAttr attr(lib, raw);
    Bstr doc;
    hr = lib->GetDocumentation(-1, nullptr, doc.Put(), nullptr, nullptr);
    if (FAILED(hr)) return hr;
    const std::wstring libId = GuidText(attr->guid);
    const std::wstring version = TypeLibraryVersion(*attr.Get());
    const std::wstring key = L"TypeLib\\" + libId + L"\\" + version;
    out->insert(out->end(), {
        {key, L"", doc.Str()},
        {key + L"\\" + Number(attr->lcid, L"%x") + L"\\" + PlatformName(kind), L"", dllPath},
        {key + L"\\FLAGS", L"", Number(attr->wLibFlags, L"%u")},
        {key + L"\\HELPDIR", L"", helpDir},
    });
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        hr = AddInterfaceEntries(lib, i, libId, version, out);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT OwnTypeLibrary(ITypeLib** lib, TLIBATTR* attr) {
    ComPtr<ITypeLib> own;
    TLIBATTR* raw = nullptr;
    HRESULT hr = typelib::GetTypeLib(own.Put());
    if (SUCCEEDED(hr)) hr = own->GetLibAttr(&raw);
    if (FAILED(hr)) return hr;
    *attr = *HeldLibAttr(own.Get(), raw).Get();
    *lib = own.Detach();
    return S_OK;
}

HRESULT RegistrationEntries(SYSKIND kind, const std::wstring& dllPath, const std::wstring& helpDir,
                            std::vector<RegistryEntry>* out) {
    ComPtr<ITypeLib> lib;
    TLIBATTR attr = {};
    HRESULT hr = OwnTypeLibrary(lib.Put(), &attr);
    if (FAILED(hr)) return hr;
    *out = ClassEntries(dllPath, TypeLibraryVersion(attr));
    return TypeLibraryEntries(lib.Get(), kind, dllPath, helpDir, out);
}
