#pragma once
// Base of every automation class: IUnknown with a module-counted reference count,
// IDispatch forwarded to the cached ITypeInfo of the dual interface, ISupportErrorInfo; the
// object answers for the dual interfaces its own derives from too.
// Every method returns through the exception barrier; the interface's own members do so
// in Guarded<Derived, Interface>, the class every object is created as.
#include <windows.h>
#include <oaidl.h>
#include <new>
#include <type_traits>
#include "com/barrier.h"
#include "com/com_ptr.h"
#include "com/dispatch_invoke.h"
#include "com/module_count.h"
#include "com/type_library.h"

template <class Derived, class Interface>
class DispatchObject : public Interface, public ISupportErrorInfo {
public:
    // Creates an object with one reference owned by the returned pointer.
    template <class... Args>
    static HRESULT Create(ComPtr<Derived>* out, Args&&... args) {
        static_assert(!std::is_constructible<Derived, Args...>::value,
                      "an implementation class is made through Create only, so every object is guarded");
        Derived* p = new (std::nothrow) Guarded<Derived, Interface>(static_cast<Args&&>(args)...);
        if (!p) return E_OUTOFMEMORY;
        *out = ComPtr<Derived>::Attach(p);
        return S_OK;
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return Barrier([&] {
            if (!ppv) return E_POINTER;
            if (riid == IID_IUnknown || riid == IID_IDispatch || Implements<Interface>(riid)) {
                *ppv = static_cast<Interface*>(this);
            } else if (riid == IID_ISupportErrorInfo) {
                *ppv = static_cast<ISupportErrorInfo*>(this);
            } else {
                *ppv = nullptr;
                return E_NOINTERFACE;
            }
            AddRef();
            return S_OK;
        });
    }
    // Counts only (and destroys, which cannot throw); they return counts, not HRESULTs.
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete static_cast<Derived*>(this);
        return n;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        return Barrier([&] {
            if (!count) return E_POINTER;
            *count = 1;
            return S_OK;
        });
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        return Barrier([&] {
            if (!info) return E_POINTER;
            *info = nullptr;
            if (index != 0) return DISP_E_BADINDEX;
            return typelib::GetTypeInfo(__uuidof(Interface), info);
        });
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return Barrier([&] {
            ComPtr<ITypeInfo> info;
            HRESULT hr = typelib::GetTypeInfo(__uuidof(Interface), info.Put());
            if (FAILED(hr)) return hr;
            return info->GetIDsOfNames(names, count, ids);
        });
    }
    // A late-bound call is a call of a member: the members' barrier.
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        return MemberBarrier([&] {
            if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
            ComPtr<ITypeInfo> info;
            HRESULT hr = typelib::GetTypeInfo(__uuidof(Interface), info.Put());
            if (FAILED(hr)) return hr;
            return InvokeThroughTypeInfo(info.Get(), static_cast<Interface*>(this), id, flags, params, result, excep,
                                         argErr);
        });
    }

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
        return Barrier([&] { return Implements<Interface>(riid) ? S_OK : S_FALSE; });
    }

protected:
    DispatchObject() { module::ObjectCreated(); }
    virtual ~DispatchObject() { module::ObjectDestroyed(); }
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

private:
    // True for the interface and every dual interface it derives from.
    template <class I>
    static bool Implements(REFIID riid) {
        if (riid == __uuidof(I)) return true;
        using Base = typename DualBase<I>::Type;
        if constexpr (std::is_same<Base, IDispatch>::value) return false;
        else return Implements<Base>(riid);
    }

    LONG refs_ = 1;
};
