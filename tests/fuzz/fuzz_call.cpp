#include "tests/fuzz/fuzz_call.h"
#include "automation/collection.h"
#include "com/bstr.h"
#include "com/module_count.h"
#include "com/variant.h"
#include "tests/fuzz/fake_objects.h"
#include "com/handle_owners.h"
#include "registry/registry2.h"
#include "registry/registry3.h"
#include "registry/snapshots.h"
#include "settings/settings2.h"
#include <algorithm>

namespace {

const RegistryRoot2_Const kHkcu = static_cast<RegistryRoot2_Const>(0x80000001);
const WORD kPutFlags = DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;

template <class T>
HRESULT AsDispatch(HRESULT hr, const ComPtr<T>& object, ComPtr<IDispatch>* out) {
    return SUCCEEDED(hr) ? object.As(out) : hr;
}

HRESULT MakeRegistry(const FuzzObjects&, ComPtr<IDispatch>* out) {
    ComPtr<Registry2> r;
    return AsDispatch(Registry2::Make(&r), r, out);
}
HRESULT MakeRegistry3(const FuzzObjects&, ComPtr<IDispatch>* out) {
    ComPtr<Registry3> r;
    return AsDispatch(Registry3::Make(&r), r, out);
}
// A watch on the scratch key, made again first when a call deleted it.
HRESULT MakeWatch(const FuzzObjects&, ComPtr<IDispatch>* out) {
    ComPtr<Registry3> r;
    ComPtr<_RegWatch> w;
    UniqueHKey scratch;
    RegCreateKeyExW(HKEY_CURRENT_USER, kScratchKey, 0, nullptr, 0, KEY_READ, nullptr, scratch.Put(), nullptr);
    HRESULT hr = Registry3::Make(&r);
    if (SUCCEEDED(hr)) hr = r->Watch(kHkcu, Bstr(kScratchKey).Get(), VARIANT_TRUE, w.Put());
    return AsDispatch(SUCCEEDED(hr) && !w ? E_FAIL : hr, w, out);
}
HRESULT MakeSettings(const FuzzObjects&, ComPtr<IDispatch>* out) {
    ComPtr<Settings2> s;
    return AsDispatch(Settings2::Make(&s), s, out);
}
HRESULT MakeKey(const FuzzObjects&, ComPtr<IDispatch>* out) {
    ComPtr<RegKey> k;
    return AsDispatch(RegKey::Make(L"Key", kScratchKey, kHkcu, FILETIME{}, L"class", &k), k, out);
}
HRESULT MakeValue(const FuzzObjects&, ComPtr<IDispatch>* out) {
    ComPtr<RegValue> v;
    return AsDispatch(RegValue::Make(L"Value", kScratchKey, kHkcu, REG_SZ, Variant::Text(L"data").Get(), &v), v, out);
}
HRESULT MakeCollection(const FuzzObjects& objects, ComPtr<IDispatch>* out) {
    ComPtr<Collection> c;
    HRESULT hr = Collection::Create(&c);
    if (SUCCEEDED(hr)) hr = c->AddObject(objects.snapshot);
    return AsDispatch(hr, c, out);
}

// The arguments of one call in DISPPARAMS order; each owns its value.
class OwnedArgs {
public:
    explicit OwnedArgs(UINT count) : items_(count) {}
    OwnedArgs(const OwnedArgs&) = delete;
    OwnedArgs& operator=(const OwnedArgs&) = delete;
    ~OwnedArgs() { for (VARIANT& v : items_) VariantClear(&v); }
    VARIANT* At(UINT i) { return &items_[i]; }
    VARIANT* Data() { return items_.empty() ? nullptr : items_.data(); }

private:
    std::vector<VARIANT> items_;
};

class PropertySourceScope {
public:
    explicit PropertySourceScope(ValueMaker* values) { SetPropertySource(values); }
    PropertySourceScope(const PropertySourceScope&) = delete;
    PropertySourceScope& operator=(const PropertySourceScope&) = delete;
    ~PropertySourceScope() { SetPropertySource(nullptr); }
};

ULONG Refs(IUnknown* p) {
    p->AddRef();
    return p->Release();
}

// The reference counts of the argument objects: a call leaves them as it found them.
std::vector<ULONG> RefsOf(const FuzzObjects& o) {
    std::vector<ULONG> refs;
    for (IUnknown* p : std::initializer_list<IUnknown*>{o.good, o.failing, o.wrongType, o.unknownOnly, o.facade,
                                                         o.snapshot, o.collection, o.font})
        refs.push_back(p ? Refs(p) : 0);
    return refs;
}

// Roughly what a parameter takes: enumerations are Longs, interface pointers objects.
VARTYPE TypeOf(const TYPEDESC& td) {
    if (td.vt == VT_USERDEFINED) return VT_I4;
    if (td.vt != VT_PTR) return td.vt;
    const VARTYPE inner = td.lptdesc->vt;
    return inner == VT_PTR || inner == VT_USERDEFINED ? static_cast<VARTYPE>(VT_DISPATCH) : inner;
}

// The member's accessors and parameter names, merged over its FUNCDESCs (a get and a put share an id).
void Describe(ITypeInfo* info, const FUNCDESC& fd, std::vector<Member>* members) {
    BSTR names[32] = {};
    UINT count = 0;
    if (FAILED(info->GetNames(fd.memid, names, 32, &count)) || count == 0) return;
    UINT declared = static_cast<UINT>(fd.cParams);
    if (declared > 0 && (fd.lprgelemdescParam[declared - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) --declared;
    auto it = std::find_if(members->begin(), members->end(), [&](const Member& m) { return m.id == fd.memid; });
    if (it == members->end()) it = members->insert(members->end(), Member{Bstr::ToString(names[0]), fd.memid, {}, {}, {}, {}});
    it->accessors.push_back({static_cast<WORD>(fd.invkind), declared});
    for (size_t i = it->params.size(); i < declared; ++i) {
        it->params.push_back(i + 1 < count ? Bstr::ToString(names[i + 1]) : L"");
        it->types.push_back(TypeOf(fd.lprgelemdescParam[i].tdesc));
    }
    for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
}

// The member's id and its parameters' ids, by name, as a client finds them.
HRESULT Resolve(IDispatch* object, Member* m) {
    std::vector<LPOLESTR> names = {const_cast<LPOLESTR>(m->name.c_str())};
    for (const std::wstring& p : m->params) names.push_back(const_cast<LPOLESTR>(p.c_str()));
    std::vector<DISPID> ids(names.size());
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), LOCALE_USER_DEFAULT,
                                       ids.data());
    if (FAILED(hr)) {  // a put's value has no name a client can use: only the member's own
        for (size_t i = 1; i < ids.size(); ++i) ids[i] = static_cast<DISPID>(i - 1);
        hr = object->GetIDsOfNames(IID_NULL, names.data(), 1, LOCALE_USER_DEFAULT, ids.data());
    }
    m->id = ids[0];
    m->paramIds.assign(ids.begin() + 1, ids.end());
    return hr;
}

HRESULT Catalogue(IDispatch* object, std::vector<Member>* members) {
    ComPtr<ITypeInfo> info;
    TYPEATTR* attr = nullptr;
    HRESULT hr = object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put());
    if (SUCCEEDED(hr)) hr = info->GetTypeAttr(&attr);
    if (FAILED(hr)) return hr;
    const WORD funcs = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (WORD i = 0; i < funcs; ++i) {
        FUNCDESC* fd = nullptr;
        if (FAILED(info->GetFuncDesc(i, &fd))) return E_FAIL;
        if (!((fd->wFuncFlags & FUNCFLAG_FRESTRICTED) && fd->memid >= 0)) Describe(info.Get(), *fd, members);
        info->ReleaseFuncDesc(fd);
    }
    for (Member& m : *members)
        if (FAILED(hr = Resolve(object, &m))) return hr;
    return S_OK;
}

