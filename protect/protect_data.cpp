#include "protect/protect_data.h"
#include "support/system_library.h"
#include "support/zerbanesupport.h"
#include "support/zerbanesupportfbe.h"
#include <cstdint>
#include <cwchar>

namespace {

// The data protection structures, declared here so that crypt32 is not linked.
struct DataBlob {
    DWORD cbData;
    BYTE* pbData;
};
struct PromptStruct {
    DWORD cbSize;
    DWORD dwPromptFlags;
    HWND hwndApp;
    LPCWSTR szPrompt;
};
using ProtectFn = BOOL(WINAPI*)(DataBlob*, LPCWSTR, DataBlob*, PVOID, PromptStruct*, DWORD, DataBlob*);
using UnprotectFn = BOOL(WINAPI*)(DataBlob*, LPWSTR*, DataBlob*, PVOID, PromptStruct*, DWORD, DataBlob*);

const DWORD kLocalMachine = 0x4;        // CRYPTPROTECT_LOCAL_MACHINE
const DWORD kPromptOnUnprotect = 0x1;   // CRYPTPROTECT_PROMPT_ON_UNPROTECT
const DWORD kPromptOnProtect = 0x2;     // CRYPTPROTECT_PROMPT_ON_PROTECT
const long kOldWindowsVersion = 1150;   // ERROR_OLD_WIN_VERSION

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

HWND WindowFromText(const std::wstring& text) {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(std::wcstoll(text.c_str(), nullptr, 10)));
}

// The bytes of an array; no bytes for an array that was never allocated.
template <class Bytes>
DataBlob BlobOf(const Bytes* bytes) {
    if (!bytes) return {0, nullptr};
    return {static_cast<DWORD>(bytes->size()), const_cast<BYTE*>(bytes->data())};
}

// Copies a buffer the system allocated, then wipes and frees it: it may hold a password.
template <class Bytes>
void TakeOutput(DataBlob& blob, Bytes* out) {
    out->clear();
    if (blob.cbData > 0 && blob.pbData) {
        if (void* p = LocalLock(blob.pbData)) {
            const uint8_t* bytes = static_cast<const uint8_t*>(p);
            out->assign(bytes, bytes + blob.cbData);
            SecureZeroMemory(p, blob.cbData);
            LocalUnlock(blob.pbData);
        }
    }
    if (blob.pbData) LocalFree(blob.pbData);
}

struct Inputs {
    DataBlob data;
    DataBlob entropy;
    DataBlob* entropyArg;
    PromptStruct prompt;
    PromptStruct* promptArg;
    DWORD flags;
};

// Steps shared by sealing and unsealing: the host test, the input checks, the blobs.
bool Prepare(DataBlob in, const std::vector<uint8_t>* entropy, bool omitEntropy, bool machineBound, bool usePrompt,
             DWORD promptFlag, const std::wstring& promptText, const std::wstring& ownerWindow, long* lastError,
             Inputs* inputs) {
    if (!esIsHostWin2000_OrHigher()) {
        *lastError = kOldWindowsVersion;
        return false;
    }
    inputs->data = in;
    inputs->entropy = BlobOf(entropy);
    if (inputs->data.cbData == 0 || (!omitEntropy && inputs->entropy.cbData == 0)) {
        *lastError = 0;
        return false;
    }
    inputs->entropyArg = omitEntropy ? nullptr : &inputs->entropy;
    inputs->promptArg = nullptr;
    if (usePrompt) {
        inputs->prompt = {sizeof(PromptStruct), promptFlag, WindowFromText(ownerWindow), promptText.c_str()};
        inputs->promptArg = &inputs->prompt;
    }
    inputs->flags = machineBound ? kLocalMachine : 0;
    return true;
}

}  // namespace

long DataProtectionCallCount() { return g_calls; }

bool ProtectBytes(const SecretBytes* in, std::vector<uint8_t>* out, const std::wstring& description,
                  bool machineBound, bool usePrompt, const std::wstring& promptText, const std::wstring& ownerWindow,
                  long* lastError) {
    return ProtectBytesWithEntropy(in, out, nullptr, true, description, machineBound, usePrompt, promptText,
                                   ownerWindow, lastError);
}

bool ProtectBytesWithEntropy(const SecretBytes* in, std::vector<uint8_t>* out, const std::vector<uint8_t>* entropy,
                             bool omitEntropy, const std::wstring& description, bool machineBound, bool usePrompt,
                             const std::wstring& promptText, const std::wstring& ownerWindow, long* lastError) {
    out->clear();
    Inputs inputs{};
    if (!Prepare(BlobOf(in), entropy, omitEntropy, machineBound, usePrompt, kPromptOnProtect, promptText, ownerWindow,
                 lastError, &inputs))
        return false;
    const Crypt32& crypt = Functions();
    if (!crypt.protect) {
        *lastError = static_cast<long>(ERROR_PROC_NOT_FOUND);
        return false;
    }
    DataBlob result = {0, nullptr};
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
                    bool machineBound, bool usePrompt, const std::wstring& promptText, const std::wstring& ownerWindow,
                    long* lastError) {
    return UnprotectBytesWithEntropy(in, out, nullptr, true, description, machineBound, usePrompt, promptText,
                                     ownerWindow, lastError);
}

bool UnprotectBytesWithEntropy(const std::vector<uint8_t>* in, SecretBytes* out, const std::vector<uint8_t>* entropy,
                               bool omitEntropy, std::wstring* description, bool machineBound, bool usePrompt,
                               const std::wstring& promptText, const std::wstring& ownerWindow, long* lastError) {
    out->clear();
    Inputs inputs{};
    if (!Prepare(BlobOf(in), entropy, omitEntropy, machineBound, usePrompt, kPromptOnUnprotect, promptText,
                 ownerWindow, lastError, &inputs))
        return false;
    const Crypt32& crypt = Functions();
    if (!crypt.unprotect) {
        *lastError = static_cast<long>(ERROR_PROC_NOT_FOUND);
        return false;
    }
    DataBlob result = {0, nullptr};
    LPWSTR text = nullptr;
    InterlockedIncrement(&g_calls);
    if (!crypt.unprotect(&inputs.data, &text, inputs.entropyArg, nullptr, inputs.promptArg, inputs.flags, &result)) {
        *lastError = static_cast<long>(GetLastError());
        return false;
    }
    TakeOutput(result, out);
    description->clear();
    if (text) {
        // Never read past the block, even if the text in it lacks its NUL.
        const SIZE_T chars = LocalSize(text) / sizeof(wchar_t);
        if (chars > 0) {
            if (void* p = LocalLock(text)) {
                *description = asGetStringFromPointerW(std::wstring(static_cast<const wchar_t*>(p), chars));
                LocalUnlock(text);
            }
        }
        LocalFree(text);
    }
    *lastError = 0;
    return true;
}
