#include "stellwick/core/facade.h"

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