// What a call must be answered with when it is malformed: the kind of call has no accessor,
// or a named argument names no parameter of it (or one already given). S_OK: anything goes.
HRESULT Refusal(const Member* m, WORD flags, const std::vector<DISPID>& names, UINT positional) {
    const bool put = (flags & kPutFlags) != 0;
    const WORD kinds = put ? (flags & kPutFlags) : (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET));
    const Accessor* a = nullptr;
    for (size_t i = 0; m && !a && i < m->accessors.size(); ++i)
        if (m->accessors[i].kind & kinds) a = &m->accessors[i];
    if (!a) return DISP_E_MEMBERNOTFOUND;
    if (put) return names.size() > 1 || (names.size() == 1 && names[0] != DISPID_PROPERTYPUT) ? DISP_E_PARAMNOTFOUND : S_OK;
    std::vector<bool> used(a->declared);
    for (DISPID id : names) {
        if (id < 0 || static_cast<UINT>(id) >= a->declared || static_cast<UINT>(id) < positional || used[id])
            return DISP_E_PARAMNOTFOUND;
        used[id] = true;
    }
    return S_OK;
}

// A named argument: mostly a parameter not given yet, now and then one that is wrong.
DISPID NamedId(Rng& rng, const Member& m, UINT positional, const std::vector<DISPID>& names) {
    std::vector<DISPID> free;
    for (UINT p = positional; p < m.paramIds.size(); ++p)
        if (std::find(names.begin(), names.end(), m.paramIds[p]) == names.end()) free.push_back(m.paramIds[p]);
    switch (rng.Below(8)) {
    case 5: return DISPID_PROPERTYPUT;
    case 6: return rng.OneIn(2) ? static_cast<DISPID>(m.params.size() + rng.Below(4)) : -1 - static_cast<DISPID>(rng.Below(9));
    case 7:  // one given twice
        if (!names.empty()) return names[rng.Below(static_cast<uint32_t>(names.size()))];
        return positional > 0 ? static_cast<DISPID>(rng.Below(positional)) : 0;
    default: return free.empty() ? 99 : free[rng.Below(static_cast<uint32_t>(free.size()))];
    }
}

