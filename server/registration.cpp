// DllRegisterServer / DllUnregisterServer: the type library, and for each creatable class
// its CLSID (this DLL in-process, apartment threaded) and programmatic identifiers, as
// registration_entries.h lists them, in HKEY_LOCAL_MACHINE\Software\Classes; DllInstall does
// the same in the user's classes.
#include "server/class_table.h"
#include "com/barrier.h"
#include "com/com_ptr.h"
#include "com/handle_owners.h"
#include "com/module_file.h"
#include "server/exports.h"
#include "server/registration_entries.h"
#include "automation/tarnwell_idl.h"
#include <shlwapi.h>
#include <cwchar>
#include <string>
#include <vector>

namespace {

LSTATUS SetString(HKEY root, const RegistryEntry& entry) {
    UniqueHKey key;
    LSTATUS rc = RegCreateKeyExW(root, entry.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExW(key.Get(), entry.name.empty() ? nullptr : entry.name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(entry.value.c_str()),
                          static_cast<DWORD>((entry.value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS DeleteTree(HKEY root, const std::wstring& path) {
    LSTATUS rc = SHDeleteKeyW(root, path.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    UniqueHKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

LSTATUS UnregisterClass(HKEY classes, const CreatableClass& cls) {
    LSTATUS rc = DeleteTree(classes, L"CLSID\\" + GuidText(*cls.clsid));
    if (rc == ERROR_SUCCESS) rc = DeleteTree(classes, ProgId(cls));
    if (rc == ERROR_SUCCESS) rc = DeleteTree(classes, VersionedProgId(cls));
    return rc;
}

SYSKIND OwnSysKind() { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

// The per-user type library calls, bound by name (they exist from Windows Vista on).
HRESULT RegisterTypeLibPerUser(ITypeLib* lib, wchar_t* path) {
    using Fn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), "RegisterTypeLibForUser")));
    return fn ? fn(lib, path, nullptr) : RegisterTypeLib(lib, path, nullptr);
}

HRESULT UnRegisterTypeLibPerUser(REFGUID libId, WORD major, WORD minor, LCID lcid, SYSKIND kind) {
    using Fn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), "UnRegisterTypeLibForUser")));
    return fn ? fn(libId, major, minor, lcid, kind) : UnRegisterTypeLib(libId, major, minor, lcid, kind);
}

// The versions of the library registered below a classes root that are earlier than `attr`.
std::vector<std::wstring> EarlierVersions(HKEY classes, const TLIBATTR& attr) {
    std::vector<std::wstring> earlier;
    UniqueHKey lib;
    const std::wstring libKey = L"TypeLib\\" + GuidText(attr.guid);
    if (RegOpenKeyExW(classes, libKey.c_str(), 0, KEY_READ, lib.Put()) != ERROR_SUCCESS) return earlier;
    wchar_t name[256];
    for (DWORD i = 0, length = 256; RegEnumKeyExW(lib.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) ==
                                    ERROR_SUCCESS;
         ++i, length = 256) {
        unsigned major = 0, minor = 0;
        if (swscanf(name, L"%x.%x", &major, &minor) == 2 &&
            (major < attr.wMajorVerNum || (major == attr.wMajorVerNum && minor < attr.wMinorVerNum)))
            earlier.push_back(libKey + L"\\" + name);
    }
    return earlier;
}

// What an earlier version of the library left registered for this view, as when one copy of
// the DLL is registered over another without unregistering first: the view's entry goes, and
// the version's key with it once no view is left. The interfaces' keys are the current
// version's by then, as their identifiers stay.
LSTATUS RemoveEarlierVersions(HKEY classes, const TLIBATTR& attr) {
    for (const std::wstring& version : EarlierVersions(classes, attr)) {
        LSTATUS rc = DeleteTree(classes, version + L"\\0\\" + PlatformName(OwnSysKind()));
        UniqueHKey locale;
        DWORD views = 0;
        if (rc == ERROR_SUCCESS &&
            RegOpenKeyExW(classes, (version + L"\\0").c_str(), 0, KEY_READ, locale.Put()) == ERROR_SUCCESS)
            rc = RegQueryInfoKeyW(locale.Get(), nullptr, nullptr, nullptr, &views, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr);
        locale.Reset();
        if (rc == ERROR_SUCCESS && views == 0) rc = DeleteTree(classes, version);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

// Where the class entries go: the machine's classes or the user's own.
struct Scope {
    HKEY classes;
    bool perUser;
};

HRESULT RegisterAll(const Scope& scope) {
    ComPtr<ITypeLib> lib;
    TLIBATTR attr = {};
    HRESULT hr = OwnTypeLibrary(lib.Put(), &attr);
    if (FAILED(hr)) return hr;
    std::wstring path = CodeModuleFileName();
    wchar_t* pathArg = const_cast<wchar_t*>(path.c_str());
    hr = scope.perUser ? RegisterTypeLibPerUser(lib.Get(), pathArg) : RegisterTypeLib(lib.Get(), pathArg, nullptr);
    if (FAILED(hr)) return hr;
    LSTATUS earlier = RemoveEarlierVersions(scope.classes, attr);
    if (earlier != ERROR_SUCCESS) return HRESULT_FROM_WIN32(earlier);
    for (const RegistryEntry& entry : ClassEntries(path, TypeLibraryVersion(attr))) {
        LSTATUS rc = SetString(scope.classes, entry);
        if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    }
    return S_OK;
}

HRESULT UnregisterAll(const Scope& scope) {
    ComPtr<ITypeLib> lib;
    TLIBATTR attr = {};
    HRESULT result = OwnTypeLibrary(lib.Put(), &attr);
    if (FAILED(result)) return result;
    size_t count = 0;
    const CreatableClass* classes = CreatableClasses(&count);
    for (size_t i = 0; i < count; ++i) {
        LSTATUS rc = UnregisterClass(scope.classes, classes[i]);
        if (rc != ERROR_SUCCESS) result = HRESULT_FROM_WIN32(rc);
    }
    // Before the library's own: the platform removes the library's key only when no version is left.
    LSTATUS rc = RemoveEarlierVersions(scope.classes, attr);
    if (rc != ERROR_SUCCESS) result = HRESULT_FROM_WIN32(rc);
    // Some hosts refuse to unregister a library that is not registered; there is nothing to do then.
    const std::wstring ownView = L"TypeLib\\" + GuidText(attr.guid) + L"\\" + TypeLibraryVersion(attr) + L"\\0\\" +
                                 PlatformName(OwnSysKind());
    if (!KeyExists(scope.classes, ownView)) return result;
    const WORD major = attr.wMajorVerNum, minor = attr.wMinorVerNum;
    HRESULT hr = scope.perUser ? UnRegisterTypeLibPerUser(attr.guid, major, minor, LOCALE_NEUTRAL, OwnSysKind())
                               : UnRegisterTypeLib(attr.guid, major, minor, LOCALE_NEUTRAL, OwnSysKind());
    if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS && SUCCEEDED(result)) result = hr;
    return result;
}

// While it lives, HKEY_CLASSES_ROOT of this process means the Software\Classes key of one root
// (HKEY_LOCAL_MACHINE: every user; HKEY_CURRENT_USER: the user alone), so whatever the type
// library functions write lands there too. On Windows HKEY_CLASSES_ROOT is a merged view in
// which a key of the user's classes takes the writes meant for the machine's; some hosts
// implement the per-user type library calls as the per-machine ones. When it ends,
// HKEY_CLASSES_ROOT is the platform's own again.
class ClassesRoot {
public:
    explicit ClassesRoot(HKEY root) {
        rc_ = RegCreateKeyExW(root, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.Put(), nullptr);
        if (rc_ == ERROR_SUCCESS) rc_ = RegOverridePredefKey(HKEY_CLASSES_ROOT, key_.Get());
    }
    ClassesRoot(const ClassesRoot&) = delete;
    ClassesRoot& operator=(const ClassesRoot&) = delete;
    ~ClassesRoot() { if (rc_ == ERROR_SUCCESS) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr); }
    LSTATUS Status() const { return rc_; }
    HKEY Key() const { return key_.Get(); }

private:
    UniqueHKey key_;
    LSTATUS rc_;
};

// Registers or unregisters in the classes of one root only.
HRESULT InClassesOf(HKEY root, bool install) {
    ClassesRoot classes(root);
    if (classes.Status() != ERROR_SUCCESS) return HRESULT_FROM_WIN32(classes.Status());
    Scope scope{classes.Key(), root == HKEY_CURRENT_USER};
    return install ? RegisterAll(scope) : UnregisterAll(scope);
}

}  // namespace

STDAPI DllRegisterServer() {
    return Barrier([] { return InClassesOf(HKEY_LOCAL_MACHINE, true); });
}

STDAPI DllUnregisterServer() {
    return Barrier([] { return InClassesOf(HKEY_LOCAL_MACHINE, false); });
}

// regsvr32 /n /i:user registers for the current user only; /u /n /i:user removes that.
STDAPI DllInstall(BOOL install, LPCWSTR cmdLine) {
    return Barrier([&] {
        if (!cmdLine || lstrcmpiW(cmdLine, L"user") != 0) return E_INVALIDARG;
        return InClassesOf(HKEY_CURRENT_USER, install != FALSE);
    });
}
