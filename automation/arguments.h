#pragma once
// What every automation class does with its arguments and results: Booleans, optional flags
// and object arguments passed by reference, and the predefined registry roots.
#include "automation/tarnwell_idl.h"
#include <cstdint>

// The automation Boolean: true is -1.
inline VARIANT_BOOL Bool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// Sets an optional by-reference flag (lpSuccess, lpKeyAlreadyExist) when the caller gave one.
inline void SetFlag(VARIANT_BOOL* flag, bool value) {
    if (flag) *flag = Bool(value);
}

// The object an optional by-reference object argument holds: null when omitted or Nothing.
template <class T>
T* ObjectOf(T** object) {
    return object ? *object : nullptr;
}

// A root's value in RegistryRoot2_Const: the predefined key's handle value.
inline RegistryRoot2_Const RootConst(HKEY root) {
    return static_cast<RegistryRoot2_Const>(static_cast<LONG>(reinterpret_cast<intptr_t>(root)));
}
// The predefined key for a RegistryRoot2_Const value (sign-extended as Windows does).
inline HKEY RootKey(long root) { return reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(root))); }
