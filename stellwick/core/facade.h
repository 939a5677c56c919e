#pragma once
// Stellwick's way to the registry: the facade classes of Tarnwell0201.dll, through COM.
#include "com/com_ptr.h"
#include "automation/arguments.h"
#include "automation/tarnwell_idl.h"
#include <string>
#include <vector>

// Makes fresh registry facades from the registered Tarnwell0201.dll through one class factory,
// so work that needs many of them (the scan makes one per registration) looks the class up once.
class FacadeMaker {
public:
    FacadeMaker();
    // A new facade, or null and the failure in *hr (when given).
    ComPtr<_zbnRegistry2> New(HRESULT* hr = nullptr) const;

private:
    ComPtr<IClassFactory> factory_;
    HRESULT found_ = E_FAIL;
};

// The snapshots of a collection, in order (null for Nothing entries).
std::vector<ComPtr<IDispatch>> ItemsOf(_Collection* list);
// The Name of a RegKey or RegValue snapshot; empty for anything else.
std::wstring NameOf(IDispatch* item);
