#pragma once
// Every registry value the DLL's registration makes below a classes root, as data. The class
// part is what DllRegisterServer writes itself; the type library part is what the platform's
// RegisterTypeLib writes. The installers' registry tables are generated from the same list.
#include <windows.h>
#include <oaidl.h>
#include <string>
#include <vector>

struct CreatableClass;

struct RegistryEntry {
    std::wstring key;    // below the classes root
    std::wstring name;   // empty: the key's default value
    std::wstring value;  // always a string
};

// The CLSID and programmatic identifier entries of every creatable class, served by dllPath,
// of the type library `version` ("1.1").
std::vector<RegistryEntry> ClassEntries(const std::wstring& dllPath, const std::wstring& version);

// The library's own keys for one view (SYS_WIN32 or SYS_WIN64) and the keys of every
// automation interface in it; helpDir is the folder RegisterTypeLib records (the DLL's).
HRESULT TypeLibraryEntries(ITypeLib* lib, SYSKIND kind, const std::wstring& dllPath, const std::wstring& helpDir,
                           std::vector<RegistryEntry>* out);

// This DLL's embedded type library and a copy of its attributes (its identifier and version).
HRESULT OwnTypeLibrary(ITypeLib** lib, TLIBATTR* attr);

// Both of the above for this DLL's embedded type library.
HRESULT RegistrationEntries(SYSKIND kind, const std::wstring& dllPath, const std::wstring& helpDir,
                            std::vector<RegistryEntry>* out);

// The version-independent programmatic identifier of a class: "Tarnwell0201." and its name.
std::wstring ProgId(const CreatableClass& cls);
// The programmatic identifier of this version of the class: ProgId and ".1".
std::wstring VersionedProgId(const CreatableClass& cls);

// A type library's version as its registry key names it: major and minor number in hex, "1.1".
std::wstring TypeLibraryVersion(const TLIBATTR& attr);

// The name of a view below a type library's locale key: "win32" or "win64".
const wchar_t* PlatformName(SYSKIND kind);

// Text of a GUID in registry form, braces included.
std::wstring GuidText(const GUID& g);
