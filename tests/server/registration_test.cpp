// DllRegisterServer / DllUnregisterServer: what is written, that it is removed again,
// and that registering twice is harmless. Runs alone: it unregisters the server for a while.
#include <gtest/gtest.h>
#include "com/com_ptr.h"
#include "server_dll.h"
#include "tarnwell_idl.h"

namespace {

std::wstring Guid(const GUID& g) {
    wchar_t buf[40] = {};
    StringFromGUID2(g, buf, 40);
    return buf;
}

std::wstring ReadString(const std::wstring& path, const wchar_t* name) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof(buf);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

bool KeyExists(const std::wstring& path) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

bool Creatable(const wchar_t* progId) {
    CLSID clsid = {};
    if (FAILED(CLSIDFromProgID(progId, &clsid))) return false;
    ComPtr<IUnknown> u;
    return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, u.PutVoid()));
}

TEST(Registration, UnregisterRemovesWhatRegisterWrites) {
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto reg = ServerExport<Entry>("DllRegisterServer");
    auto unreg = ServerExport<Entry>("DllUnregisterServer");
    ASSERT_TRUE(reg && unreg);
    const std::wstring clsidKey = L"CLSID\\" + Guid(CLSID_zbnRegistry2);

    ASSERT_EQ(S_OK, reg());
    ASSERT_EQ(S_OK, reg());  // twice is harmless
    EXPECT_EQ(L"Apartment", ReadString(clsidKey + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_EQ(ServerDllPath(), ReadString(clsidKey + L"\\InprocServer32", nullptr));
    EXPECT_EQ(Guid(CLSID_zbnRegistry2), ReadString(L"Tarnwell0201.zbnRegistry2\\CLSID", nullptr));
    EXPECT_TRUE(KeyExists(L"TypeLib\\" + Guid(LIBID_Tarnwell0201) + L"\\1.0"));
    EXPECT_TRUE(KeyExists(L"Interface\\" + Guid(IID__zbnRegistry2)));
    EXPECT_FALSE(KeyExists(L"CLSID\\" + Guid(CLSID_RegValue)));
    EXPECT_TRUE(Creatable(L"Tarnwell0201.zbnRegistry2"));

    ASSERT_EQ(S_OK, unreg());
    EXPECT_FALSE(KeyExists(clsidKey));
    EXPECT_FALSE(KeyExists(L"Tarnwell0201.zbnRegistry2"));
    EXPECT_FALSE(KeyExists(L"Tarnwell0201.zbnRegistry2.1"));
    EXPECT_FALSE(KeyExists(L"TypeLib\\" + Guid(LIBID_Tarnwell0201)));
    EXPECT_FALSE(KeyExists(L"Interface\\" + Guid(IID__zbnRegistry2)));
    EXPECT_FALSE(Creatable(L"Tarnwell0201.zbnRegistry2"));
    ComPtr<IUnknown> u;
    EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, u.PutVoid())));

    // Leave the prefix registered for the other tests.
    ASSERT_EQ(S_OK, reg());
    EXPECT_TRUE(Creatable(L"Tarnwell0201.zbnRegistry2"));
}

}  // namespace