int ParamOf(const Member* m, DISPID id) {
    for (size_t p = 0; m && p < m->paramIds.size(); ++p)
        if (m->paramIds[p] == id) return static_cast<int>(p);
    return -1;
}

const wchar_t* HexOf(HRESULT hr, wchar_t* buf) {
    wsprintfW(buf, L"0x%08lX", static_cast<unsigned long>(hr));
    return buf;
}

}  // namespace

HRESULT Fuzzer::Load() {
    const Interface all[] = {{L"_zbnRegistry2", MakeRegistry, {}},
                             {L"_zbnRegistry3", MakeRegistry3, {}},
                             {L"_RegWatch", MakeWatch, {}},
                             {L"_zbnZerbaneSettings2", MakeSettings, {}},
                             {L"_RegKey", MakeKey, {}},
                             {L"_RegValue", MakeValue, {}},
                             {L"_Collection", MakeCollection, {}}};
    for (const Interface& i : all) {
        Interface loaded = i;
        ComPtr<IDispatch> object;
        HRESULT hr = i.make(objects_, &object);
        if (SUCCEEDED(hr)) hr = Catalogue(object.Get(), &loaded.members);
        if (FAILED(hr) || loaded.members.empty()) return FAILED(hr) ? hr : E_FAIL;
        interfaces_.push_back(std::move(loaded));
    }
    return S_OK;
}

// What one call does: its member, flags and which of its arguments are named.
struct CallPlan {
    const Interface* iface;
    const Member* member;  // null for an id no member has
    DISPID id;
    WORD flags;
    UINT count;                  // arguments
    std::vector<DISPID> names;   // ids of the first names.size() of them
    UINT positional;
    HRESULT refusal;             // what a malformed call must be answered with
};

