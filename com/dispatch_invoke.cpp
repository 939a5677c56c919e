#include "com/dispatch_invoke.h"
#include "com/com_ptr.h"
#include "com/type_desc.h"
#include "com/variant.h"
#include "com/variant_util.h"
#include <oleauto.h>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace {

const WORD kPutFlags = DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;

bool IsPut(WORD flags) { return (flags & kPutFlags) != 0; }

// The kinds of accessor a call may reach: a put only a put accessor, anything else a method
// or a get accessor.
WORD KindsOf(WORD flags) {
    return IsPut(flags) ? (flags & kPutFlags) : (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET));
}

// The member's description for those kinds. Restricted members are not callable by name.
FUNCDESC* FindFunction(ITypeInfo* info, DISPID id, WORD kinds) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return nullptr;
    const WORD count = HeldTypeAttr(info, attr)->cFuncs;
    for (WORD i = 0; i < count; ++i) {
        FUNCDESC* raw = nullptr;
        if (FAILED(info->GetFuncDesc(i, &raw))) continue;
        HeldFuncDesc fd(info, raw);
        bool restricted = (fd->wFuncFlags & FUNCFLAG_FRESTRICTED) && fd->memid >= 0;
        if (fd->memid == id && (fd->invkind & kinds) && !restricted) return fd.Detach();
    }
    return nullptr;
}

// The variant type a TYPEDESC stands for; enumerations are Longs, interfaces dispatch pointers.
VARTYPE ValueType(ITypeInfo* info, const TYPEDESC& td) {
    if (td.vt == VT_USERDEFINED) {
        ComPtr<ITypeInfo> ref;
        if (FAILED(info->GetRefTypeInfo(td.hreftype, ref.Put()))) return VT_EMPTY;
        TYPEATTR* raw = nullptr;
        if (FAILED(ref->GetTypeAttr(&raw))) return VT_EMPTY;
        HeldTypeAttr attr(ref.Get(), raw);
        switch (attr->typekind) {
        case TKIND_ENUM: return VT_I4;
        case TKIND_DISPATCH: return VT_DISPATCH;
        case TKIND_INTERFACE: return (attr->wTypeFlags & TYPEFLAG_FDUAL) ? VT_DISPATCH : VT_UNKNOWN;
        case TKIND_ALIAS: return ValueType(ref.Get(), attr->tdescAlias);
        default: return VT_EMPTY;
        }
    }
    if (td.vt == VT_PTR && td.lptdesc->vt == VT_USERDEFINED) {
        VARTYPE inner = ValueType(info, *td.lptdesc);
        if (inner == VT_DISPATCH || inner == VT_UNKNOWN) return inner;  // an interface pointer
    }
    if (td.vt == VT_SAFEARRAY) return VT_ARRAY | td.lptdesc->vt;
    return td.vt;
}

struct ParamType {
    VARTYPE vt;   // value type of the parameter (of the pointee when by reference)
    bool byRef;   // a typed [in, out] pointer parameter
};

ParamType ResolveParam(ITypeInfo* info, const TYPEDESC& td) {
    VARTYPE direct = ValueType(info, td);
    if (td.vt == VT_PTR && direct == VT_PTR) return {ValueType(info, *td.lptdesc), true};
    return {direct, false};
}

