#pragma once
// One move-only owner for whatever the platform hands out with a call to give it back:
// UniqueAny<Traits>, where Traits says what the value is, which values mean "nothing held"
// and how to close it:
//   using Type = ...;                   the raw value (a handle, a pointer, a small struct)
//   static Type Empty();                what an empty owner holds
//   static bool IsEmpty(Type value);    true for every value that holds nothing
//   static void Close(Type value);      gives a non-empty value back
// Closing keeps the thread's last-error code, so an owner that goes out of scope between a
// failing call and the caller's GetLastError does not change what the caller reads.
#include <windows.h>
#include <utility>

template <class Traits>
class UniqueAny {
public:
    using Type = typename Traits::Type;

    UniqueAny() = default;
    explicit UniqueAny(Type value) noexcept : value_(Normal(value)) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.Detach()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }
    ~UniqueAny() { Reset(); }

    Type Get() const noexcept { return value_; }
    // For an out parameter: closes what is held, then lends the storage to be filled.
    Type* Put() noexcept {
        Reset();
        return &value_;
    }
    // Closes what is held and takes over `value` (nothing, unless given).
    void Reset(Type value = Traits::Empty()) noexcept {
        const Type old = std::exchange(value_, Normal(value));
        if (!Traits::IsEmpty(old)) CloseKeepingError(old);
    }
    // Hands the value over to the caller, who closes it.
    Type Detach() noexcept { return std::exchange(value_, Traits::Empty()); }
    explicit operator bool() const noexcept { return !Traits::IsEmpty(value_); }

private:
    static Type Normal(Type value) noexcept { return Traits::IsEmpty(value) ? Traits::Empty() : value; }
    static void CloseKeepingError(Type value) noexcept {
        const DWORD error = GetLastError();
        Traits::Close(value);
        SetLastError(error);
    }

    Type value_ = Traits::Empty();
};

// Traits of a value that is empty when null and given back by one call.
template <class T, auto CloseFunction>
struct NullIsEmpty {
    using Type = T;
    static constexpr Type Empty() { return nullptr; }
    static bool IsEmpty(Type value) { return value == nullptr; }
    static void Close(Type value) { CloseFunction(value); }
};
