// The registered server as a client sees it: creation by class and programmatic
// identifier, late binding by name, error info, and the unload answer.
#include <gtest/gtest.h>
#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/variant.h"
#include "tests/server/server_dll.h"
#include "automation/tarnwell_idl.h"
#include "tests/test_registry_keys.h"

namespace {

HRESULT CallByName(IDispatch* obj, const wchar_t* name, std::vector<Variant>& args, VARIANT* result,
                   EXCEPINFO* excep = nullptr) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = obj->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->Get());
    DISPPARAMS dp = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO local = {};
    hr = obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &dp, result,
                     excep ? excep : &local, nullptr);
    if (!excep) {
        SysFreeString(local.bstrDescription);
        SysFreeString(local.bstrSource);
        SysFreeString(local.bstrHelpFile);
    }
    return hr;
}

Variant I4(long n) {
    Variant v;
    V_VT(v.Get()) = VT_I4;
    V_I4(v.Get()) = n;
    return v;
}
Variant Str(const wchar_t* s) {
    Variant v;
    V_VT(v.Get()) = VT_BSTR;
    V_BSTR(v.Get()) = SysAllocString(s);
    return v;
}

TEST(Server, CreatesTheTwoClassesByClassAndProgrammaticIdentifier) {
    ComPtr<_zbnRegistry2> reg;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID__zbnRegistry2,
                                     reg.PutVoid()));
    for (const wchar_t* progId : {L"Tarnwell0201.zbnRegistry2", L"Tarnwell0201.zbnRegistry2.1"}) {
        CLSID clsid = {};
        ASSERT_EQ(S_OK, CLSIDFromProgID(progId, &clsid));
        EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_zbnRegistry2));
        ComPtr<IDispatch> d;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, d.PutVoid()));
    }
}

// Late binding resolves every call through the member's description; a member the
// automation runtime cannot describe (a default value it cannot read, say) fails every
// script that calls it.
TEST(Server, TheAutomationRuntimeCanDescribeEveryMember) {
    ComPtr<IDispatch> reg;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     reg.PutVoid()));
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, reg->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put()));
    ComPtr<ITypeLib> lib;
    UINT index = 0;
    ASSERT_EQ(S_OK, info->GetContainingTypeLib(lib.Put(), &index));
    int described = 0;
    for (UINT t = 0; t < lib->GetTypeInfoCount(); ++t) {
        ComPtr<ITypeInfo> type;
        ASSERT_EQ(S_OK, lib->GetTypeInfo(t, type.Put()));
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(S_OK, type->GetTypeAttr(&attr));
        WORD funcs = attr->cFuncs;
        type->ReleaseTypeAttr(attr);
        for (WORD f = 0; f < funcs; ++f) {
            FUNCDESC* fd = nullptr;
            EXPECT_EQ(S_OK, type->GetFuncDesc(f, &fd)) << "type " << t << ", member " << f;
            if (fd) {
                type->ReleaseFuncDesc(fd);
                ++described;
            }
        }
    }
    EXPECT_GT(described, 28 + 12);  // at least the settings members and the registry's own
}

TEST(Server, SnapshotsAndCollectionsAreNotCreatable) {
    for (const CLSID* clsid : {&CLSID_RegKey, &CLSID_RegValue, &CLSID_Collection}) {
        ComPtr<IUnknown> u;
        EXPECT_TRUE(FAILED(CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, u.PutVoid())));
    }
}

TEST(Server, LateBoundGetValueTakesTheDefaultValueName) {
    ScratchKey key(L"ServerLate");
    key.WriteText(L"", REG_SZ, L"the default");
    ComPtr<IDispatch> reg;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reg.PutVoid()));
    std::vector<Variant> args;
    args.push_back(I4(static_cast<LONG>(0x80000001)));
    args.push_back(Str(key.Path().c_str()));
    Variant value;
    ASSERT_EQ(S_OK, CallByName(reg.Get(), L"GetValue", args, value.Get()));
    ASSERT_EQ(VT_DISPATCH, value.Type());
    ASSERT_TRUE(V_DISPATCH(value.Get()));
    std::vector<Variant> none;
    Variant data;
    ASSERT_EQ(S_OK, CallByName(V_DISPATCH(value.Get()), L"Data", none, data.Get()));
    EXPECT_EQ(L"the default", Bstr::ToString(V_BSTR(data.Get())));
}

