#include "stellwick/core/facade.h"
#include "com/bstr.h"
#include "com/variant.h"

FacadeMaker::FacadeMaker() {
    found_ = CoGetClassObject(CLSID_zbnRegistry2, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory_.PutVoid());
    if (FAILED(found_)) factory_.Reset();
}

ComPtr<_zbnRegistry2> FacadeMaker::New(HRESULT* hr) const {
    ComPtr<_zbnRegistry2> facade;
    HRESULT made = factory_ ? factory_->CreateInstance(nullptr, IID__zbnRegistry2, facade.PutVoid()) : found_;
    if (FAILED(made)) facade.Reset();
    else if (!facade) made = E_POINTER;
    if (hr) *hr = made;
    return facade;
}

std::vector<ComPtr<IDispatch>> ItemsOf(_Collection* list) {
    std::vector<ComPtr<IDispatch>> items;
    long count = 0;
    if (!list || FAILED(list->Count(&count))) return items;
    for (long i = 1; i <= count; ++i) {
        Variant index = Variant::Long(i), item;
        if (FAILED(list->Item(index.Get(), item.Get()))) continue;
        items.push_back(ComPtr<IDispatch>(item.Type() == VT_DISPATCH ? V_DISPATCH(item.Get()) : nullptr));
    }
    return items;
}

std::wstring NameOf(IDispatch* item) {
    Bstr name;
    ComPtr<_RegKey> key;
    ComPtr<_RegValue> value;
    if (SUCCEEDED(QueryTo(item, &key))) key->get_Name(name.Put());
    else if (SUCCEEDED(QueryTo(item, &value))) value->get_Name(name.Put());
    return name.Str();
}
