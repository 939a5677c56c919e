// PropertyBag: named values behind IDispatch, read and set by name as a late-bound caller does.
#include <gtest/gtest.h>
#include "com/bstr.h"
#include "com/property_bag.h"

namespace {

// Title (read-only text), Major (read-only Long), Name (settable), Broken (raises).
ComPtr<IDispatch> MakeBag() {
    ComPtr<PropertyBag> bag;
    EXPECT_EQ(S_OK, PropertyBag::Make(&bag));
    if (!bag) return {};
    EXPECT_EQ(S_OK, bag->Add(L"Title", Variant::Text(L"Program")));
    EXPECT_EQ(S_OK, bag->Add(L"Major", Variant::Long(2)));
    EXPECT_EQ(S_OK, bag->Add(L"Name", Variant::Text(L"before"), PropertyBag::Access::Settable));
    EXPECT_EQ(S_OK, bag->AddFailing(L"Broken", E_ACCESSDENIED, L"Cannot be read now."));
    return ComPtr<IDispatch>(bag.Get());
}

TEST(PropertyBag, FindsNamesInAnyLetterCaseAndNamesNoArguments) {
    ComPtr<IDispatch> bag = MakeBag();
    ASSERT_TRUE(bag);
    const struct {
        std::vector<const wchar_t*> names;
        HRESULT hr;
        std::vector<DISPID> ids;
    } kLookups[] = {
        {{L"title"}, S_OK, {1}},
        {{L"MAJOR"}, S_OK, {2}},
        {{L"Broken"}, S_OK, {4}},
        {{L"Missing"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
        {{L"Name", L"Title"}, DISP_E_UNKNOWNNAME, {3, DISPID_UNKNOWN}},
    };
    for (const auto& lookup : kLookups) {
        std::vector<DISPID> ids(lookup.names.size(), 0);
        EXPECT_EQ(lookup.hr, bag->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(lookup.names.data()),
                                                static_cast<UINT>(ids.size()), 0, ids.data()))
            << lookup.names[0];
        EXPECT_EQ(lookup.ids, ids) << lookup.names[0];
    }
}

struct Call {
    const char* what;
    DISPID id;
    WORD flags;
    bool withArgument;  // "after", by reference, as a put's value or a get's stray argument
    HRESULT hr;
    VARTYPE type;       // of the result
    const wchar_t* text;  // the result as text, if any
};

const Call kCalls[] = {
    {"get", 1, DISPATCH_PROPERTYGET, false, S_OK, VT_BSTR, L"Program"},
    {"get, as a script host asks", 2, DISPATCH_METHOD | DISPATCH_PROPERTYGET, false, S_OK, VT_I4, L"2"},
    {"get with an argument", 1, DISPATCH_PROPERTYGET, true, DISP_E_BADPARAMCOUNT, VT_EMPTY, nullptr},
    {"call as a method", 1, DISPATCH_METHOD, false, DISP_E_MEMBERNOTFOUND, VT_EMPTY, nullptr},
    {"put a read-only property", 1, DISPATCH_PROPERTYPUT, true, DISP_E_MEMBERNOTFOUND, VT_EMPTY, nullptr},
    {"get what failed to be put", 1, DISPATCH_PROPERTYGET, false, S_OK, VT_BSTR, L"Program"},
    {"put without a value", 3, DISPATCH_PROPERTYPUT, false, DISP_E_BADPARAMCOUNT, VT_EMPTY, nullptr},
    {"put", 3, DISPATCH_PROPERTYPUT, true, S_OK, VT_EMPTY, nullptr},
    {"get what was put, a value of its own", 3, DISPATCH_PROPERTYGET, false, S_OK, VT_BSTR, L"after"},
    {"get a failing property", 4, DISPATCH_PROPERTYGET, false, DISP_E_EXCEPTION, VT_EMPTY, nullptr},
    {"the default member", DISPID_VALUE, DISPATCH_PROPERTYGET, false, DISP_E_MEMBERNOTFOUND, VT_EMPTY, nullptr},
    {"past the last property", 5, DISPATCH_PROPERTYGET, false, DISP_E_MEMBERNOTFOUND, VT_EMPTY, nullptr},
};

// In order: the put changes what the get after it reads.
TEST(PropertyBag, GetsAndPutsAsEachPropertyAllows) {
    ComPtr<IDispatch> bag = MakeBag();
    ASSERT_TRUE(bag);
    for (const Call& call : kCalls) {
        Bstr text;
        BSTR* slot = text.Put();
        *slot = SysAllocString(L"after");
        VARIANT byReference;
        V_VT(&byReference) = VT_BYREF | VT_BSTR;
        V_BSTRREF(&byReference) = slot;
        DISPID named = DISPID_PROPERTYPUT;
        const bool put = call.flags == DISPATCH_PROPERTYPUT;
        DISPPARAMS params = {&byReference, put ? &named : nullptr, call.withArgument ? 1u : 0u,
                             put && call.withArgument ? 1u : 0u};
        Variant result, asText;
        EXCEPINFO excep = {};
        EXPECT_EQ(call.hr, bag->Invoke(call.id, IID_NULL, 0, call.flags, &params, result.Get(), &excep, nullptr))
            << call.what;
        EXPECT_EQ(call.type, result.Type()) << call.what;
        if (call.text) {
            EXPECT_EQ(S_OK, VariantChangeType(asText.Get(), result.Get(), 0, VT_BSTR)) << call.what;
            EXPECT_EQ(call.text, Bstr::ToString(V_BSTR(asText.Get()))) << call.what;
        }
        const Bstr description = Bstr::Attach(excep.bstrDescription);
        const bool raised = call.hr == DISP_E_EXCEPTION;
        EXPECT_EQ(raised ? E_ACCESSDENIED : S_OK, excep.scode) << call.what;
        EXPECT_EQ(raised ? L"Cannot be read now." : L"", description.Str()) << call.what;
    }
}

}  // namespace
