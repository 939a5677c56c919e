// DllRegisterServer / DllUnregisterServer: what is written, that it is removed again,
// and that registering twice is harmless. Runs alone: it unregisters the server for a while.
#include <gtest/gtest.h>
#include "com/com_ptr.h"
#include "com/handle_owners.h"
#include "tests/server/server_dll.h"
#include "automation/tarnwell_idl.h"

namespace {

std::wstring Guid(const GUID& g) {
    wchar_t buf[40] = {};
    StringFromGUID2(g, buf, 40);
    return buf;
}

bool KeyExistsIn(HKEY root, const std::wstring& path) {
    UniqueHKey k;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, k.Put()) == ERROR_SUCCESS;
}

std::wstring ReadString(const std::wstring& path, const wchar_t* name) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof(buf);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

bool KeyExists(const std::wstring& path) { return KeyExistsIn(HKEY_CLASSES_ROOT, path); }

bool Creatable(const wchar_t* progId) {
    CLSID clsid = {};
    if (FAILED(CLSIDFromProgID(progId, &clsid))) return false;
    ComPtr<IUnknown> u;
    return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, u.PutVoid()));
}

// DllRegisterServer or DllUnregisterServer of the DLL under test.
HRESULT CallExport(const char* name) {
    auto entry = ServerExport<HRESULT(STDAPICALLTYPE*)()>(name);
    return entry ? entry() : E_NOTIMPL;
}
HRESULT Register() { return CallExport("DllRegisterServer"); }
HRESULT Unregister() { return CallExport("DllUnregisterServer"); }

TEST(Registration, UnregisterRemovesWhatRegisterWrites) {
    const std::wstring clsidKey = L"CLSID\\" + Guid(CLSID_zbnRegistry2);

    ASSERT_EQ(S_OK, Register());
    ASSERT_EQ(S_OK, Register());  // twice is harmless
    EXPECT_EQ(L"Apartment", ReadString(clsidKey + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_EQ(ServerDllPath(), ReadString(clsidKey + L"\\InprocServer32", nullptr));
    EXPECT_EQ(Guid(CLSID_zbnRegistry2), ReadString(L"Tarnwell0201.zbnRegistry2\\CLSID", nullptr));
    EXPECT_TRUE(KeyExists(L"TypeLib\\" + Guid(LIBID_Tarnwell0201) + L"\\1.1"));
    EXPECT_EQ(L"1.1", ReadString(L"Interface\\" + Guid(IID__zbnRegistry2) + L"\\TypeLib", L"Version"));
    EXPECT_EQ(L"1.1", ReadString(L"CLSID\\" + Guid(CLSID_zbnRegistry3) + L"\\Version", nullptr));
    EXPECT_FALSE(KeyExists(L"CLSID\\" + Guid(CLSID_RegValue)));
    EXPECT_FALSE(KeyExists(L"CLSID\\" + Guid(CLSID_RegWatch)));
    EXPECT_TRUE(Creatable(L"Tarnwell0201.zbnRegistry2"));
    EXPECT_TRUE(Creatable(L"Tarnwell0201.zbnRegistry3.1"));

    ASSERT_EQ(S_OK, Unregister());
    EXPECT_FALSE(KeyExists(clsidKey));
    EXPECT_FALSE(KeyExists(L"Tarnwell0201.zbnRegistry2"));
    EXPECT_FALSE(KeyExists(L"Tarnwell0201.zbnRegistry2.1"));
    EXPECT_FALSE(KeyExists(L"TypeLib\\" + Guid(LIBID_Tarnwell0201)));
    EXPECT_FALSE(KeyExists(L"Interface\\" + Guid(IID__zbnRegistry2)));
    EXPECT_FALSE(KeyExists(L"Interface\\" + Guid(IID__zbnRegistry3)));
    EXPECT_FALSE(Creatable(L"Tarnwell0201.zbnRegistry2"));
    EXPECT_FALSE(Creatable(L"Tarnwell0201.zbnRegistry3"));
    ComPtr<IUnknown> u;
    EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, u.PutVoid())));

    // Leave the prefix registered for the other tests.
    ASSERT_EQ(S_OK, Register());
    EXPECT_TRUE(Creatable(L"Tarnwell0201.zbnRegistry2"));
}

