#pragma once
// Helpers for driving a zbnRegistry2 object through its dual interface in tests.
#include <gtest/gtest.h>
#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/handle_owners.h"
#include "com/safe_array.h"
#include "com/variant.h"
#include "com/variant_util.h"
#include "automation/arguments.h"
#include "registry/registry2.h"
#include "tests/test_registry_keys.h"

// A new facade through its interface: NewRegistry<Registry3, _zbnRegistry3>() for zbnRegistry3.
template <class Class = Registry2, class Interface = _zbnRegistry2>
ComPtr<Interface> NewRegistry() {
    ComPtr<Class> r;
    EXPECT_EQ(S_OK, Class::Make(&r));
    ComPtr<Interface> i;
    EXPECT_EQ(S_OK, r.As(&i));
    return i;
}

inline long LastError(_zbnRegistry2* r) {
    long e = -12345;
    EXPECT_EQ(S_OK, r->get_LastRegError(&e));
    return e;
}

inline ComPtr<_RegValue> ReadValue(_zbnRegistry2* r, const std::wstring& key, const std::wstring& name,
                                   RegistryRoot2_Const root = RootConst(HKEY_CURRENT_USER)) {
    ComPtr<_RegValue> v;
    EXPECT_EQ(S_OK, r->GetValue(root, Bstr(key).Get(), Bstr(name).Get(), v.Put()));
    return v;
}

inline std::wstring NameOf(IDispatch* snapshot) {
    ComPtr<_RegValue> v;
    Bstr b;
    if (SUCCEEDED(QueryTo(snapshot, &v))) {
        EXPECT_EQ(S_OK, v->get_Name(b.Put()));
        return b.Str();
    }
    ComPtr<_RegKey> k;
    if (SUCCEEDED(QueryTo(snapshot, &k))) {
        EXPECT_EQ(S_OK, k->get_Name(b.Put()));
        return b.Str();
    }
    return L"<not a snapshot>";
}

// The items of a collection, in order (null for Nothing entries).
inline std::vector<ComPtr<IDispatch>> Items(_Collection* c) {
    std::vector<ComPtr<IDispatch>> out;
    long n = 0;
    EXPECT_EQ(S_OK, c->Count(&n));
    for (long i = 1; i <= n; ++i) {
        Variant index, item;
        V_VT(index.Get()) = VT_I4;
        V_I4(index.Get()) = i;
        EXPECT_EQ(S_OK, c->Item(index.Get(), item.Get()));
        out.push_back(ComPtr<IDispatch>(V_VT(item.Get()) == VT_DISPATCH ? V_DISPATCH(item.Get()) : nullptr));
    }
    return out;
}

inline std::vector<std::wstring> Strings(const VARIANT* v) {
    std::vector<std::wstring> out;
    if (V_VT(v) == (VT_ARRAY | VT_BSTR)) ReadStringArray(V_ARRAY(v), &out);
    return out;
}

inline std::vector<uint8_t> Bytes(const VARIANT* v) {
    std::vector<uint8_t> out;
    if (V_VT(v) == (VT_ARRAY | VT_UI1)) ReadByteArray(V_ARRAY(v), &out);
    return out;
}

const RegistryRoot2_Const kHKCU = RootConst(HKEY_CURRENT_USER);
const RegistryRoot2_Const kHKLM = RootConst(HKEY_LOCAL_MACHINE);
