// The list the installers are generated from is exactly what DllRegisterServer writes (the
// platform's type library registration included), all of it below the machine's
// Software\Classes and nothing through HKEY_CLASSES_ROOT, and unregistering removes all of it,
// also when nothing is registered. HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT are redirected to
// scratch keys meanwhile.
#include <gtest/gtest.h>
#include <set>
#include <tuple>
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
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        Collect(child, path.empty() ? name : path + L"\\" + name, out);
        RegCloseKey(child);
    }
}

// A predefined key of this process redirected to a scratch key while it lives.
class Redirected {
public:
    Redirected(HKEY predefined, const std::wstring& scratch) : predefined_(predefined) {
        RegCreateKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        Again();
    }
    Redirected(const Redirected&) = delete;
    Redirected& operator=(const Redirected&) = delete;
    ~Redirected() {
        RegOverridePredefKey(predefined_, nullptr);
        RegCloseKey(key_);
    }
    // Registration gives HKEY_CLASSES_ROOT back to the platform when it ends.
    void Again() const { RegOverridePredefKey(predefined_, key_); }
    std::set<Value> Values(const std::wstring& below = L"") const {
        std::set<Value> values;
        HKEY k = nullptr;
        if (RegOpenKeyExW(key_, below.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return values;
        Collect(k, L"", &values);
        RegCloseKey(k);
        return values;
    }

private:
    HKEY predefined_;
    HKEY key_ = nullptr;
};

TEST(RegistrationEntries, AreWhatRegisterWritesAndUnregisterRemoves) {
    ScratchKey scratch(L"RegistrationEntries");
    const std::wstring path = CodeModuleFileName();
    std::vector<RegistryEntry> listed;
    ASSERT_EQ(S_OK, RegistrationEntries(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, path,
                                        path.substr(0, path.rfind(L'\\')), &listed));
    std::set<Value> expected;
    for (const RegistryEntry& e : listed) expected.emplace(Lower(e.key), Lower(e.name), e.value);
    ASSERT_EQ(listed.size(), expected.size()) << "an entry is listed twice";

    Redirected machine(HKEY_LOCAL_MACHINE, scratch.Sub(L"Machine"));
    Redirected classesRoot(HKEY_CLASSES_ROOT, scratch.Sub(L"ClassesRoot"));
    ASSERT_EQ(S_OK, DllRegisterServer());
    EXPECT_EQ(expected, machine.Values(L"Software\\Classes"));
    EXPECT_TRUE(classesRoot.Values().empty());

    classesRoot.Again();
    EXPECT_EQ(S_OK, DllUnregisterServer());
    classesRoot.Again();
    EXPECT_EQ(S_OK, DllUnregisterServer());  // nothing left to remove is no failure
    EXPECT_TRUE(machine.Values(L"Software\\Classes").empty());
    EXPECT_TRUE(classesRoot.Values().empty());
}

}  // namespace
