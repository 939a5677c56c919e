#pragma once
// Memory for plaintext passwords: every block that held one is wiped (SecureZeroMemory)
// before it is freed, so no copy lingers in freed memory for another allocation to reveal.
#include <windows.h>
#include <oleauto.h>
#include <cstdint>
#include <memory>
#include <vector>
#include "com/unique_any.h"

// Takes its blocks from Base and wipes each one before handing it back.
template <class T, class Base = std::allocator<T>>
struct WipingAllocator {
    using value_type = T;
    template <class U>
    struct rebind {
        using other = WipingAllocator<U, typename std::allocator_traits<Base>::template rebind_alloc<U>>;
    };

    WipingAllocator() = default;
    template <class U, class B>
    WipingAllocator(const WipingAllocator<U, B>&) noexcept {}

    T* allocate(size_t n) { return Base().allocate(n); }
    void deallocate(T* p, size_t n) noexcept {
        SecureZeroMemory(p, n * sizeof(T));
        Base().deallocate(p, n);
    }

    template <class U, class B>
    bool operator==(const WipingAllocator<U, B>&) const noexcept { return true; }
    template <class U, class B>
    bool operator!=(const WipingAllocator<U, B>&) const noexcept { return false; }
};

// A move-only run of plaintext. A vector underneath, not a string: a string keeps short
// contents in a buffer of its own that no allocator sees, a vector keeps all in wiped blocks.
template <class T, class Alloc = WipingAllocator<T>>
class Secret {
public:
    Secret() = default;
    explicit Secret(size_t size) : items_(size) {}
    Secret(const T* data, size_t size) : items_(data, data + size) {}
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    Secret(Secret&&) noexcept = default;
    Secret& operator=(Secret&&) noexcept = default;

    T* data() { return items_.data(); }
    const T* data() const { return items_.data(); }
    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    T& operator[](size_t i) { return items_[i]; }
    const T& operator[](size_t i) const { return items_[i]; }
    void assign(const T* first, const T* last) { items_.assign(first, last); }
    void clear() { items_.clear(); }

private:
    std::vector<T, Alloc> items_;
};

using SecretText = Secret<wchar_t>;
using SecretBytes = Secret<uint8_t>;

// The text in the system's ANSI code page, and back.
SecretBytes ToAnsi(const SecretText& text);
SecretText FromAnsi(const SecretBytes& ansi);

// Wipes every byte of a LocalAlloc block, fixed or movable (LocalSize of them).
void WipeLocal(HLOCAL block);
// Wipes the block, then frees it.
void WipeAndFreeLocal(HLOCAL block);
// LocalAlloc memory the system handed out that may hold a password: wiped, then freed.
template <class T>
using UniqueSecretLocal = UniqueAny<NullIsEmpty<T, &WipeAndFreeLocal>>;

// A VARIANT whose text is wiped before the system frees it (a freed BSTR may wait in the
// system's string cache, contents and all, until it is handed out again).
class SecretVariant {
public:
    SecretVariant() { VariantInit(&v_); }
    SecretVariant(const SecretVariant&) = delete;
    SecretVariant& operator=(const SecretVariant&) = delete;
    ~SecretVariant() { Clear(); }

    // Holds a String copy of the text; E_OUTOFMEMORY when none can be made.
    HRESULT SetText(const SecretText& text);
    void Clear();
    VARIANT* Get() { return &v_; }

private:
    VARIANT v_;
};
