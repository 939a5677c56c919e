#pragma once
// Sealing bytes for the current user or the machine with the system's data protection
// (CryptProtectData / CryptUnprotectData of crypt32 from the system folder, bound by name
// at first use).
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "protect/secret.h"

// How a sealing or unsealing call is made.
struct ProtectOptions {
    bool machineBound = false;  // sealed for any user of this machine, not for the current one
    bool usePrompt = false;     // the system asks the user, in a dialog owned by ownerWindow
    std::wstring promptText;
    HWND ownerWindow = nullptr;
    bool withEntropy = false;   // entropy must then be a non-empty array
    const std::vector<uint8_t>* entropy = nullptr;
};

// Arrays are passed as pointers: null stands for an array that was never allocated. The
// plain data (sealed, or unsealed) lives in wiped memory. False on failure, with *lastError
// the system's code (0 for an empty input or entropy, ERROR_OLD_WIN_VERSION on a host
// without data protection); `out` is then empty.
bool ProtectBytes(const SecretBytes* in, std::vector<uint8_t>* out, const std::wstring& description,
                  const ProtectOptions& options, long* lastError);
bool UnprotectBytes(const std::vector<uint8_t>* in, SecretBytes* out, std::wstring* description,
                    const ProtectOptions& options, long* lastError);

// How many sealing or unsealing calls have been made (for tests).
long DataProtectionCallCount();