TEST(Server, ByReferenceFlagComesBackIntoTheCallersVariant) {
    ScratchKey key(L"ServerByRef");
    ComPtr<IDispatch> reg;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reg.PutVoid()));
    // As VBScript passes a variable: a reference to an Empty Variant.
    for (bool expectExisted : {false, true}) {
        Variant flag;
        std::vector<Variant> args;
        args.push_back(I4(static_cast<LONG>(0x80000001)));
        args.push_back(Str(key.Sub(L"made").c_str()));
        Variant ref;
        V_VT(ref.Get()) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(ref.Get()) = flag.Get();
        args.push_back(std::move(ref));
        Variant ok;
        ASSERT_EQ(S_OK, CallByName(reg.Get(), L"CreateKey", args, ok.Get()));
        EXPECT_EQ(VARIANT_TRUE, V_BOOL(ok.Get()));
        V_VT(args[2].Get()) = VT_EMPTY;  // the reference is not ours to clear
        ASSERT_EQ(VT_BOOL, flag.Type());
        EXPECT_EQ(expectExisted ? VARIANT_TRUE : VARIANT_FALSE, V_BOOL(flag.Get()));
    }
}

TEST(Server, FailingMembersCarryADescription) {
    ScratchKey key(L"ServerErr");
    key.WriteText(L"s", REG_SZ, L"x");
    ComPtr<IDispatch> reg;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reg.PutVoid()));
    std::vector<Variant> args;
    args.push_back(I4(static_cast<LONG>(0x80000001)));
    args.push_back(Str(key.Path().c_str()));
    Variant list;
    ASSERT_EQ(S_OK, CallByName(reg.Get(), L"GetValues", args, list.Get()));
    std::vector<Variant> one;
    one.push_back(I4(1));
    Variant snapshot;
    ASSERT_EQ(S_OK, CallByName(V_DISPATCH(list.Get()), L"Item", one, snapshot.Get()));
    std::vector<Variant> arg;
    arg.push_back(std::move(snapshot));
    Variant text;
    EXCEPINFO ei = {};
    EXPECT_EQ(DISP_E_EXCEPTION, CallByName(reg.Get(), L"GetValueData_SZ", arg, text.Get(), &ei));
    EXPECT_TRUE(FAILED(ei.scode));
    EXPECT_GT(SysStringLen(ei.bstrDescription), 0u);
    EXPECT_EQ(L"Tarnwell0201", Bstr::ToString(ei.bstrSource));
    SysFreeString(ei.bstrDescription);
    SysFreeString(ei.bstrSource);
    SysFreeString(ei.bstrHelpFile);
    // A wrong argument type from a late-bound caller is refused, not crashed on.
    std::vector<Variant> wrong;
    wrong.push_back(Str(L"not a root"));
    wrong.push_back(Str(L"x"));
    Variant r;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, CallByName(reg.Get(), L"GetValue", wrong, r.Get()));
}

// Invoke with arguments in DISPPARAMS order (last first), the first names.size() of them named.
HRESULT InvokeNamed(IDispatch* obj, DISPID id, WORD flags, std::vector<Variant>& args, std::vector<DISPID> names,
                    VARIANT* result, UINT* argErr = nullptr) {
    std::vector<VARIANT> raw;
    for (Variant& a : args) raw.push_back(*a.Get());
    DISPPARAMS dp = {raw.empty() ? nullptr : raw.data(), names.empty() ? nullptr : names.data(),
                     static_cast<UINT>(raw.size()), static_cast<UINT>(names.size())};
    return obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, result, nullptr, argErr);
}

