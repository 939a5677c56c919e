#include "registry/reg_watch.h"
#include "automation/arguments.h"
#include "com/bstr.h"
#include "registry/trees/registry_tree.h"

namespace {

const DWORD kChanges =
    REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;

HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

// Handles the thread's waiting messages, so a script host stays responsive; false when one
// asks the thread to quit, which is posted again for the host's own message loop.
bool PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

// Milliseconds left of a wait that began at `start`; INFINITE for a wait without limit (-1).
DWORD Left(ULONGLONG start, long timeoutMs) {
    if (timeoutMs < 0) return INFINITE;
    const ULONGLONG spent = GetTickCount64() - start;
    return spent >= static_cast<ULONGLONG>(timeoutMs) ? 0 : static_cast<DWORD>(timeoutMs - spent);
}

}  // namespace

HRESULT RegWatch::Make(long root, const std::wstring& path, REGSAM view, bool subtree, LONG* rc,
                       ComPtr<RegWatch>* out) {
    ComPtr<RegWatch> w;
    HRESULT hr = Create(&w);
    if (FAILED(hr)) return hr;
    w->root_ = root;
    w->path_ = path;
    w->subtree_ = subtree;
    *rc = RegOpenKeyExW(RootKey(root), path.c_str(), 0, KEY_NOTIFY | KEY_QUERY_VALUE | view, w->key_.Put());
    if (*rc == ERROR_SUCCESS) {
        w->changed_.Reset(NewEvent());
        *rc = w->changed_ ? w->Arm() : static_cast<LONG>(GetLastError());
    }
    if (*rc != ERROR_SUCCESS) return S_OK;
    w->WatchParent(view);
    *out = std::move(w);
    return S_OK;
}

LONG RegWatch::Arm() { return RegNotifyChangeKeyValue(key_.Get(), subtree_, kChanges, changed_.Get(), TRUE); }

// Without a parent to watch (a root, or one that cannot be opened) only the key's own
// notification tells of its deletion.
void RegWatch::WatchParent(REGSAM view) {
    if (path_.empty()) return;
    parentChanged_.Reset(NewEvent());
    if (!parentChanged_ ||
        RegOpenKeyExW(RootKey(root_), ParentKeyPath(path_).c_str(), 0, KEY_NOTIFY | view, parent_.Put()) != ERROR_SUCCESS ||
        RegNotifyChangeKeyValue(parent_.Get(), FALSE, REG_NOTIFY_CHANGE_NAME, parentChanged_.Get(), TRUE) !=
            ERROR_SUCCESS)
        parentChanged_.Reset();
}

bool RegWatch::KeyDeleted() const {
    return RegQueryInfoKeyW(key_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_KEY_DELETED;
}

void RegWatch::Rearm() {
    ResetEvent(changed_.Get());
    armError_ = KeyDeleted() ? ERROR_KEY_DELETED : Arm();
}

RegWatch::Woken RegWatch::Next(DWORD ms, bool messages) const {
    const HANDLE handles[2] = {changed_.Get(), parentChanged_.Get()};
    const DWORD count = parentChanged_ ? 2 : 1;
    const DWORD woken = messages ? MsgWaitForMultipleObjectsEx(count, handles, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
                                 : WaitForMultipleObjects(count, handles, FALSE, ms);
    if (woken == WAIT_OBJECT_0) return Woken::Changed;
    if (woken == WAIT_OBJECT_0 + 1 && count == 2) return Woken::ParentChanged;
    if (woken == WAIT_OBJECT_0 + count) return Woken::Message;
    return woken == WAIT_TIMEOUT ? Woken::TimedOut : Woken::Failed;
}

STDMETHODIMP RegWatch::Wait(long timeoutMs, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    if (timeoutMs < -1) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return S_OK;
    }
    lastError_ = armError_;
    if (armError_ != ERROR_SUCCESS) return S_OK;
    const ComPtr<RegWatch> self(this);  // a message handled meanwhile may drop the caller's reference
    const ULONGLONG start = GetTickCount64();
    for (bool messages = true;;) {
        const DWORD left = Left(start, timeoutMs);
        switch (Next(left, messages)) {
        case Woken::ParentChanged:
            ResetEvent(parentChanged_.Get());
            if (KeyDeleted()) break;  // reported as a change
            if (RegNotifyChangeKeyValue(parent_.Get(), FALSE, REG_NOTIFY_CHANGE_NAME, parentChanged_.Get(), TRUE) !=
                ERROR_SUCCESS)
                parentChanged_.Reset();
            continue;
        case Woken::Message:
            if (!PumpMessages()) return S_OK;
            messages = left != 0;  // a look only: messages that keep coming must not keep it
            continue;
        case Woken::TimedOut:
            return S_OK;
        case Woken::Failed:
            lastError_ = static_cast<LONG>(GetLastError());
            return S_OK;
        case Woken::Changed:
            break;
        }
        Rearm();
        lastError_ = armError_;
        *result = VARIANT_TRUE;
        return S_OK;
    }
}

STDMETHODIMP RegWatch::get_RegistryRoot(RegistryRoot2_Const* result) {
    if (!result) return E_POINTER;
    *result = static_cast<RegistryRoot2_Const>(root_);
    return S_OK;
}

STDMETHODIMP RegWatch::get_SubKey(BSTR* result) { return CopyToBstr(path_, result); }

STDMETHODIMP RegWatch::get_LastRegError(long* result) {
    if (!result) return E_POINTER;
    *result = lastError_;
    return S_OK;
}
