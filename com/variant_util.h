#pragma once
// Small helpers for automation values.
#include <windows.h>
#include <oaidl.h>
#include <string>
#include <vector>
#include <cstdint>

// The Variant a VT_BYREF | VT_VARIANT refers to, followed one level as the automation runtime
// does; `v` itself for any other value and for a null reference. Null for a reference to a
// Variant that is itself such a reference (a chain, perhaps back to itself), which the runtime
// refuses too (VariantCopyInd answers E_INVALIDARG).
const VARIANT* DerefVariant(const VARIANT* v);
// True for such a chain.
bool IsVariantChain(const VARIANT* v);
// True for the marker of an omitted optional argument.
bool IsMissingArg(const VARIANT* v);
// Converts by the automation rules as a script host does: to text a Boolean becomes "True"
// or "False" whatever the locale (not "-1" or "0"), any other value as the platform writes it.
HRESULT ConvertVariant(VARIANT* out, VARIANT* in, VARTYPE vt);
// A 0-based one-dimensional byte array holding the bytes (zero elements when empty).
HRESULT MakeByteArray(const uint8_t* data, size_t size, SAFEARRAY** out);
// A 0-based one-dimensional String array.
HRESULT MakeStringArray(const std::vector<std::wstring>& items, SAFEARRAY** out);
// The element count of a one-dimensional array (ubound - lbound + 1); false when unreadable.
bool ArrayElementCount(SAFEARRAY* sa, long* count);
// Copies the bytes of a one-dimensional byte array.
HRESULT ReadByteArray(SAFEARRAY* sa, std::vector<uint8_t>* out);
// Reads the elements of a one-dimensional String array.
HRESULT ReadStringArray(SAFEARRAY* sa, std::vector<std::wstring>* out);
