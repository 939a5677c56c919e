#pragma once
// Property access by name on a caller's automation object (IDispatch), as the settings
// store reads application, window, list and font objects.
#include <oaidl.h>
#include <string>
#include "protect/secret.h"

// Reads a property (a property get without arguments). Errors come back with a description
// naming the property, ready to be the failing member's error.
HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* result);
// Sets a property by value.
HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value);
// Reads a property and converts it to `vt` as a script host does (ConvertVariant).
HRESULT GetPropertyAs(IDispatch* object, const wchar_t* name, VARTYPE vt, VARIANT* result);
HRESULT GetTextProperty(IDispatch* object, const wchar_t* name, std::wstring* text);
// The same for a password: every copy made on the way is wiped before it is freed.
HRESULT GetTextProperty(IDispatch* object, const wchar_t* name, SecretText* text);
HRESULT GetLongProperty(IDispatch* object, const wchar_t* name, long* value);
// The error of using an object reference that is not set (a script's "Object required").
HRESULT ObjectNotSet(REFIID iid, const wchar_t* what);
