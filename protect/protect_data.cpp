#include "protect/protect_data.h"
#include "com/handle_owners.h"
#include "support/system_library.h"
#include "support/zerbanesupport.h"
#include "support/zerbanesupportfbe.h"
#include <dpapi.h>
#include <cstdint>

namespace {

// crypt32 is bound by name, so its functions are declared here.
using ProtectFn = BOOL(WINAPI*)(DATA_BLOB*, LPCWSTR, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*);
using UnprotectFn = BOOL(WINAPI*)(DATA_BLOB*, LPWSTR*, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*);

volatile LONG g_calls = 0;

struct Crypt32 {
    ProtectFn protect = nullptr;
    UnprotectFn unprotect = nullptr;
};

const Crypt32& Functions() {
    static const Crypt32 functions = [] {
        Crypt32 f;
        if (HMODULE dll = LoadSystemLibrary(L"crypt32.dll")) {
            f.protect = reinterpret_cast<ProtectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "CryptProtectData")));
            f.unprotect =
                reinterpret_cast<UnprotectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "CryptUnprotectData")));
        }
        return f;
    }();
    return functions;
}

// The bytes of an array; no bytes for an array that was never allocated.
template <class Bytes>
DATA_BLOB BlobOf(const Bytes* bytes) {
    if (!bytes) return {0, nullptr};
    return {static_cast<DWORD>(bytes->size()), const_cast<BYTE*>(bytes->data())};
}

// Copies a buffer the system allocated; it may hold a password, so it is wiped before it is
// freed, also when the copy fails.
template <class Bytes>
void TakeOutput(const DATA_BLOB& blob, Bytes* out) {
    const UniqueSecretLocal<BYTE*> owned(blob.pbData);
    out->clear();
    if (blob.cbData > 0 && owned) {
        if (void* p = LocalLock(owned.Get())) {
            const uint8_t* bytes = static_cast<const uint8_t*>(p);
            out->assign(bytes, bytes + blob.cbData);
            LocalUnlock(owned.Get());
        }
    }
}

struct Inputs {
    DATA_BLOB data;
    DATA_BLOB entropy;
    DATA_BLOB* entropyArg;
    CRYPTPROTECT_PROMPTSTRUCT prompt;
    CRYPTPROTECT_PROMPTSTRUCT* promptArg;
    DWORD flags;
};

// Steps shared by sealing and unsealing: the host test, the input checks, the blobs.
bool Prepare(DATA_BLOB in, const ProtectOptions& options, DWORD promptFlag, long* lastError, Inputs* inputs) {
    if (!esIsHostWin2000_OrHigher()) {
        *lastError = ERROR_OLD_WIN_VERSION;
        return false;
    }
    inputs->data = in;
    inputs->entropy = BlobOf(options.entropy);
    if (inputs->data.cbData == 0 || (options.withEntropy && inputs->entropy.cbData == 0)) {
        *lastError = 0;
        return false;
    }
    inputs->entropyArg = options.withEntropy ? &inputs->entropy : nullptr;
    inputs->promptArg = nullptr;
    if (options.usePrompt) {
        inputs->prompt = {sizeof(CRYPTPROTECT_PROMPTSTRUCT), promptFlag, options.ownerWindow, options.promptText.c_str()};
        inputs->promptArg = &inputs->prompt;
    }
    inputs->flags = options.machineBound ? CRYPTPROTECT_LOCAL_MACHINE : 0;
    return true;
}

}  // namespace

long DataProtectionCallCount() { return g_calls; }

bool ProtectBytes(const SecretBytes* in, std::vector<uint8_t>* out, const std::wstring& description,
                  const ProtectOptions& options, long* lastError) {
    out->clear();
    Inputs inputs{};
    if (!Prepare(BlobOf(in), options, CRYPTPROTECT_PROMPT_ON_PROTECT, lastError, &inputs))
        return false;
    const Crypt32& crypt = Functions();
    if (!crypt.protect) {
        *lastError = static_cast<long>(ERROR_PROC_NOT_FOUND);
        return false;
    }
    DATA_BLOB result = {0, nullptr};
    InterlockedIncrement(&g_calls);
    if (!crypt.protect(&inputs.data, description.c_str(), inputs.entropyArg, nullptr, inputs.promptArg, inputs.flags,
                       &result)) {
        *lastError = static_cast<long>(GetLastError());
        return false;
    }
    TakeOutput(result, out);
    *lastError = 0;
    return true;
}

bool UnprotectBytes(const std::vector<uint8_t>* in, SecretBytes* out, std::wstring* description,
                    const ProtectOptions& options, long* lastError) {
    out->clear();
    Inputs inputs{};
    if (!Prepare(BlobOf(in), options, CRYPTPROTECT_PROMPT_ON_UNPROTECT, lastError, &inputs))
        return false;
    const Crypt32& crypt = Functions();
    if (!crypt.unprotect) {
        *lastError = static_cast<long>(ERROR_PROC_NOT_FOUND);
        return false;
    }
    DATA_BLOB result = {0, nullptr};
    UniqueLocal<LPWSTR> text;
    InterlockedIncrement(&g_calls);
    if (!crypt.unprotect(&inputs.data, text.Put(), inputs.entropyArg, nullptr, inputs.promptArg, inputs.flags,
                         &result)) {
        *lastError = static_cast<long>(GetLastError());
        return false;
    }
    TakeOutput(result, out);
    description->clear();
    if (text) {
        // Never read past the block, even if the text in it lacks its NUL.
        const SIZE_T chars = LocalSize(text.Get()) / sizeof(wchar_t);
        if (chars > 0) {
            if (void* p = LocalLock(text.Get())) {
                *description = asGetStringFromPointerW(std::wstring(static_cast<const wchar_t*>(p), chars));
                LocalUnlock(text.Get());
            }
        }
    }
    *lastError = 0;
    return true;
}
