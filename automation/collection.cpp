#include "automation/collection.h"
#include "com/error_info.h"
#include "com/unknown_object.h"
#include "com/variant_util.h"

namespace {

// Enumerates a collection's items in order; holds the collection alive.
class CollectionEnum final : public UnknownObject<IEnumVARIANT> {
public:
    CollectionEnum(ComPtr<Collection> owner, size_t pos) : owner_(std::move(owner)), pos_(pos) {
        module::ObjectCreated();
    }

    STDMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        return Barrier([&] {
            if (!out) return E_POINTER;
            ULONG n = 0;
            for (; n < count && pos_ < owner_->Size(); ++n, ++pos_) {
                VariantInit(&out[n]);
                HRESULT hr = VariantCopy(&out[n], const_cast<VARIANT*>(owner_->At(pos_)));
                if (FAILED(hr)) {
                    for (ULONG i = 0; i < n; ++i) VariantClear(&out[i]);
                    if (fetched) *fetched = 0;
                    return hr;
                }
            }
            if (fetched) *fetched = n;
            return n == count ? S_OK : S_FALSE;
        });
    }
    STDMETHODIMP Skip(ULONG count) override {
        return Barrier([&] {
            size_t left = owner_->Size() - pos_;
            if (count > left) {
                pos_ = owner_->Size();
                return S_FALSE;
            }
            pos_ += count;
            return S_OK;
        });
    }
    STDMETHODIMP Reset() override {
        return Barrier([&] {
            pos_ = 0;
            return S_OK;
        });
    }
    STDMETHODIMP Clone(IEnumVARIANT** out) override {
        return Barrier([&] {
            if (!out) return E_POINTER;
            *out = new (std::nothrow) CollectionEnum(owner_, pos_);
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }

private:
    ~CollectionEnum() override { module::ObjectDestroyed(); }
    ComPtr<Collection> owner_;
    size_t pos_;
};

}  // namespace

HRESULT Collection::AddObject(IDispatch* item) {
    Variant v;
    V_VT(v.Get()) = VT_DISPATCH;
    V_DISPATCH(v.Get()) = item;
    if (item) item->AddRef();
    items_.push_back(std::move(v));  // a failure releases the reference again
    return S_OK;
}

STDMETHODIMP Collection::Item(VARIANT* index, VARIANT* result) {
    if (!result) return E_POINTER;
    VariantInit(result);
    Variant i;
    const VARIANT* v = DerefVariant(index);
    if (!v || FAILED(VariantChangeType(i.Get(), const_cast<VARIANT*>(v), 0, VT_I4)))
        return ReportError(DISP_E_TYPEMISMATCH, IID__Collection, L"Collection index must be a number.");
    LONG n = V_I4(i.Get());
    if (n < 1 || static_cast<size_t>(n) > items_.size())
        return ReportError(DISP_E_BADINDEX, IID__Collection, L"Collection index out of range.");
    return VariantCopy(result, items_[static_cast<size_t>(n) - 1].Get());
}

STDMETHODIMP Collection::Add(VARIANT* item) {
    const VARIANT* v = DerefVariant(item);
    if (!v || (V_VT(v) != VT_DISPATCH && V_VT(v) != VT_UNKNOWN))
        return ReportError(DISP_E_TYPEMISMATCH, IID__Collection, L"Only object references can be added.");
    ComPtr<IDispatch> disp;
    if (V_UNKNOWN(v)) {
        HRESULT hr = QueryTo(V_UNKNOWN(v), &disp);
        if (FAILED(hr)) return ReportError(DISP_E_TYPEMISMATCH, IID__Collection, L"Only automation objects can be added.");
    }
    return AddObject(disp.Get());
}

STDMETHODIMP Collection::Count(long* result) {
    if (!result) return E_POINTER;
    *result = static_cast<long>(items_.size());
    return S_OK;
}

STDMETHODIMP Collection::_NewEnum(IUnknown** result) {
    if (!result) return E_POINTER;
    *result = new (std::nothrow) CollectionEnum(ComPtr<Collection>(this), 0);
    return *result ? S_OK : E_OUTOFMEMORY;
}
