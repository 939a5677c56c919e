// Proxy settings: no copy of a password that passes through the store is left in the memory
// it frees.
#include <gtest/gtest.h>
#include <shlwapi.h>
#include <algorithm>
#include <map>
#include <vector>
#include "com/bstr.h"
#include "com/variant.h"
#include "settings/settings2.h"
#include "tests/malloc_spy.h"

namespace {

const wchar_t kPassword[] = L"s3cret-Pw!";

// Searches every block of task memory freed while it is registered (and made while it was,
// so that its size is known) for the password.
class PasswordWatch final : public PassThroughMallocSpy {
public:
    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T size) override { return pending_ = size; }
    STDMETHODIMP_(void*) PostAlloc(void* p) override {
        if (p) sizes_[p] = pending_;
        return p;
    }
    STDMETHODIMP_(void*) PreFree(void* p, BOOL) override {
        auto it = sizes_.find(p);
        if (it == sizes_.end()) return p;
        const char* block = static_cast<const char*>(p);
        const char* secret = reinterpret_cast<const char*>(kPassword);
        if (std::search(block, block + it->second, secret, secret + sizeof(kPassword) - sizeof(wchar_t)) !=
            block + it->second)
            ++found;
        sizes_.erase(it);
        return p;
    }

    int found = 0;  // freed blocks that still held the password

private:
    SIZE_T pending_ = 0;
    std::map<void*, SIZE_T> sizes_;
};

// A caller's proxy settings object: the properties of the HTTP record, read and set by name.
class ProxyObject final : public IDispatch {
public:
    Variant& Password() { return values_[5]; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown || riid == IID_IDispatch ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override {
        static const wchar_t* const kNames[] = {L"HTTP_AccessType", L"HTTP_Address",  L"HTTP_BypassList",
                                                L"HTTP_BypassLocal", L"HTTP_UserName", L"HTTP_Password"};
        for (DISPID i = 0; i < 6; ++i)
            if (_wcsicmp(names[0], kNames[i]) == 0) return *id = i, S_OK;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (flags & DISPATCH_PROPERTYPUT) return values_[id].CopyFrom(&params->rgvarg[0]);
        return values_[id].CopyTo(result);
    }

private:
    Variant values_[6];
};

// The test runs with the system's string cache off (OANOCACHE), so every string freed goes
// back to task memory, where the watch sees it.
TEST(ProxySettings, NoCopyOfThePasswordIsLeftInFreedMemory) {
    const std::wstring key = L"Software\\Orrindale\\Zerbane\\Tarnwell Proxy Memory Test";
    ComPtr<Settings2> made;
    ASSERT_EQ(S_OK, Settings2::Make(&made));
    ComPtr<_zbnZerbaneSettings2> store;
    ASSERT_EQ(S_OK, made.As(&store));
    Bstr subKey(L"HTTP Proxy"), title(L"Tarnwell Proxy Memory Test");
    ProxyObject saved, loaded;
    V_VT(saved.Password().Get()) = VT_BSTR;
    V_BSTR(saved.Password().Get()) = SysAllocString(kPassword);
    IDispatch* in = &saved;
    IDispatch* out = &loaded;

    // Never destroyed: the system may go on calling it after it is revoked.
    static PasswordWatch& watch = *new PasswordWatch;
    ASSERT_EQ(S_OK, CoRegisterMallocSpy(&watch));
    SysFreeString(SysAllocString(kPassword));  // a copy freed as it was: the watch must see it
    const int seen = watch.found;
    EXPECT_EQ(S_OK, store->SaveProxySettings(subKey.Get(), &in, title.Get(), 1, 0, VARIANT_TRUE));
    EXPECT_EQ(S_OK, store->LoadProxySettings(subKey.Get(), &out, title.Get(), 1, 0, VARIANT_TRUE));
    const int found = watch.found - seen;
    CoRevokeMallocSpy();
    SHDeleteKeyW(HKEY_CURRENT_USER, key.c_str());

    EXPECT_EQ(1, seen);
    EXPECT_EQ(0, found);
    EXPECT_EQ(kPassword, Bstr::ToString(V_BSTR(loaded.Password().Get())));
}

}  // namespace
