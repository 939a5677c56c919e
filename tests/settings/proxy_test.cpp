// Proxy settings: no copy of a password that passes through the store is left in the memory
// it frees.
#include <gtest/gtest.h>
#include <shlwapi.h>
#include <algorithm>
#include <map>
#include <utility>
#include <vector>
#include "com/bstr.h"
#include "com/property_bag.h"
#include "com/variant.h"
#include "settings/late_binding.h"
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

// A caller's proxy settings object: the properties of the HTTP record, read and set by name;
// empty but for the password, if given.
ComPtr<IDispatch> ProxyObject(const wchar_t* password) {
    static const wchar_t* const kNames[] = {L"HTTP_AccessType", L"HTTP_Address",  L"HTTP_BypassList",
                                            L"HTTP_BypassLocal", L"HTTP_UserName", L"HTTP_Password"};
    ComPtr<PropertyBag> bag;
    EXPECT_EQ(S_OK, PropertyBag::Make(&bag));
    if (!bag) return {};
    for (const wchar_t* name : kNames) {
        Variant value = name == kNames[5] && password ? Variant::Text(password) : Variant();
        EXPECT_EQ(S_OK, bag->Add(name, std::move(value), PropertyBag::Access::Settable));
    }
    return ComPtr<IDispatch>(bag.Get());
}

// The test runs with the system's string cache off (OANOCACHE), so every string freed goes
// back to task memory, where the watch sees it.
TEST(ProxySettings, NoCopyOfThePasswordIsLeftInFreedMemory) {
    const std::wstring key = L"Software\\Orrindale\\Zerbane\\Tarnwell Proxy Memory Test";
    ComPtr<Settings2> made;
    ASSERT_EQ(S_OK, Settings2::Make(&made));
    ComPtr<_zbnZerbaneSettings2> store;
    ASSERT_EQ(S_OK, made.As(&store));
    Bstr subKey(L"HTTP Proxy"), title(L"Tarnwell Proxy Memory Test");
    ComPtr<IDispatch> saved = ProxyObject(kPassword), loaded = ProxyObject(nullptr);
    ASSERT_TRUE(saved && loaded);
    IDispatch* in = saved.Get();
    IDispatch* out = loaded.Get();

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
    std::wstring password;
    EXPECT_EQ(S_OK, GetTextProperty(loaded.Get(), L"HTTP_Password", &password));
    EXPECT_EQ(kPassword, password);
}

}  // namespace
