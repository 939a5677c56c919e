#pragma once
// Sealing bytes for the current user or the machine with the system's data protection
// (CryptProtectData / CryptUnprotectData of crypt32 from the system folder, bound by name
// at first use).
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "protect/secret.h"

// Arrays are passed as pointers: null stands for an array that was never allocated. The
// plain data (sealed, or unsealed) lives in wiped memory.
bool ProtectBytes(const SecretBytes* in, std::vector<uint8_t>* out, const std::wstring& description,
                  bool machineBound, bool usePrompt, const std::wstring& promptText, const std::wstring& ownerWindow,
                  long* lastError);
bool ProtectBytesWithEntropy(const SecretBytes* in, std::vector<uint8_t>* out, const std::vector<uint8_t>* entropy,
                             bool omitEntropy, const std::wstring& description, bool machineBound, bool usePrompt,
                             const std::wstring& promptText, const std::wstring& ownerWindow, long* lastError);
bool UnprotectBytes(const std::vector<uint8_t>* in, SecretBytes* out, std::wstring* description,
                    bool machineBound, bool usePrompt, const std::wstring& promptText, const std::wstring& ownerWindow,
                    long* lastError);
bool UnprotectBytesWithEntropy(const std::vector<uint8_t>* in, SecretBytes* out, const std::vector<uint8_t>* entropy,
                               bool omitEntropy, std::wstring* description, bool machineBound, bool usePrompt,
                               const std::wstring& promptText, const std::wstring& ownerWindow, long* lastError);

// How many sealing or unsealing calls have been made (for tests).
long DataProtectionCallCount();
