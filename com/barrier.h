#pragma once
// The one exception barrier of every COM method and export: no C++ exception leaves them;
// std::bad_alloc becomes E_OUTOFMEMORY, anything else E_UNEXPECTED. Exceptions cost nothing
// until one is thrown, so the barrier is free on the normal path.
#include <windows.h>
#include <oleauto.h>
#include <new>

// The HRESULT for the exception being handled; call it inside a catch block only.
inline HRESULT CaughtExceptionResult() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// For methods that leave the thread's error info alone: IUnknown, ISupportErrorInfo and
// the type info calls (a client asks them between a failure and GetErrorInfo), the class
// factory, the enumerator and the exports.
template <class Body>
HRESULT Barrier(Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return CaughtExceptionResult();
    }
}

// For the members of the automation interfaces. The thread's error info belongs to the call:
// cleared on entry, so a failure reports only what was set during this call; cleared on
// success, so a failure the member swallowed leaves nothing behind; cleared when an exception
// is turned into an HRESULT, since whatever was set then describes something else. A failure
// keeps its error info, also through members that call other members.
template <class Body>
HRESULT MemberBarrier(Body body) noexcept {
    SetErrorInfo(0, nullptr);
    try {
        HRESULT hr = body();
        if (SUCCEEDED(hr)) SetErrorInfo(0, nullptr);
        return hr;
    } catch (...) {
        SetErrorInfo(0, nullptr);
        return CaughtExceptionResult();
    }
}

// Impl with every member of Interface overridden (final) to call Impl's own inside
// MemberBarrier. Specialisations are generated from the interface definitions; objects are
// created only as this class (DispatchObject::Create), so clients reach guarded members only.
template <class Impl, class Interface>
class Guarded;

// The dual interface Interface derives from; specialised with the guarded classes for an
// interface derived from another dual one.
template <class Interface>
struct DualBase {
    using Type = IDispatch;
};
