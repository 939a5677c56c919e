// The list the installers are generated from is exactly what DllRegisterServer writes (the
// platform's type library registration included), all of it below the machine's
// Software\Classes and nothing through HKEY_CLASSES_ROOT, and unregistering removes all of it,
// also when nothing is registered. HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT are redirected to
// scratch keys meanwhile.
#include <gtest/gtest.h>
#include <set>
#include <tuple>
#include "com/handle_owners.h"
#include "com/module_file.h"
#include "server/exports.h"
#include "server/registration_entries.h"
#include "tests/test_registry_keys.h"

namespace {

using Value = std::tuple<std::wstring, std::wstring, std::wstring>;  // key, name, data

std::wstring Lower(std::wstring s) {
    CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
    return s;
}

// Every value below `key`, with key paths relative to it (lower case: the registry ignores case).
void Collect(HKEY key, const std::wstring& path, std::set<Value>* out) {
    wchar_t name[256];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 256, size = sizeof(data) - sizeof(wchar_t), type = 0;
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        data[size] = data[size + 1] = 0;
        std::wstring text = type == REG_SZ ? reinterpret_cast<wchar_t*>(data) : L"<type " + std::to_wstring(type) + L">";
        out->emplace(Lower(path), Lower(name), text);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 256;
        if (RegEnumKeyExW(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        UniqueHKey child;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, child.Put()) != ERROR_SUCCESS) continue;
        Collect(child.Get(), path.empty() ? name : path + L"\\" + name, out);
    }
}

// The values below a key of the redirected root ("" for all).
std::set<Value> Values(const RedirectedRoot& root, const std::wstring& below = L"") {
    std::set<Value> values;
    UniqueHKey k;
    if (RegOpenKeyExW(root.Key(), below.c_str(), 0, KEY_READ, k.Put()) == ERROR_SUCCESS) Collect(k.Get(), L"", &values);
    return values;
}

TEST(RegistrationEntries, AreWhatRegisterWritesAndUnregisterRemoves) {
    ScratchKey scratch(L"RegistrationEntries");
    const std::wstring path = CodeModuleFileName();
    std::vector<RegistryEntry> listed;
    ASSERT_EQ(S_OK, RegistrationEntries(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, path,
                                        path.substr(0, path.rfind(L'\\')), &listed));
    std::set<Value> expected;
    for (const RegistryEntry& e : listed) expected.emplace(Lower(e.key), Lower(e.name), e.value);
    ASSERT_EQ(listed.size(), expected.size()) << "an entry is listed twice";

    const RedirectedRoot machine(HKEY_LOCAL_MACHINE, scratch.Sub(L"Machine").c_str());
    const RedirectedRoot classesRoot(HKEY_CLASSES_ROOT, scratch.Sub(L"ClassesRoot").c_str());
    ASSERT_EQ(S_OK, DllRegisterServer());
    EXPECT_EQ(expected, Values(machine, L"Software\\Classes"));
    EXPECT_TRUE(Values(classesRoot).empty());

    classesRoot.Again();
    EXPECT_EQ(S_OK, DllUnregisterServer());
    classesRoot.Again();
    EXPECT_EQ(S_OK, DllUnregisterServer());  // nothing left to remove is no failure
    EXPECT_TRUE(Values(machine, L"Software\\Classes").empty());
    EXPECT_TRUE(Values(classesRoot).empty());
}

}  // namespace
