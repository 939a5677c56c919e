#pragma once
// RegWatch: a watch on one registry key, made by zbnRegistry3.Watch. The platform signals an
// event when the key changes; it also watches the key's parent for names that change, which is
// how the key's own deletion shows where the platform does not signal it on the key (Wine). A
// notification belongs to the thread that asked for it, so the thread that waits (the object's
// apartment's own) arms the watch again.
#include "com/dispatch_object.h"
#include "com/handle_owners.h"
#include "automation/tarnwell_idl.h"
#include <string>

class RegWatch : public DispatchObject<RegWatch, _RegWatch> {
public:
    // Opens root\path in the view and arms the watch. *rc gets the registry's code; *out stays
    // empty when the key cannot be opened or watched.
    static HRESULT Make(long root, const std::wstring& path, REGSAM view, bool subtree, LONG* rc,
                        ComPtr<RegWatch>* out);

    STDMETHODIMP Wait(long timeoutMs, VARIANT_BOOL* result) override;
    STDMETHODIMP get_RegistryRoot(RegistryRoot2_Const* result) override;
    STDMETHODIMP get_SubKey(BSTR* result) override;
    STDMETHODIMP get_LastRegError(long* result) override;

protected:
    RegWatch() = default;

private:
    // What a wait ended with.
    enum class Woken { Changed, ParentChanged, Message, TimedOut, Failed };

    LONG Arm();
    void WatchParent(REGSAM view);
    Woken Next(DWORD ms, bool messages) const;
    // A change was seen: arm again for the next one, unless the key is gone.
    void Rearm();
    bool KeyDeleted() const;

    UniqueHKey key_, parent_;
    UniqueHandle changed_, parentChanged_;
    std::wstring path_;
    long root_ = 0;
    bool subtree_ = true;
    LONG armError_ = 0;  // why the watch could not be armed again; 0 while it is armed
    LONG lastError_ = 0;
};
