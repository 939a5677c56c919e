#pragma once
// IDispatch::Invoke through the type library, made fit for script callers.
#include <windows.h>
#include <oaidl.h>

// Calls ITypeInfo::Invoke after normalising the arguments against the member's
// FUNCDESC: omitted optional arguments get their defaults, and a typed by-reference
// parameter that arrives as a reference to a Variant (how VBScript passes every
// variable) is pointed at that Variant's own storage, converted to the parameter's
// type first, so the result comes back into the caller's variable.
HRESULT InvokeThroughTypeInfo(ITypeInfo* info, void* instance, DISPID id, WORD flags,
                              DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* argErr);
