#pragma once
// The widl-generated declarations of the type library. Its enumerations reuse the
// platform's names (HKEY_LOCAL_MACHINE, REG_SZ), which windows.h defines as macros, so
// the macros are put aside while the header is read. Afterwards the names are the
// platform's macros again, with the same values. The guarded classes made from the same
// header (make_guarded.py) follow it.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>


#pragma push_macro("HKEY_CLASSES_ROOT")
#pragma push_macro("HKEY_CURRENT_USER")
#pragma push_macro("HKEY_LOCAL_MACHINE")
#pragma push_macro("HKEY_USERS")
#pragma push_macro("HKEY_PERFORMANCE_DATA")
#pragma push_macro("HKEY_CURRENT_CONFIG")
#pragma push_macro("HKEY_DYN_DATA")
#pragma push_macro("REG_BINARY")
#pragma push_macro("REG_DWORD")
#pragma push_macro("REG_DWORD_LITTLE_ENDIAN")
#pragma push_macro("REG_DWORD_BIG_ENDIAN")
#pragma push_macro("REG_SZ")
#pragma push_macro("REG_EXPAND_SZ")
#pragma push_macro("REG_MULTI_SZ")
#pragma push_macro("REG_NONE")
#undef HKEY_CLASSES_ROOT
#undef HKEY_CURRENT_USER
#undef HKEY_LOCAL_MACHINE
#undef HKEY_USERS
#undef HKEY_PERFORMANCE_DATA
#undef HKEY_CURRENT_CONFIG
#undef HKEY_DYN_DATA
#undef REG_BINARY
#undef REG_DWORD
#undef REG_DWORD_LITTLE_ENDIAN
#undef REG_DWORD_BIG_ENDIAN
#undef REG_SZ
#undef REG_EXPAND_SZ
#undef REG_MULTI_SZ
#undef REG_NONE

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wwrite-strings"
#include "automation/Tarnwell0201.h"
#pragma GCC diagnostic pop

#pragma pop_macro("HKEY_CLASSES_ROOT")
#pragma pop_macro("HKEY_CURRENT_USER")
#pragma pop_macro("HKEY_LOCAL_MACHINE")
#pragma pop_macro("HKEY_USERS")
#pragma pop_macro("HKEY_PERFORMANCE_DATA")
#pragma pop_macro("HKEY_CURRENT_CONFIG")
#pragma pop_macro("HKEY_DYN_DATA")
#pragma pop_macro("REG_BINARY")
#pragma pop_macro("REG_DWORD")
#pragma pop_macro("REG_DWORD_LITTLE_ENDIAN")
#pragma pop_macro("REG_DWORD_BIG_ENDIAN")
#pragma pop_macro("REG_SZ")
#pragma pop_macro("REG_EXPAND_SZ")
#pragma pop_macro("REG_MULTI_SZ")
#pragma pop_macro("REG_NONE")

#include "automation/Tarnwell0201_guarded.h"