CallPlan Fuzzer::Plan(Rng& rng) const {
    CallPlan c{&interfaces_[rng.Below(static_cast<uint32_t>(interfaces_.size()))], nullptr, 0, 0, 0, {}, 0, S_OK};
    c.member = &c.iface->members[rng.Below(static_cast<uint32_t>(c.iface->members.size()))];
    c.id = c.member->id;
    if (rng.OneIn(30)) {  // now and then an id no member has, or one of IDispatch's own
        static const DISPID kOthers[] = {12345, DISPID_UNKNOWN, 0x60000000, 0x60010000, 0x60010004, DISPID_VALUE, 40};
        c.id = rng.Pick(kOthers);
        c.member = nullptr;
        for (const Member& other : c.iface->members)
            if (other.id == c.id) c.member = &other;
    }
    const Member* m = c.member;
    // Mostly a kind of call the member has (as a script calls it), else any mix of the four flags.
    c.flags = static_cast<WORD>(rng.Below(16));
    if (m && !rng.OneIn(3)) {
        const WORD kind = m->accessors[rng.Below(static_cast<uint32_t>(m->accessors.size()))].kind;
        c.flags = (kind & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) && rng.OneIn(2) ? DISPATCH_METHOD | DISPATCH_PROPERTYGET : kind;
    }
    const bool put = (c.flags & kPutFlags) != 0;
    const UINT width = m ? static_cast<UINT>(m->params.size()) : 0;
    // Up to two more arguments than the member takes; most often about as many as it takes.
    c.count = rng.OneIn(4) ? rng.Below(width + 3) : rng.OneIn(3) ? rng.Below(width + 1) : width - std::min(width, rng.Below(3));
    if (put && c.count > 0 && rng.OneIn(2)) {
        c.names.push_back(DISPID_PROPERTYPUT);
    } else if (m && c.count > 0 && rng.OneIn(4)) {
        for (UINT k = 1 + rng.Below(std::min<UINT>(c.count, 3)); k > 0; --k)
            c.names.push_back(NamedId(rng, *m, c.count - k, c.names));
    }
    c.positional = c.count - static_cast<UINT>(c.names.size());
    // Never omitted: an application title (the default one would be written under) and a wait's
    // time (the default waits without limit).
    for (const wchar_t* needed : {L"AppTitle", L"TimeoutMs"}) {
        const size_t p = m ? std::find(m->params.begin(), m->params.end(), needed) - m->params.begin() : 0;
        if (!put && m && p < width && p >= c.positional &&
            std::find(c.names.begin(), c.names.end(), m->paramIds[p]) == c.names.end()) {
            c.names.push_back(m->paramIds[p]);
            ++c.count;
        }
    }
    c.refusal = Refusal(m, c.flags, c.names, c.positional);
    return c;
}

