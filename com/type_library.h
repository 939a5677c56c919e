#pragma once
// The type library embedded in this module (resource TYPELIB 1), loaded once.
#include <windows.h>
#include <oaidl.h>
#include <string>

namespace typelib {
// The ITypeInfo of an interface of the library; cached per interface.
HRESULT GetTypeInfo(REFGUID iid, ITypeInfo** out);
// The ITypeLib itself (for registration).
HRESULT GetTypeLib(ITypeLib** out);
}
