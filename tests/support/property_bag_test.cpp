// PropertyBag: named values behind IDispatch, read and set by name as a late-bound caller does.
#include <gtest/gtest.h>
#include "com/bstr.h"
#include "com/property_bag.h"

namespace {

HRESULT Invoke(IDispatch* bag, const wchar_t* name, WORD flags, VARIANT* argument, Variant* result,
               EXCEPINFO* excep = nullptr) {
    DISPID id = DISPID_UNKNOWN, named = DISPID_PROPERTYPUT;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = bag->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(hr)) return hr;
    const bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params = {argument, put ? &named : nullptr, argument ? 1u : 0u, put && argument ? 1u : 0u};
    return bag->Invoke(id, IID_NULL, 0, flags, &params, result->Get(), excep, nullptr);
}

TEST(PropertyBag, GetsAndPutsAsEachPropertyAllows) {
    ComPtr<PropertyBag> bag;
    ASSERT_EQ(S_OK, PropertyBag::Make(&bag));
    ASSERT_EQ(S_OK, bag->Add(L"Title", Variant::Text(L"Program")));
    ASSERT_EQ(S_OK, bag->Add(L"Name", Variant::Text(L"before"), PropertyBag::Access::Settable));
    ASSERT_EQ(S_OK, bag->AddFailing(L"Broken", E_ACCESSDENIED, L"Cannot be read now."));
    Bstr text(L"after");
    VARIANT byReference;  // a script's variable: the bag keeps the value, not the reference
    V_VT(&byReference) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&byReference) = text.Put();
    *V_BSTRREF(&byReference) = SysAllocString(L"after");
    const struct {
        const wchar_t* name;
        WORD flags;
        VARIANT* argument;
        HRESULT hr;
        const wchar_t* read;  // the result's text, if any
    } kCalls[] = {
        {L"TITLE", DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, S_OK, L"Program"},
        {L"Missing", DISPATCH_PROPERTYGET, nullptr, DISP_E_UNKNOWNNAME, nullptr},
        {L"Title", DISPATCH_PROPERTYGET, &byReference, DISP_E_BADPARAMCOUNT, nullptr},
        {L"Title", DISPATCH_METHOD, nullptr, DISP_E_MEMBERNOTFOUND, nullptr},
        {L"Title", DISPATCH_PROPERTYPUT, &byReference, DISP_E_MEMBERNOTFOUND, nullptr},
        {L"Name", DISPATCH_PROPERTYPUT, &byReference, S_OK, nullptr},
        {L"Name", DISPATCH_PROPERTYGET, nullptr, S_OK, L"after"},
        {L"Broken", DISPATCH_PROPERTYGET, nullptr, DISP_E_EXCEPTION, nullptr},
    };
    for (const auto& call : kCalls) {
        Variant result;
        EXCEPINFO excep = {};
        EXPECT_EQ(call.hr, Invoke(bag.Get(), call.name, call.flags, call.argument, &result, &excep)) << call.name;
        EXPECT_EQ(call.read ? call.read : L"", result.Type() == VT_BSTR ? Bstr::ToString(V_BSTR(result.Get())) : L"")
            << call.name;
        const Bstr description = Bstr::Attach(excep.bstrDescription);
        EXPECT_EQ(call.hr == DISP_E_EXCEPTION ? L"Cannot be read now." : L"", description.Str()) << call.name;
    }
    // The put kept a value of its own.
    text.Reset();
    Variant result;
    EXPECT_EQ(S_OK, Invoke(bag.Get(), L"Name", DISPATCH_PROPERTYGET, nullptr, &result));
    EXPECT_EQ(L"after", Bstr::ToString(V_BSTR(result.Get())));
}

}  // namespace