TEST(Registration, PerUserRegistrationStaysOutOfTheMachine) {
    auto install = ServerExport<HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR)>("DllInstall");
    ASSERT_TRUE(install);
    const std::wstring clsidKey = L"Software\\Classes\\CLSID\\" + Guid(CLSID_zbnRegistry2);
    const std::wstring typelibKey = L"Software\\Classes\\TypeLib\\" + Guid(LIBID_Tarnwell0201);

    ASSERT_EQ(S_OK, Unregister());
    ASSERT_FALSE(Creatable(L"Tarnwell0201.zbnRegistry2"));
    EXPECT_EQ(E_INVALIDARG, install(TRUE, L"machine"));

    // Windows merges the user's classes into HKEY_CLASSES_ROOT, so the class is then
    // creatable; Wine looks only at the machine's classes, so only the keys are checked.
    ASSERT_EQ(S_OK, install(TRUE, L"user"));
    EXPECT_TRUE(KeyExistsIn(HKEY_CURRENT_USER, clsidKey + L"\\InprocServer32"));
    EXPECT_TRUE(KeyExistsIn(HKEY_CURRENT_USER, L"Software\\Classes\\Tarnwell0201.zbnRegistry2\\CLSID"));
    EXPECT_TRUE(KeyExistsIn(HKEY_CURRENT_USER, clsidKey));
    EXPECT_TRUE(KeyExistsIn(HKEY_CURRENT_USER, typelibKey));
    EXPECT_FALSE(KeyExistsIn(HKEY_LOCAL_MACHINE, clsidKey));
    EXPECT_FALSE(KeyExistsIn(HKEY_LOCAL_MACHINE, typelibKey));

    ASSERT_EQ(S_OK, install(FALSE, L"user"));
    EXPECT_FALSE(Creatable(L"Tarnwell0201.zbnRegistry2"));
    EXPECT_FALSE(KeyExistsIn(HKEY_CURRENT_USER, clsidKey));
    EXPECT_FALSE(KeyExistsIn(HKEY_CURRENT_USER, typelibKey));

    // Per machine, then a per-user round trip: the machine registration is untouched.
    ASSERT_EQ(S_OK, Register());
    ASSERT_EQ(S_OK, install(TRUE, L"user"));
    ASSERT_EQ(S_OK, install(FALSE, L"user"));
    EXPECT_TRUE(KeyExistsIn(HKEY_LOCAL_MACHINE, clsidKey));
    EXPECT_TRUE(KeyExistsIn(HKEY_LOCAL_MACHINE, typelibKey));
    EXPECT_TRUE(Creatable(L"Tarnwell0201.zbnRegistry2"));
}

// A copy of the DLL registered over an earlier version's registration (a zip unpacked over an
// older one, not unregistered first) takes that version's entry for its own view away, and the
// version's key once no view is left; the other view's entry is the other DLL's to take.
TEST(Registration, RegisteringOverAnEarlierVersionTakesItsEntryAway) {
    const std::wstring lib = L"Software\\Classes\\TypeLib\\" + Guid(LIBID_Tarnwell0201);
    const std::wstring own = lib + L"\\1.0\\0\\" + (sizeof(void*) == 8 ? L"win64" : L"win32");
    const std::wstring other = lib + L"\\1.0\\0\\" + (sizeof(void*) == 8 ? L"win32" : L"win64");
    const wchar_t old[] = L"C:\\Old\\Tarnwell0201.dll";
    ASSERT_EQ(S_OK, Unregister());
    for (const std::wstring& view : {own, other})
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, view.c_str(), nullptr, REG_SZ, old, sizeof(old)));

    ASSERT_EQ(S_OK, Register());
    EXPECT_FALSE(KeyExistsIn(HKEY_LOCAL_MACHINE, own));
    EXPECT_TRUE(KeyExistsIn(HKEY_LOCAL_MACHINE, other));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_LOCAL_MACHINE, other.c_str()));  // as the other DLL's would
    ASSERT_EQ(S_OK, Unregister());
    EXPECT_FALSE(KeyExistsIn(HKEY_LOCAL_MACHINE, lib));

    // Leave the prefix registered for the other tests.
    ASSERT_EQ(S_OK, Register());
    EXPECT_TRUE(Creatable(L"Tarnwell0201.zbnRegistry3"));
}

}  // namespace
