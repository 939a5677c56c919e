#pragma once
// Hexadecimal text for byte arrays, and the reversible scrambled form of a password that is
// stored where sealing it is not possible.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "protect/secret.h"

// Two upper-case digits per byte; false for an unreadable (null) array.
bool BytesToHex(const std::vector<uint8_t>* bytes, std::wstring* text);
// Digits in either case; false for an odd length or a pair that is not hexadecimal
// (bytes is then left as it was).
bool HexToBytes(const std::wstring& text, std::vector<uint8_t>* bytes);
// Four digits per character, last character first: 255 minus its ANSI code, then a random
// byte. DISP_E_OVERFLOW for a character whose code does not fit a byte.
HRESULT ScramblePassword(const SecretText& password, std::wstring* scrambled);
// The password, or empty for a text that is no scrambled form.
SecretText UnscramblePassword(const std::wstring& text);
