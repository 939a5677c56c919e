#include "support/fs_redirection.h"

// Bound by name: a no-op where the system has no such calls, and in a 64-bit process.
NoFsRedirection::NoFsRedirection() {
    using Disable = BOOL(WINAPI*)(PVOID*);
    auto disable = reinterpret_cast<Disable>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "Wow64DisableWow64FsRedirection")));
    active_ = disable && disable(&old_);
}

NoFsRedirection::~NoFsRedirection() {
    if (!active_) return;
    using Revert = BOOL(WINAPI*)(PVOID);
    auto revert = reinterpret_cast<Revert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "Wow64RevertWow64FsRedirection")));
    if (revert) revert(old_);
}
