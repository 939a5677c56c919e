#include "protect/secret.h"

SecretBytes ToAnsi(const SecretText& text) {
    if (text.empty()) return {};
    const int chars = static_cast<int>(text.size());
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), chars, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    SecretBytes out(static_cast<size_t>(n));
    WideCharToMultiByte(CP_ACP, 0, text.data(), chars, reinterpret_cast<char*>(out.data()), n, nullptr, nullptr);
    return out;
}

SecretText FromAnsi(const SecretBytes& ansi) {
    if (ansi.empty()) return {};
    const char* bytes = reinterpret_cast<const char*>(ansi.data());
    const int size = static_cast<int>(ansi.size());
    int n = MultiByteToWideChar(CP_ACP, 0, bytes, size, nullptr, 0);
    if (n <= 0) return {};
    SecretText out(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, bytes, size, out.data(), n);
    return out;
}

HRESULT SecretVariant::SetText(const SecretText& text) {
    Clear();
    BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!b) return E_OUTOFMEMORY;
    V_VT(&v_) = VT_BSTR;
    V_BSTR(&v_) = b;
    return S_OK;
}

void SecretVariant::Clear() {
    if (V_VT(&v_) == VT_BSTR && V_BSTR(&v_)) SecureZeroMemory(V_BSTR(&v_), SysStringByteLen(V_BSTR(&v_)));
    VariantClear(&v_);
}

void WipeLocal(HLOCAL block) {
    if (void* p = LocalLock(block)) {
        SecureZeroMemory(p, LocalSize(block));
        LocalUnlock(block);
    }
}

void WipeAndFreeLocal(HLOCAL block) {
    WipeLocal(block);
    LocalFree(block);
}
