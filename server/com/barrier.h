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

// For IUnknown, ISupportErrorInfo, the type info calls, the class factory, the enumerator
// and the exports.
template <class Body>
HRESULT Barrier(Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return CaughtExceptionResult();
    }
}

// For the members of the automation interfaces.
template <class Body>
HRESULT MemberBarrier(Body body) noexcept {
    return Barrier(body);
}

// Impl with every member of Interface overridden (final) to call Impl's own inside
// MemberBarrier. Specialisations are generated from the interface definitions; objects are
// created only as this class (DispatchObject::Create), so clients reach guarded members only.
template <class Impl, class Interface>
class Guarded;
