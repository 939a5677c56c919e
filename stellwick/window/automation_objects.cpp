#include "stellwick/window/automation_objects.h"
#include "com/unknown_object.h"
#include "com/variant.h"
#include "stellwick/window/list_view.h"
#include <new>
#include <utility>
#include <vector>

namespace {

// An IDispatch with named read-only properties; DISPID n is property n - 1.
class PropertyObject final : public UnknownObject<IDispatch> {
public:
    void Add(const wchar_t* name, Variant value) { props_.emplace_back(name, std::move(value)); }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (size_t p = 0; p < props_.size() && i == 0; ++p)
                if (lstrcmpiW(names[i], props_[p].first.c_str()) == 0) ids[i] = static_cast<DISPID>(p + 1);
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (id < 1 || static_cast<size_t>(id) > props_.size()) return DISP_E_MEMBERNOTFOUND;
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (params && params->cArgs > 0) return DISP_E_BADPARAMCOUNT;
        if (!result) return S_OK;
        return props_[static_cast<size_t>(id) - 1].second.CopyTo(result);
    }

private:
    ~PropertyObject() override = default;
    std::vector<std::pair<std::wstring, Variant>> props_;
};

// A window handle as the 32-bit number automation clients expect (handles need 32 bits).
Variant Handle(HWND hwnd) { return Variant::Long(static_cast<LONG>(reinterpret_cast<intptr_t>(hwnd))); }

ComPtr<IDispatch> Wrap(PropertyObject* object) { return ComPtr<IDispatch>::Attach(object); }

}  // namespace

ComPtr<IDispatch> MakeAppObject() {
    auto* app = new (std::nothrow) PropertyObject;
    if (!app) return {};
    app->Add(L"Title", Variant::Text(L"Zerbane - Stellwick"));
    app->Add(L"Major", Variant::Long(1));
    app->Add(L"Minor", Variant::Long(1));
    return Wrap(app);
}

ComPtr<IDispatch> MakeWindowObject(HWND window, const std::wstring& name) {
    auto* form = new (std::nothrow) PropertyObject;
    if (!form) return {};
    form->Add(L"hWnd", Handle(window));
    form->Add(L"Name", Variant::Text(name));
    return Wrap(form);
}

ComPtr<IDispatch> MakeListViewObject(const ListView& list, const std::wstring& name) {
    auto* headers = new (std::nothrow) PropertyObject;
    auto* lv = new (std::nothrow) PropertyObject;
    if (!headers || !lv) {
        if (headers) headers->Release();
        if (lv) lv->Release();
        return {};
    }
    headers->Add(L"Count", Variant::Long(list.ColumnCount()));
    ComPtr<IDispatch> headersRef = Wrap(headers);
    Variant headersValue;
    V_VT(headersValue.Get()) = VT_DISPATCH;
    V_DISPATCH(headersValue.Get()) = headersRef.CopyOut();
    lv->Add(L"hWnd", Handle(list.Handle()));
    lv->Add(L"Name", Variant::Text(name));
    lv->Add(L"ColumnHeaders", std::move(headersValue));
    return Wrap(lv);
}
