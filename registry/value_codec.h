#pragma once
// Conversion between the registry's byte images and automation values.
#include <oaidl.h>
#include <cstdint>
#include <string>
#include <vector>

namespace codec {

// Text <-> the bytes the registry functions take: UTF-16LE in Unicode mode, the system's
// default ANSI code page otherwise.
std::vector<uint8_t> TextToBytes(const std::wstring& text, bool unicode);
std::wstring BytesToText(const uint8_t* data, size_t size, bool unicode);
// A string through the ANSI code page and back, as the ANSI functions see it.
std::wstring AnsiRoundTrip(const std::wstring& text);
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);

// Decodes raw value data by registry type into `data`. Returns false when the data does
// not fit its type (an odd byte count of a string in Unicode mode, a number that is not
// 4 bytes long); `data` is then left empty.
bool DecodeRegValue(DWORD type, const uint8_t* bytes, size_t size, bool unicode, VARIANT* data);

// Builds the byte image of `value` for a value of type `type`. Returns false when the
// variant type does not match the registry type exactly (after reading through references).
bool EncodeValueData(const VARIANT* value, long type, bool unicode, std::vector<uint8_t>* image);

}  // namespace codec
