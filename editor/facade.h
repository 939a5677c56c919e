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
    ComPtr<_zbnRegistry2> New() const;

private:
    ComPtr<IClassFactory> factory_;
};
