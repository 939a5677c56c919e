#pragma once
// Owns a description that a type library or a type info hands out (TLIBATTR, TYPEATTR,
// FUNCDESC, VARDESC) and gives it back through the Release call that matches it.
#include <windows.h>
#include <oaidl.h>
#include <utility>

template <class Owner, class Desc, void (STDMETHODCALLTYPE Owner::*Release)(Desc*)>
class HeldDesc {
public:
    HeldDesc(Owner* owner, Desc* desc) : owner_(owner), desc_(desc) {}
    HeldDesc(const HeldDesc&) = delete;
    HeldDesc& operator=(const HeldDesc&) = delete;
    ~HeldDesc() { if (desc_) (owner_->*Release)(desc_); }
    Desc* Get() const { return desc_; }
    Desc* operator->() const { return desc_; }
    // Hands the description on to a caller, who gives it back.
    Desc* Detach() { return std::exchange(desc_, nullptr); }

private:
    Owner* owner_;
    Desc* desc_;
};

using HeldLibAttr = HeldDesc<ITypeLib, TLIBATTR, &ITypeLib::ReleaseTLibAttr>;
using HeldTypeAttr = HeldDesc<ITypeInfo, TYPEATTR, &ITypeInfo::ReleaseTypeAttr>;
using HeldFuncDesc = HeldDesc<ITypeInfo, FUNCDESC, &ITypeInfo::ReleaseFuncDesc>;
using HeldVarDesc = HeldDesc<ITypeInfo, VARDESC, &ITypeInfo::ReleaseVarDesc>;