DISPID IdOf(IDispatch* obj, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    obj->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

TEST(Server, APutReachesOnlyAPropertyAndNeverAMethod) {
    ComPtr<IDispatch> reg, settings;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reg.PutVoid()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_zbnZerbaneSettings2, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     settings.PutVoid()));
    const DISPID unicode = IdOf(reg.Get(), L"UseUnicodeFunctions");
    for (bool named : {true, false}) {
        std::vector<Variant> value;
        value.push_back(Variant::Long(0));
        EXPECT_EQ(S_OK, InvokeNamed(reg.Get(), unicode, DISPATCH_PROPERTYPUT, value,
                                    named ? std::vector<DISPID>{DISPID_PROPERTYPUT} : std::vector<DISPID>{}, nullptr));
        std::vector<Variant> none;
        Variant now;
        ASSERT_EQ(S_OK, InvokeNamed(reg.Get(), unicode, DISPATCH_PROPERTYGET, none, {}, now.Get()));
        EXPECT_EQ(VARIANT_FALSE, V_BOOL(now.Get()));
    }
    // A method called as a put, with or without arguments, whatever it is handed.
    const DISPID load = IdOf(settings.Get(), L"LoadProxySettings");
    for (size_t count : {0, 2}) {
        std::vector<Variant> args;
        for (size_t i = 0; i < count; ++i) args.push_back(Variant::Long(0x1234));
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
                  InvokeNamed(settings.Get(), load, DISPATCH_METHOD | DISPATCH_PROPERTYPUT, args, {}, nullptr));
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, InvokeNamed(settings.Get(), load, DISPATCH_PROPERTYPUTREF, args,
                                                     count ? std::vector<DISPID>{DISPID_PROPERTYPUT} : std::vector<DISPID>{},
                                                     nullptr));
    }
}

TEST(Server, NamedArgumentsBindToTheirParametersAndNoOthers) {
    ScratchKey key(L"ServerNamed");
    key.WriteText(L"v", REG_SZ, L"by name");
    ComPtr<IDispatch> reg;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reg.PutVoid()));
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"GetValue"), const_cast<LPOLESTR>(L"ValueName"),
                        const_cast<LPOLESTR>(L"SubKey")};
    DISPID ids[3] = {};
    ASSERT_EQ(S_OK, reg->GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids));
    // GetValue(HKCU, ValueName:="v", SubKey:=path): the root by position, the others by name.
    auto call = [&](std::vector<DISPID> named, VARIANT* result, UINT* argErr) {
        std::vector<Variant> args;
        args.push_back(Str(L"v"));
        args.push_back(Str(key.Path().c_str()));
        args.push_back(I4(static_cast<LONG>(0x80000001)));
        return InvokeNamed(reg.Get(), ids[0], DISPATCH_METHOD, args, named, result, argErr);
    };
    Variant value;
    ASSERT_EQ(S_OK, call({ids[1], ids[2]}, value.Get(), nullptr));
    ASSERT_EQ(VT_DISPATCH, value.Type());
    std::vector<Variant> none;
    Variant data;
    ASSERT_EQ(S_OK, CallByName(V_DISPATCH(value.Get()), L"Data", none, data.Get()));
    EXPECT_EQ(L"by name", Bstr::ToString(V_BSTR(data.Get())));
    // A parameter it does not have, one named twice, one also given by position: refused, with its index.
    for (const std::vector<DISPID>& wrong : {std::vector<DISPID>{ids[1], 7}, std::vector<DISPID>{ids[1], ids[1]},
                                             std::vector<DISPID>{ids[1], 0}}) {
        UINT argErr = 99;
        Variant r;
        EXPECT_EQ(DISP_E_PARAMNOTFOUND, call(wrong, r.Get(), &argErr));
        EXPECT_EQ(1u, argErr);
    }
}

TEST(Server, CanUnloadOnlyWhenNothingLivesAndNoFactoryIsLocked) {
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto canUnload = ServerExport<CanUnload>("DllCanUnloadNow");
    auto getClassObject = ServerExport<GetClassObject>("DllGetClassObject");
    ASSERT_TRUE(canUnload && getClassObject);
    CoFreeUnusedLibraries();
    EXPECT_EQ(S_OK, canUnload());
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, getClassObject(CLSID_zbnRegistry2, IID_IClassFactory, factory.PutVoid()));
    ComPtr<IUnknown> other;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(CLSID_RegValue, IID_IClassFactory, other.PutVoid()));
    ComPtr<_zbnRegistry2> reg;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID__zbnRegistry2, reg.PutVoid()));
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(S_FALSE, canUnload());
    ComPtr<_Collection> list;
    reg->GetSubKeys(static_cast<RegistryRoot2_Const>(0x80000001), Bstr(L"Software").Get(), list.Put());
    ASSERT_TRUE(list);
    reg.Reset();
    EXPECT_EQ(S_FALSE, canUnload());  // the collection and its snapshots live on
    list.Reset();
    EXPECT_EQ(S_FALSE, canUnload());  // the factory is still locked
    ASSERT_EQ(S_OK, getClassObject(CLSID_zbnRegistry2, IID_IClassFactory, factory.PutVoid()));
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(S_OK, canUnload());
}

}  // namespace
