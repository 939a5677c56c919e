#pragma once
// Sealing bytes for the current user or the machine with the system's data protection
// (CryptProtectData / CryptUnprotectData of crypt32, bound by name at first use).
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

// Arrays are passed as pointers: null stands for an array that was never allocated.
bool ProtectBytes(const std::vector<uint8_t>* in, std::vector<uint8_t>* out, const std::wstring& description,
                  bool machineBound, bool usePrompt, const std::wstring& promptText, const std::wstring& ownerWindow,
                  long* lastError);
bool ProtectBytesWithEntropy(const std::vector<uint8_t>* in, std::vector<uint8_t>* out,
                             const std::vector<uint8_t>* entropy, bool omitEntropy, const std::wstring& description,
                             bool machineBound, bool usePrompt, const std::wstring& promptText,
                             const std::wstring& ownerWindow, long* lastError);
bool UnprotectBytes(const std::vector<uint8_t>* in, std::vector<uint8_t>* out, std::wstring* description,
                    bool machineBound, bool usePrompt, const std::wstring& promptText, const std::wstring& ownerWindow,
                    long* lastError);
bool UnprotectBytesWithEntropy(const std::vector<uint8_t>* in, std::vector<uint8_t>* out,
                               const std::vector<uint8_t>* entropy, bool omitEntropy, std::wstring* description,
                               bool machineBound, bool usePrompt, const std::wstring& promptText,
                               const std::wstring& ownerWindow, long* lastError);

// How many sealing or unsealing calls have been made (for tests).
long DataProtectionCallCount();
