#pragma once
// The ordered list of object references the listings return: 1-based Item, Count,
// For Each. Filled only by the library (Add), in order.
#include "com/dispatch_object.h"
#include "com/variant.h"
#include "automation/tarnwell_idl.h"
#include <vector>

class Collection : public DispatchObject<Collection, _Collection> {
public:
    // Appends an object reference (a null one stays Nothing); std::bad_alloc when out of memory.
    HRESULT AddObject(IDispatch* item);
    // Room for n more items, so a listing of known length fills without moving them.
    void Reserve(size_t n) { items_.reserve(items_.size() + n); }
    size_t Size() const { return items_.size(); }
    const VARIANT* At(size_t i) const { return items_[i].Get(); }

    STDMETHODIMP Item(VARIANT* index, VARIANT* result) override;
    STDMETHODIMP Add(VARIANT* item) override;
    STDMETHODIMP Count(long* result) override;
    STDMETHODIMP _NewEnum(IUnknown** result) override;

protected:
    Collection() = default;

private:
    std::vector<Variant> items_;
};
