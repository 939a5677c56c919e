#pragma once
// Random automation values for the dispatch fuzzer: every variant type a client can send,
// and, for the parameters that decide where the registry is written, values that keep every
// write inside the scratch keys.
#include <windows.h>
#include <oaidl.h>
#include <cstdint>
#include <deque>
#include <string>
#include "com/variant.h"

// A deterministic random source (splitmix64): one per call, made from the seed and the call's index.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(Next() % n) : 0; }
    bool OneIn(uint32_t n) { return Below(n) == 0; }
    template <class T, size_t N>
    const T& Pick(const T (&items)[N]) { return items[Below(N)]; }

private:
    uint64_t state_;
};

// The objects values refer to; they live as long as a child process's run.
struct FuzzObjects {
    IDispatch* good = nullptr;       // answers every property
    IDispatch* failing = nullptr;    // every property fails
    IDispatch* wrongType = nullptr;  // every property holds a value that converts to nothing
    IUnknown* unknownOnly = nullptr;
    IDispatch* facade = nullptr;  // the server's own objects
    IDispatch* snapshot = nullptr;
    IDispatch* collection = nullptr;
    IDispatch* font = nullptr;  // a standard font object
    HWND list = nullptr;        // windows of the fuzzer's own: a list view and a plain child window
    HWND form = nullptr;
};

// The scratch keys, below HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE (in both views): the
// facade's and the settings store's (where a scratch application title puts its settings).
extern const wchar_t kScratchKey[];
extern const wchar_t kScratchSettingsKey[];
// The scratch folder, in the temporary folder, of the files the facade writes and reads.
std::wstring ScratchFolder();

// How far a call's key paths reach: it is no facade's; the scratch key and below it; only
// below it (what a copy copies and a rename renames, so that the scratch key itself is never
// renamed away, nor copied through the other root into a copy of itself).
enum class KeyReach { kNotFacade, kScratch, kBelowScratch };

// Makes the values of one call; what the references it hands out point at lives as long as it.
class ValueMaker {
public:
    ValueMaker(Rng* rng, const FuzzObjects* objects) : rng_(*rng), objects_(*objects) {}
    ValueMaker(const ValueMaker&) = delete;
    ValueMaker& operator=(const ValueMaker&) = delete;

    // A value, possibly by reference, for the parameter of that name and type (out is Empty):
    // as often one of that type as any value at all.
    void ForParameter(const std::wstring& name, VARTYPE type, KeyReach reach, VARIANT* out);
    // A property's value as the good object returns it.
    void Property(const wchar_t* name, VARIANT* out);
    // A value no conversion turns into text, a number or anything with a default value.
    void Inert(VARIANT* out);
    Rng& Random() { return rng_; }
    // Whether a value handed out was a chain of references to Variants (every call refuses one).
    bool Chained() const { return chained_; }

private:
    void Typed(VARTYPE type, VARIANT* out);
    void Plain(VARIANT* out, int depth);
    void Element(VARTYPE vt, VARIANT* out, int depth);
    void Number(VARIANT* out);
    void Object(VARIANT* out);
    void Array(VARIANT* out, int depth);
    void Text(VARIANT* out, const std::wstring& text);
    std::wstring RandomText();
    void MaybeByRef(VARIANT* out);
    void Chain(VARIANT* out);
    void ScratchRoot(VARIANT* out);
    void ScratchText(const std::wstring& prefix, bool below, VARIANT* out);
    void ScratchFile(VARIANT* out);
    void SmallNumber(const long* choices, size_t count, VARIANT* out);

    Rng& rng_;
    const FuzzObjects& objects_;
    std::deque<Variant> held_;  // targets of references
    bool chained_ = false;
};
