#pragma once
// IUnknown for a class that implements a single interface: QueryInterface answers for
// IUnknown and that interface, and the reference count starts at one, owned by the creator.
#include <windows.h>
#include <unknwn.h>
#include "com/barrier.h"

template <class Interface>
class UnknownObject : public Interface {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return Barrier([&] {
            if (!ppv) return E_POINTER;
            if (riid == IID_IUnknown || riid == __uuidof(Interface)) {
                *ppv = static_cast<Interface*>(this);
                AddRef();
                return S_OK;
            }
            *ppv = nullptr;
            return E_NOINTERFACE;
        });
    }
    // Counts only (and destroys, which cannot throw); they return counts, not HRESULTs.
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }

protected:
    UnknownObject() = default;
    virtual ~UnknownObject() = default;
    UnknownObject(const UnknownObject&) = delete;
    UnknownObject& operator=(const UnknownObject&) = delete;

private:
    LONG refs_ = 1;
};
