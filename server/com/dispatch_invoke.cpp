#include "com/dispatch_invoke.h"
#include "com/com_ptr.h"
#include <oleauto.h>
#include <vector>

namespace {

// Releases a FUNCDESC when it goes out of scope.
class FuncDescGuard {
public:
    FuncDescGuard(ITypeInfo* info, FUNCDESC* fd) : info_(info), fd_(fd) {}
    FuncDescGuard(const FuncDescGuard&) = delete;
    FuncDescGuard& operator=(const FuncDescGuard&) = delete;
    ~FuncDescGuard() { if (fd_) info_->ReleaseFuncDesc(fd_); }
    FUNCDESC* Get() const { return fd_; }

private:
    ITypeInfo* info_;
    FUNCDESC* fd_;
};

FUNCDESC* FindFunction(ITypeInfo* info, DISPID id, WORD flags) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return nullptr;
    WORD count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (WORD i = 0; i < count; ++i) {
        FUNCDESC* fd = nullptr;
        if (FAILED(info->GetFuncDesc(i, &fd))) continue;
        if (fd->memid == id && (fd->invkind & flags)) return fd;
        info->ReleaseFuncDesc(fd);
    }
    return nullptr;
}

// The variant type a TYPEDESC stands for; enumerations are Longs, interfaces dispatch pointers.
VARTYPE ValueType(ITypeInfo* info, const TYPEDESC& td) {
    if (td.vt == VT_USERDEFINED) {
        ComPtr<ITypeInfo> ref;
        if (FAILED(info->GetRefTypeInfo(td.hreftype, ref.Put()))) return VT_EMPTY;
        TYPEATTR* attr = nullptr;
        if (FAILED(ref->GetTypeAttr(&attr))) return VT_EMPTY;
        VARTYPE vt = VT_EMPTY;
        switch (attr->typekind) {
        case TKIND_ENUM: vt = VT_I4; break;
        case TKIND_DISPATCH: vt = VT_DISPATCH; break;
        case TKIND_INTERFACE: vt = (attr->wTypeFlags & TYPEFLAG_FDUAL) ? VT_DISPATCH : VT_UNKNOWN; break;
        case TKIND_ALIAS: vt = ValueType(ref.Get(), attr->tdescAlias); break;
        default: break;
        }
        ref->ReleaseTypeAttr(attr);
        return vt;
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

bool IsMissing(const VARIANT* v) {
    return !v || (V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND);
}

VARIANT* Deref(VARIANT* v) {
    while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
    return v;
}

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

// The value an omitted optional parameter takes: its declared default, or zero.
HRESULT DefaultValue(const ELEMDESC& ed, VARTYPE vt, VARIANT* out) {
    VariantInit(out);
    const PARAMDESC& pd = ed.paramdesc;
    if (vt != VT_DISPATCH && vt != VT_UNKNOWN && (pd.wParamFlags & PARAMFLAG_FHASDEFAULT) && pd.pparamdescex) {
        HRESULT hr = VariantCopy(out, &pd.pparamdescex->varDefaultValue);
        if (FAILED(hr)) return hr;
        return ConvertInPlace(out, vt);
    }
    if (vt == VT_BSTR) {
        V_VT(out) = VT_BSTR;
        V_BSTR(out) = SysAllocString(L"");
        return V_BSTR(out) ? S_OK : E_OUTOFMEMORY;
    }
    V_VT(out) = vt;
    V_I8(out) = 0;  // clears the whole value union
    return S_OK;
}

void PointAt(VARIANT* arg, VARTYPE vt, VARIANT* storage) {
    VariantInit(arg);
    V_VT(arg) = VT_BYREF | vt;
    V_BYREF(arg) = &V_I8(storage);  // every union member starts at the same address
}

}  // namespace

HRESULT InvokeThroughTypeInfo(ITypeInfo* info, void* instance, DISPID id, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    // Property puts and named arguments go through unchanged.
    if (params->cNamedArgs > 0 || (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)))
        return info->Invoke(instance, id, flags, params, result, excep, argErr);

    FuncDescGuard fd(info, FindFunction(info, id, flags));
    if (!fd.Get()) return info->Invoke(instance, id, flags, params, result, excep, argErr);

    UINT declared = static_cast<UINT>(fd.Get()->cParams);
    if (declared > 0 && (fd.Get()->lprgelemdescParam[declared - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL))
        --declared;
    if (params->cArgs > declared) return DISP_E_BADPARAMCOUNT;

    std::vector<VARIANT> args(declared);     // in DISPPARAMS order: last parameter first
    std::vector<VARIANT> storage(declared);  // values we own: defaults and converted copies
    for (auto& v : storage) VariantInit(&v);
    auto release = [&storage] { for (auto& v : storage) VariantClear(&v); };

    for (UINT i = 0; i < declared; ++i) {
        const ELEMDESC& ed = fd.Get()->lprgelemdescParam[i];
        ParamType type = ResolveParam(info, ed.tdesc);
        VARIANT* arg = &args[declared - 1 - i];
        VARIANT* given = i < params->cArgs ? &params->rgvarg[params->cArgs - 1 - i] : nullptr;
        UINT callerIndex = params->cArgs - 1 - i;

        if (type.vt == VT_VARIANT && type.byRef) {
            if (IsMissing(given)) {
                V_VT(&storage[i]) = VT_ERROR;
                V_ERROR(&storage[i]) = DISP_E_PARAMNOTFOUND;
                given = &storage[i];
            }
            VariantInit(arg);
            V_VT(arg) = VT_BYREF | VT_VARIANT;
            V_VARIANTREF(arg) = V_VT(given) == (VT_BYREF | VT_VARIANT) ? V_VARIANTREF(given) : given;
            continue;
        }
        if (type.vt == VT_VARIANT) {
            if (IsMissing(given)) {
                VariantInit(arg);
                V_VT(arg) = VT_ERROR;
                V_ERROR(arg) = DISP_E_PARAMNOTFOUND;
            } else {
                *arg = *given;  // shallow: the caller keeps ownership
            }
            continue;
        }
        if (IsMissing(given)) {
            if (!(ed.paramdesc.wParamFlags & PARAMFLAG_FOPT)) {
                release();
                if (argErr) *argErr = given ? callerIndex : 0;
                return given ? DISP_E_TYPEMISMATCH : DISP_E_PARAMNOTOPTIONAL;
            }
            HRESULT hr = DefaultValue(ed, type.vt, &storage[i]);
            if (FAILED(hr)) { release(); return hr; }
            if (type.byRef) PointAt(arg, type.vt, &storage[i]);
            else *arg = storage[i];
            continue;
        }
        if (!type.byRef) {
            VARIANT* value = Deref(given);
            if (V_VT(value) == type.vt) { *arg = *value; continue; }
            HRESULT hr = VariantCopy(&storage[i], value);
            if (SUCCEEDED(hr)) hr = ConvertInPlace(&storage[i], type.vt);
            if (FAILED(hr)) {
                release();
                if (argErr) *argErr = callerIndex;
                return DISP_E_TYPEMISMATCH;
            }
            *arg = storage[i];
            continue;
        }
        if (V_VT(given) == (VT_BYREF | type.vt)) { *arg = *given; continue; }
        if (V_VT(given) == (VT_BYREF | VT_VARIANT)) {
            // The caller's own variable: convert it and let the member write into it.
            VARIANT* target = Deref(given);
            if (FAILED(ConvertInPlace(target, type.vt))) {
                release();
                if (argErr) *argErr = callerIndex;
                return DISP_E_TYPEMISMATCH;
            }
            PointAt(arg, type.vt, target);
            continue;
        }
        // A value (a literal) for a by-reference parameter: the member works on a copy.
        HRESULT hr = VariantCopy(&storage[i], given);
        if (SUCCEEDED(hr)) hr = ConvertInPlace(&storage[i], type.vt);
        if (FAILED(hr)) {
            release();
            if (argErr) *argErr = callerIndex;
            return DISP_E_TYPEMISMATCH;
        }
        PointAt(arg, type.vt, &storage[i]);
    }

    DISPPARAMS full = {args.empty() ? nullptr : args.data(), nullptr, declared, 0};
    UINT err = 0;
    HRESULT hr = info->Invoke(instance, id, flags, &full, result, excep, &err);
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) {
        // err indexes our array; map it back to the caller's.
        UINT param = declared - 1 - err;
        if (argErr) *argErr = param < params->cArgs ? params->cArgs - 1 - param : 0;
    }
    release();
    return hr;
}
