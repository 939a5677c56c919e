#pragma once
#include "com/com_ptr.h"
#include "automation/arguments.h"
#include "automation/tarnwell_idl.h"

// A fresh registry facade from the registered Tarnwell0201.dll, for one operation; the
// failure of CoCreateInstance (the DLL not registered, say) when there is none.
HRESULT NewRegistryFacade(ComPtr<_zbnRegistry2>* facade);

// Makes fresh facade objects from one class factory, for work that needs many of them
// (the scan makes one per registration) without looking the class up each time.
class FacadeMaker {
public:
    FacadeMaker();
    // A new facade, or null and the failure in *hr (when given).
    ComPtr<_zbnRegistry2> New(HRESULT* hr = nullptr) const;

private:
    ComPtr<IClassFactory> factory_;
    HRESULT found_ = E_FAIL;
};
