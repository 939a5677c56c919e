#pragma once
// Keeps C++ exceptions inside a COM method: the body's HRESULT, or E_OUTOFMEMORY when an
// allocation fails (a registry value or an argument of hundreds of megabytes, say).
#include <windows.h>
#include <new>

template <class Body>
HRESULT NoThrow(Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
