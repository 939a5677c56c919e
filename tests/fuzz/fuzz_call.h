#pragma once
// The calls of the dispatch fuzzer: every member of every interface of the library, found by
// name and called through IDispatch::Invoke with random flags and arguments, and the rules
// every answer must keep.
#include <windows.h>
#include <oaidl.h>
#include <cstdint>
#include <string>
#include <vector>
#include "com/com_ptr.h"
#include "tests/fuzz/fuzz_values.h"

// One way to call a member: a method, a get or a put, and how many arguments it takes.
struct Accessor {
    WORD kind;      // INVOKE_FUNC, INVOKE_PROPERTYGET, ...
    UINT declared;  // parameters a caller passes (without [out, retval])
};

struct Member {
    std::wstring name;
    DISPID id = DISPID_UNKNOWN;
    std::vector<std::wstring> params;  // names of the widest accessor's parameters
    std::vector<VARTYPE> types;        // and roughly their types (VT_DISPATCH: any object, by reference or not)
    std::vector<DISPID> paramIds;      // what GetIDsOfNames gives for them
    std::vector<Accessor> accessors;   // in the type library's order
};

struct Interface {
    const wchar_t* name;
    HRESULT (*make)(const FuzzObjects& objects, ComPtr<IDispatch>* out);  // a fresh object for each call
    std::vector<Member> members;
};

struct CallPlan;

class Fuzzer {
public:
    Fuzzer(uint64_t seed, const FuzzObjects& objects) : seed_(seed), objects_(objects) {}
    // Finds every member by name; fails when an interface cannot be described.
    HRESULT Load();
    // Runs call number `index`; false, with what went wrong, when an answer broke a rule.
    bool Run(uint64_t index, std::wstring* problem);

private:
    CallPlan Plan(Rng& rng) const;
    HRESULT Call(Rng& rng, const CallPlan& plan, bool* touched, bool* chained) const;

    uint64_t seed_;
    const FuzzObjects& objects_;
    std::vector<Interface> interfaces_;
};