// The parameters a caller passes: all but a trailing [out, retval] one.
UINT CallerParamCount(const FUNCDESC& fd) {
    UINT n = static_cast<UINT>(fd.cParams);
    if (n > 0 && (fd.lprgelemdescParam[n - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) --n;
    return n;
}

// A member as the binder uses it: its description and the types of the parameters a caller passes.
struct Member {
    const FUNCDESC* fd = nullptr;
    std::vector<ParamType> params;
};

struct MemberKey {
    ITypeInfo* info;
    DISPID id;
    WORD kinds;
    bool operator<(const MemberKey& o) const { return std::tie(info, id, kinds) < std::tie(o.info, o.id, o.kinds); }
};

std::mutex g_membersLock;
std::map<MemberKey, Member> g_members;

// The member a call reaches, or null. Looking a member up copies the description of every
// member before it, so each one found is kept, with a reference to its type info, for the life
// of the process (as the module keeps its type infos).
const Member* FindMember(ITypeInfo* info, DISPID id, WORD flags) {
    const WORD kinds = KindsOf(flags);
    if (!kinds) return nullptr;
    std::lock_guard<std::mutex> lock(g_membersLock);
    auto found = g_members.find({info, id, kinds});
    if (found != g_members.end()) return &found->second;
    HeldFuncDesc fd(info, FindFunction(info, id, kinds));
    if (!fd.Get()) return nullptr;
    Member member;
    for (UINT i = 0; i < CallerParamCount(*fd.Get()); ++i)
        member.params.push_back(ResolveParam(info, fd->lprgelemdescParam[i].tdesc));
    Member& kept = g_members.emplace(MemberKey{info, id, kinds}, std::move(member)).first->second;
    info->AddRef();
    kept.fd = fd.Detach();
    return &kept;
}

// One parameter's argument as the caller gave it.
struct Given {
    VARIANT* value = nullptr;  // null when the caller left it out
    UINT index = 0;            // its place in the caller's rgvarg
};

HRESULT RefuseArgument(HRESULT hr, UINT index, UINT* argErr) {
    if (argErr) *argErr = index;
    return hr;
}

// Matches the caller's arguments to parameters: positional ones from the first parameter on,
// a put's value (rgvarg[0], named DISPID_PROPERTYPUT or not) to the last one, and a named
// argument to the parameter whose position it names. An argument for no parameter, or a
// second one for the same parameter, is refused before anything is converted or called.
HRESULT MatchArguments(const DISPPARAMS& params, UINT declared, bool put, std::vector<Given>* out, UINT* argErr) {
    out->assign(declared, Given());
    UINT named = params.cNamedArgs;
    if (put) {
        if (named > 1 || (named == 1 && params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
            return RefuseArgument(DISP_E_PARAMNOTFOUND, 0, argErr);
        if (declared == 0) return DISP_E_BADPARAMCOUNT;
        named = params.cArgs > 0 ? 1 : 0;  // the value is never positional
        if (named) (*out)[declared - 1] = {&params.rgvarg[0], 0};
    }
    const UINT positional = params.cArgs - named;
    for (UINT k = 0; !put && k < named; ++k) {
        const DISPID id = params.rgdispidNamedArgs[k];
        const UINT param = static_cast<UINT>(id);
        if (id < 0 || param >= declared || param < positional || (*out)[param].value)
            return RefuseArgument(DISP_E_PARAMNOTFOUND, k, argErr);
        (*out)[param] = {&params.rgvarg[k], k};
    }
    if (positional > (put ? declared - 1 : declared)) return DISP_E_BADPARAMCOUNT;
    for (UINT i = 0; i < positional; ++i) (*out)[i] = {&params.rgvarg[params.cArgs - 1 - i], params.cArgs - 1 - i};
    return S_OK;
}

// A reference to a reference to a Variant, refused for any parameter before anything is
// bound: the runtime follows one level only, and a chain may lead back to itself.
HRESULT RefuseChains(const std::vector<Given>& given, UINT* argErr) {
    for (const Given& g : given)
        if (IsVariantChain(g.value)) return RefuseArgument(DISP_E_TYPEMISMATCH, g.index, argErr);
    return S_OK;
}

// The arguments handed to ITypeInfo::Invoke, in DISPPARAMS order (last parameter first).
// Each one owns its value: the runtime may swap an interface pointer in an argument for
// the one it asks the object for, and the one it leaves there is released here.
class Arguments {
public:
    explicit Arguments(UINT count) : items_(count) {}  // zero-filled: all Empty
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    ~Arguments() { for (VARIANT& v : items_) VariantClear(&v); }
    VARIANT* ForParam(UINT i) { return &items_[items_.size() - 1 - i]; }
    VARIANT* Data() { return items_.empty() ? nullptr : items_.data(); }
    UINT Count() const { return static_cast<UINT>(items_.size()); }

private:
    std::vector<VARIANT> items_;
};

// Converts a variant in place to vt; an Empty or Null becomes a null object for object types.
HRESULT ConvertInPlace(VARIANT* v, VARTYPE vt) {
    if (V_VT(v) == vt) return S_OK;
    if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && (V_VT(v) == VT_EMPTY || V_VT(v) == VT_NULL)) {
        V_VT(v) = vt;
        V_UNKNOWN(v) = nullptr;
        return S_OK;
    }
    return VariantChangeType(v, v, 0, vt);
}

// A copy of value converted to vt into an Empty out; DISP_E_TYPEMISMATCH when it does not convert.
HRESULT ConvertedCopy(const VARIANT* value, VARTYPE vt, VARIANT* out) {
    if (FAILED(VariantCopy(out, const_cast<VARIANT*>(value))) || FAILED(ConvertInPlace(out, vt)))
        return DISP_E_TYPEMISMATCH;
    return S_OK;
}

void PointAt(VARIANT* arg, VARTYPE vt, VARIANT* target) {
    V_VT(arg) = VT_BYREF | vt;
    V_BYREF(arg) = &V_I8(target);  // every union member starts at the same address
}

void SetMissing(VARIANT* v) {
    V_VT(v) = VT_ERROR;
    V_ERROR(v) = DISP_E_PARAMNOTFOUND;
}

// The value an omitted optional parameter takes: its declared default, or zero (a null
// object, an empty string).
HRESULT DefaultValue(const ELEMDESC& ed, VARTYPE vt, VARIANT* out) {
    const PARAMDESC& pd = ed.paramdesc;
    if (vt != VT_DISPATCH && vt != VT_UNKNOWN && (pd.wParamFlags & PARAMFLAG_FHASDEFAULT) && pd.pparamdescex) {
        HRESULT hr = VariantCopy(out, &pd.pparamdescex->varDefaultValue);
        return SUCCEEDED(hr) ? ConvertInPlace(out, vt) : hr;
    }
    if (vt == VT_BSTR) {
        V_BSTR(out) = SysAllocString(L"");
        if (!V_BSTR(out)) return E_OUTOFMEMORY;
        V_VT(out) = VT_BSTR;
        return S_OK;
    }
    V_VT(out) = vt;
    V_I8(out) = 0;  // clears the whole value union
    return S_OK;
}

VARIANT* Target(VARIANT* given) { return const_cast<VARIANT*>(DerefVariant(given)); }

// The binders: each turns one caller argument into the (Empty) argument the member receives,
// using storage for a value a by-reference argument points at.

// A VARIANT* parameter: the caller's own variable when it passed one, so the member can write into it.
HRESULT BindVariantByRef(VARIANT* given, Variant* storage, VARIANT* arg) {
    VARIANT* target = given;
    if (given && V_VT(given) == (VT_BYREF | VT_VARIANT)) {
        target = V_VARIANTREF(given);
    } else if (IsMissingArg(given)) {
        SetMissing(storage->Get());
        target = storage->Get();
    }
    V_VT(arg) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(arg) = target;
    return S_OK;
}

// A VARIANT parameter by value: a copy of the caller's value as it is.
HRESULT BindVariant(VARIANT* given, VARIANT* arg) {
    if (IsMissingArg(given)) {
        SetMissing(arg);
        return S_OK;
    }
    return SUCCEEDED(VariantCopy(arg, given)) ? S_OK : DISP_E_TYPEMISMATCH;
}

HRESULT BindOmitted(const ELEMDESC& ed, ParamType type, Variant* storage, VARIANT* arg) {
    if (!type.byRef) return DefaultValue(ed, type.vt, arg);
    HRESULT hr = DefaultValue(ed, type.vt, storage->Get());
    if (SUCCEEDED(hr)) PointAt(arg, type.vt, storage->Get());
    return hr;
}

// A value for a by-value parameter, read through any reference and converted when needed.
HRESULT BindValue(VARIANT* given, VARTYPE vt, VARIANT* arg) { return ConvertedCopy(Target(given), vt, arg); }

// The caller's variable for a by-reference parameter: converted in place, then written by the member.
HRESULT BindCallerVariable(VARIANT* given, VARTYPE vt, VARIANT* arg) {
    if (V_VT(given) == (VT_BYREF | vt)) {
        *arg = *given;  // a reference owns nothing
        return S_OK;
    }
    VARIANT* target = Target(given);
    if (FAILED(ConvertInPlace(target, vt))) return DISP_E_TYPEMISMATCH;
    PointAt(arg, vt, target);
    return S_OK;
}

// A literal for a by-reference parameter: the member works on a converted copy.
HRESULT BindLiteralByRef(VARIANT* given, VARTYPE vt, Variant* storage, VARIANT* arg) {
    HRESULT hr = ConvertedCopy(given, vt, storage->Get());
    if (SUCCEEDED(hr)) PointAt(arg, vt, storage->Get());
    return hr;
}

// A reference that ends in a null pointer.
bool RefersToNothing(const VARIANT* given) {
    const VARIANT* end = DerefVariant(given);
    return end && (V_VT(end) & VT_BYREF) && !V_BYREF(end);
}

HRESULT BindParam(const ELEMDESC& ed, ParamType type, VARIANT* given, Variant* storage, VARIANT* arg) {
    if (RefersToNothing(given)) return DISP_E_TYPEMISMATCH;
    if (type.vt == VT_VARIANT) return type.byRef ? BindVariantByRef(given, storage, arg) : BindVariant(given, arg);
    if (IsMissingArg(given)) {
        if (ed.paramdesc.wParamFlags & PARAMFLAG_FOPT) return BindOmitted(ed, type, storage, arg);
        return given ? DISP_E_TYPEMISMATCH : DISP_E_PARAMNOTOPTIONAL;
    }
    if (!type.byRef) return BindValue(given, type.vt, arg);
    if (V_VT(given) == (VT_BYREF | type.vt) || V_VT(given) == (VT_BYREF | VT_VARIANT))
        return BindCallerVariable(given, type.vt, arg);
    return BindLiteralByRef(given, type.vt, storage, arg);
}

// Calls the member with every parameter bound, positionally (a put's value named, as the
// runtime requires); the runtime's argument index is mapped back to the caller's.
HRESULT CallBound(ITypeInfo* info, void* instance, const FUNCDESC& fd, Arguments& args,
                  const std::vector<Given>& given, VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    DISPID putName = DISPID_PROPERTYPUT;
    const bool put = IsPut(static_cast<WORD>(fd.invkind));
    DISPPARAMS full = {args.Data(), put ? &putName : nullptr, args.Count(), put ? 1u : 0u};
    UINT err = 0;
    HRESULT hr = info->Invoke(instance, fd.memid, static_cast<WORD>(fd.invkind), &full, result, excep, &err);
    if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argErr && err < args.Count()) {
        const Given& g = given[args.Count() - 1 - err];
        *argErr = g.value ? g.index : 0;
    }
    return hr;
}

HRESULT Invoke(ITypeInfo* info, void* instance, DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result,
               EXCEPINFO* excep, UINT* argErr) {
    const Member* member = FindMember(info, id, flags);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    const FUNCDESC& fd = *member->fd;
    const UINT declared = static_cast<UINT>(member->params.size());
    std::vector<Given> given;
    HRESULT hr = MatchArguments(params, declared, IsPut(flags), &given, argErr);
    if (SUCCEEDED(hr)) hr = RefuseChains(given, argErr);
    if (FAILED(hr)) return hr;

    Arguments args(declared);
    std::vector<Variant> storage(declared);  // what by-reference arguments point at
    for (UINT i = 0; i < declared; ++i) {
        hr = BindParam(fd.lprgelemdescParam[i], member->params[i], given[i].value, &storage[i], args.ForParam(i));
        if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTOPTIONAL)
            return RefuseArgument(hr, given[i].value ? given[i].index : 0, argErr);
        if (FAILED(hr)) return hr;
    }
    return CallBound(info, instance, fd, args, given, result, excep, argErr);
}

}  // namespace

HRESULT InvokeThroughTypeInfo(ITypeInfo* info, void* instance, DISPID id, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    if (params->cNamedArgs > params->cArgs || (params->cArgs > 0 && !params->rgvarg) ||
        (params->cNamedArgs > 0 && !params->rgdispidNamedArgs))
        return E_INVALIDARG;
    return Invoke(info, instance, id, flags, *params, result, excep, argErr);
}
