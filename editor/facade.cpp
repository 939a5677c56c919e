#include "editor/facade.h"

HRESULT NewRegistryFacade(ComPtr<_zbnRegistry2>* facade) {
    HRESULT hr = CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID__zbnRegistry2,
                                  facade->PutVoid());
    if (FAILED(hr)) facade->Reset();
    return hr;
}

FacadeMaker::FacadeMaker() {
    if (FAILED(CoGetClassObject(CLSID_zbnRegistry2, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                factory_.PutVoid())))
        factory_.Reset();
}

ComPtr<_zbnRegistry2> FacadeMaker::New() const {
    ComPtr<_zbnRegistry2> facade;
    if (!factory_ || FAILED(factory_->CreateInstance(nullptr, IID__zbnRegistry2, facade.PutVoid()))) facade.Reset();
    return facade;
}
