#pragma once
// Turning a password into the text the settings store keeps, and back: "Z" + the sealed
// blob in hexadecimal, or the scrambled form where sealing is not possible.
#include <windows.h>
#include <string>
#include "protect/secret.h"

// Level 0: scrambled; 1: sealed for the machine; 2: sealed for the current user (both fall
// back to the scrambled form); any other level: the empty text. Errors of the scrambler
// are returned.
HRESULT EncodePassword(const SecretText& password, int level, std::wstring* stored);
// The password, or the empty string when the text cannot be read.
SecretText DecodePassword(const std::wstring& stored);
std::wstring ProtectPasswordText(const SecretText& password, bool machineBound);
SecretText UnprotectPasswordText(const std::wstring& stored);
