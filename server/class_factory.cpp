#include "server/class_table.h"
#include "com/barrier.h"
#include "com/module_count.h"
#include "com/unknown_object.h"
#include "server/exports.h"
#include "registry/registry2.h"
#include "registry/registry3.h"
#include "settings/settings2.h"
#include "automation/tarnwell_idl.h"
#include <new>

namespace {

const CreatableClass g_classes[] = {
    {&CLSID_zbnRegistry2, L"zbnRegistry2", &Registry2::CreateInstance},
    {&CLSID_zbnRegistry3, L"zbnRegistry3", &Registry3::CreateInstance},
    {&CLSID_zbnZerbaneSettings2, L"zbnZerbaneSettings2", &CreateSettings2},
};

// One factory object per request; it counts as a live object of the module.
class ClassFactory final : public UnknownObject<IClassFactory> {
public:
    explicit ClassFactory(const CreatableClass& cls) : cls_(cls) { module::ObjectCreated(); }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        return Barrier([&] {
            if (!ppv) return E_POINTER;
            *ppv = nullptr;
            if (outer) return CLASS_E_NOAGGREGATION;
            return cls_.create(riid, ppv);
        });
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        return Barrier([&] {
            if (lock) module::Lock();
            else module::Unlock();
            return S_OK;
        });
    }

private:
    ~ClassFactory() override { module::ObjectDestroyed(); }
    const CreatableClass& cls_;
};

}  // namespace

const CreatableClass* CreatableClasses(size_t* count) {
    *count = sizeof(g_classes) / sizeof(g_classes[0]);
    return g_classes;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    return Barrier([&] {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        size_t count = 0;
        const CreatableClass* classes = CreatableClasses(&count);
        for (size_t i = 0; i < count; ++i) {
            if (!IsEqualCLSID(clsid, *classes[i].clsid)) continue;
            ClassFactory* factory = new (std::nothrow) ClassFactory(classes[i]);
            if (!factory) return E_OUTOFMEMORY;
            HRESULT hr = factory->QueryInterface(riid, ppv);
            factory->Release();
            return hr;
        }
        return CLASS_E_CLASSNOTAVAILABLE;
    });
}

STDAPI DllCanUnloadNow() {
    return Barrier([] { return module::CanUnload() ? S_OK : S_FALSE; });
}