// Makes the arguments and calls; *touched tells whether an argument object was asked for anything,
// *chained whether an argument was a chain of references.
HRESULT Fuzzer::Call(Rng& rng, const CallPlan& c, bool* touched, bool* chained) const {
    ValueMaker values(&rng, &objects_);
    PropertySourceScope source(&values);
    const Member* m = c.member;
    const UINT width = m ? static_cast<UINT>(m->params.size()) : 0;
    const bool facade = std::wstring(c.iface->name).find(L"_zbnRegistry") == 0;
    const bool moves = m && (m->name == L"CopyKey" || m->name == L"RenameKey");
    const KeyReach reach = !facade ? KeyReach::kNotFacade : moves ? KeyReach::kBelowScratch : KeyReach::kScratch;
    OwnedArgs args(c.count);
    for (UINT k = 0; k < c.names.size(); ++k) {
        const int p = c.names[k] == DISPID_PROPERTYPUT ? static_cast<int>(width) - 1 : ParamOf(m, c.names[k]);
        values.ForParameter(p >= 0 ? m->params[p] : L"", p >= 0 ? m->types[p] : static_cast<VARTYPE>(VT_EMPTY), reach, args.At(k));
    }
    for (UINT i = 0; i < c.positional; ++i)
        values.ForParameter(i < width ? m->params[i] : L"", i < width ? m->types[i] : static_cast<VARTYPE>(VT_EMPTY), reach,
                            args.At(c.count - 1 - i));
    *chained = values.Chained();
    ComPtr<IDispatch> target;
    HRESULT hr = c.iface->make(objects_, &target);
    if (FAILED(hr)) return hr;
    ComPtr<_zbnRegistry2> registry;
    if (facade && rng.OneIn(3) && SUCCEEDED(target.As(&registry))) registry->put_UseUnicodeFunctions(VARIANT_FALSE);
    ComPtr<_zbnRegistry3> viewed;
    if (rng.OneIn(2) && SUCCEEDED(target.As(&viewed))) viewed->put_View(rng.OneIn(2) ? 32 : 64);
    const bool noResult = rng.OneIn(8), noExcep = rng.OneIn(8), noArgErr = rng.OneIn(8);
    Variant result;
    EXCEPINFO ei = {};
    UINT argErr = 0;
    std::vector<DISPID> names = c.names;
    DISPPARAMS dp = {args.Data(), names.empty() ? nullptr : names.data(), c.count, static_cast<UINT>(names.size())};
    const long touches = FakeTouches();
    hr = target->Invoke(c.id, IID_NULL, LOCALE_USER_DEFAULT, c.flags, &dp, noResult ? nullptr : result.Get(),
                        noExcep ? nullptr : &ei, noArgErr ? nullptr : &argErr);
    *touched = FakeTouches() != touches;
    if (ei.pfnDeferredFillIn) ei.pfnDeferredFillIn(&ei);
    SysFreeString(ei.bstrDescription);
    SysFreeString(ei.bstrSource);
    SysFreeString(ei.bstrHelpFile);
    return hr;
}

bool Fuzzer::Run(uint64_t index, std::wstring* problem) {
    Rng rng(seed_ ^ (index * 0xD1B54A32D192ED03ull));
    const CallPlan c = Plan(rng);
    const std::vector<ULONG> refsBefore = RefsOf(objects_);
    const long liveBefore = module::LiveObjects();
    bool touched = false, chained = false;
    const HRESULT hr = Call(rng, c, &touched, &chained);
    SetErrorInfo(0, nullptr);

    wchar_t a[16], b[16];
    std::wstring what;
    if (hr != S_OK && hr != S_FALSE && SUCCEEDED(hr)) what = std::wstring(L"answered the success code ") + HexOf(hr, a);
    else if (c.refusal != S_OK && hr != c.refusal) what = std::wstring(L"answered ") + HexOf(hr, a) + L", not " + HexOf(c.refusal, b);
    else if (c.refusal != S_OK && touched) what = L"was refused, but only after using an argument";
    else if (c.refusal == S_OK && chained && hr != DISP_E_TYPEMISMATCH && hr != DISP_E_BADPARAMCOUNT)
        what = std::wstring(L"answered ") + HexOf(hr, a) + L" to a chain of references, not 0x80020005";
    else if (chained && touched) what = L"was refused for a chain of references, but only after using an argument";
    else if (RefsOf(objects_) != refsBefore) what = L"left a reference to an argument object";
    else if (module::LiveObjects() != liveBefore) what = L"left an object of the library alive";
    if (what.empty()) return true;
    wsprintfW(a, L"0x%X", c.flags);
    *problem = std::wstring(c.iface->name) + L"." + (c.member ? c.member->name : L"<id " + std::to_wstring(c.id) + L">") +
               L" (flags " + a + L", " + std::to_wstring(c.count) + L" arguments, " + std::to_wstring(c.names.size()) +
               L" named) " + what;
    return false;
}
