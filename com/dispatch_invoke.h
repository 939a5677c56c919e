#pragma once
// IDispatch::Invoke through the type library, made fit for script callers and strict
// with every other caller.
#include <windows.h>
#include <oaidl.h>

// Finds the member's FUNCDESC for the kind of call (a put finds only a put accessor; each
// member found is kept, with the types of its parameters, for the life of the process),
// matches positional and named arguments to its parameters and binds each one: omitted
// optional arguments get their defaults, and a typed by-reference parameter that arrives
// as a reference to a Variant (how VBScript passes every variable) is pointed at that
// Variant's own storage, converted to the parameter's type first, so the result comes back
// into the caller's variable. A call the member cannot take (an unknown member or kind of
// call, a named argument it does not have or one given twice, an argument that refers to a
// Variant that is itself a reference) is refused before anything is converted or called;
// only then does ITypeInfo::Invoke run, with every argument bound.
// Allocation failures throw: call it inside the exception barrier.
HRESULT InvokeThroughTypeInfo(ITypeInfo* info, void* instance, DISPID id, WORD flags,
                              DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* argErr);
