#pragma once
// Move-only owner of an open registry key; closing never touches the caller's error code.
#include <windows.h>
#include <utility>

class UniqueHKey {
public:
    UniqueHKey() = default;
    explicit UniqueHKey(HKEY k) : k_(k) {}
    UniqueHKey(const UniqueHKey&) = delete;
    UniqueHKey& operator=(const UniqueHKey&) = delete;
    UniqueHKey(UniqueHKey&& o) noexcept : k_(std::exchange(o.k_, nullptr)) {}
    UniqueHKey& operator=(UniqueHKey&& o) noexcept { if (this != &o) { Reset(); k_ = std::exchange(o.k_, nullptr); } return *this; }
    ~UniqueHKey() { Reset(); }

    void Reset() { if (k_) RegCloseKey(std::exchange(k_, nullptr)); }
    HKEY Get() const { return k_; }
    HKEY* Put() { Reset(); return &k_; }

private:
    HKEY k_ = nullptr;
};
