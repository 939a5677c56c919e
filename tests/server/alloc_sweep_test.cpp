// Every class, member and export under allocation failure. Each call runs with its N-th
// allocation failing, for N = 1, 2, ... until it makes fewer than N: every run must end in an
// HRESULT, give back every allocation and leave no object alive.
#include <gtest/gtest.h>
#include <olectl.h>
#include <shlwapi.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <utility>
#include <vector>
#include "com/bstr.h"
#include "com/property_bag.h"
#include "com/safe_array.h"
#include "com/variant.h"
#include "com/variant_util.h"
#include "automation/arguments.h"
#include "server/exports.h"
#include "registry/registry2.h"
#include "registry/registry3.h"
#include "settings/settings2.h"
#include "tests/malloc_spy.h"
#include "tests/scratch_files.h"
#include "tests/test_registry_keys.h"

namespace {

std::atomic<long> g_live{0};    // blocks allocated and not yet freed
std::atomic<long> g_made{0};    // allocations since the failure point was set
std::atomic<long> g_failAt{0};  // the allocation that fails; 0 for none

void* Allocate(size_t size, size_t align, bool nothrow) {
    void* p = nullptr;
    if (++g_made != g_failAt) p = align ? _aligned_malloc(size ? size : 1, align) : std::malloc(size ? size : 1);
    if (!p) {
        if (nothrow) return nullptr;
        throw std::bad_alloc();
    }
    ++g_live;
    return p;
}

void Free(void* p, bool aligned) {
    if (!p) return;
    --g_live;
    if (aligned) _aligned_free(p);
    else std::free(p);
}

size_t Align(std::align_val_t a) { return static_cast<size_t>(a); }

}  // namespace

void* operator new(size_t n) { return Allocate(n, 0, false); }
void* operator new[](size_t n) { return Allocate(n, 0, false); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Allocate(n, 0, true); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return Allocate(n, 0, true); }
void* operator new(size_t n, std::align_val_t a) { return Allocate(n, Align(a), false); }
void* operator new[](size_t n, std::align_val_t a) { return Allocate(n, Align(a), false); }
void* operator new(size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return Allocate(n, Align(a), true); }
void* operator new[](size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return Allocate(n, Align(a), true);
}
void operator delete(void* p) noexcept { Free(p, false); }
void operator delete[](void* p) noexcept { Free(p, false); }
void operator delete(void* p, size_t) noexcept { Free(p, false); }
void operator delete[](void* p, size_t) noexcept { Free(p, false); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p, false); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p, false); }
void operator delete(void* p, std::align_val_t) noexcept { Free(p, true); }
void operator delete[](void* p, std::align_val_t) noexcept { Free(p, true); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { Free(p, true); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { Free(p, true); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Free(p, true); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Free(p, true); }

namespace {

// Counts the blocks of the COM task allocator (BSTRs, safe arrays) not yet freed, so a
// string or array lost on a failure path shows as well.
class TaskMemorySpy final : public PassThroughMallocSpy {
public:
    long Live() const { return live_; }

    STDMETHODIMP_(void*) PostAlloc(void* p) override {
        if (p) ++live_;
        return p;
    }
    STDMETHODIMP_(void*) PreFree(void* p, BOOL spied) override {
        if (p && spied) --live_;
        return p;
    }

private:
    long live_ = 0;
};

TaskMemorySpy g_spy;

const RegistryRoot2_Const kHKCU = RootConst(HKEY_CURRENT_USER);
const wchar_t kScratch[] = L"Software\\TarnwellTests\\AllocSweep";
const wchar_t kGone[] = L"Software\\TarnwellTests\\AllocSweep\\gone";
const wchar_t kGoneChild[] = L"Software\\TarnwellTests\\AllocSweep\\gone\\deeper";
const wchar_t kClassesScratch[] = L"Software\\TarnwellTests\\AllocSweepClasses";
const wchar_t kMachineScratch[] = L"Software\\TarnwellTests\\AllocSweepMachine";
const wchar_t kUserScratch[] = L"Software\\TarnwellTests\\AllocSweepUser";
const wchar_t kTitle[] = L"Tarnwell Alloc Sweep";
const wchar_t kRenamed[] = L"Software\\TarnwellTests\\AllocSweep\\renamed";
// The .reg file ExportKey writes and ImportFile and LoadHive read.
std::wstring SweepFile() { return TempFolder() + L"tarnwell_alloc_sweep.reg"; }
HWND g_window = nullptr;  // the window the placement members save and restore

RegistryDataType2_Const Type(DWORD type) { return static_cast<RegistryDataType2_Const>(type); }

// A property of a caller's automation object: a value, or a failure code it raises when used.
struct Property {
    const wchar_t* name;
    Variant value;
    HRESULT raises = S_OK;
};

// A caller's automation object of settable properties. Filled before a call, it allocates
// nothing of the counted kind while the library uses it.
template <class... Props>
ComPtr<IDispatch> Bag(Props... props) {
    ComPtr<PropertyBag> bag;
    HRESULT hr = PropertyBag::Make(&bag);
    auto add = [&](Property& p) {
        if (FAILED(hr)) return hr;
        if (FAILED(p.raises)) return bag->AddFailing(p.name, p.raises, L"The property cannot be read now.");
        return bag->Add(p.name, std::move(p.value), PropertyBag::Access::Settable);
    };
    ((hr = add(props)), ...);
    EXPECT_EQ(S_OK, hr);
    return SUCCEEDED(hr) ? ComPtr<IDispatch>(bag.Get()) : ComPtr<IDispatch>();
}

Property Text(const wchar_t* name, const wchar_t* text) { return {name, Variant::Text(text)}; }
Property Long(const wchar_t* name, long n) { return {name, Variant::Long(n)}; }
Property Raises(const wchar_t* name) { return {name, Variant(), E_ACCESSDENIED}; }
Property Object(const wchar_t* name, const ComPtr<IDispatch>& object) { return {name, Variant::Object(object.Get())}; }

VARIANT Borrowed(BSTR b) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = b;
    return v;
}

VARIANT Missing() {
    VARIANT v;
    V_VT(&v) = VT_ERROR;
    V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
    return v;
}

// What the calls work on, made afresh (with no failing allocation) before each run.
struct Fixture {
    Fixture() {
        RegSetKeyValueW(HKEY_CURRENT_USER, kScratch, L"gone", REG_SZ, L"", sizeof(wchar_t));
        RegSetKeyValueW(HKEY_CURRENT_USER, kGoneChild, L"", REG_SZ, L"", sizeof(wchar_t));
        SHDeleteKeyW(HKEY_CURRENT_USER, kRenamed);
        ComPtr<Registry2> r, a;
        ComPtr<Registry3> r3;
        ComPtr<Settings2> settings;
        EXPECT_EQ(S_OK, Registry2::Make(&r));
        EXPECT_EQ(S_OK, Registry2::Make(&a));
        EXPECT_EQ(S_OK, Registry3::Make(&r3));
        EXPECT_EQ(S_OK, r3.As(&reg3));
        reg3->Watch(kHKCU, path.Get(), VARIANT_TRUE, watch.Put());
        EXPECT_EQ(S_OK, Settings2::Make(&settings));
        EXPECT_EQ(S_OK, r.As(&reg));
        EXPECT_EQ(S_OK, a.As(&ansi));
        EXPECT_EQ(S_OK, settings.As(&store));
        ansi->put_UseUnicodeFunctions(VARIANT_FALSE);
        reg->GetValue(kHKCU, path.Get(), s.Get(), text.Put());
        reg->GetValue(kHKCU, path.Get(), Bstr(L"d").Get(), number.Put());
        reg->GetValue(kHKCU, path.Get(), Bstr(L"b").Get(), bytes.Put());
        reg->GetKey(kHKCU, path.Get(), key.Put());
        reg->GetValues(kHKCU, path.Get(), VARIANT_TRUE, list.Put());
        ComPtr<IUnknown> e;
        list->_NewEnum(e.Put());
        QueryTo(e.Get(), &items);
        SAFEARRAY* sa = nullptr;
        MakeStringArray({L"one", L"two", L""}, &sa);
        V_VT(lines.Get()) = VT_ARRAY | VT_BSTR;
        V_ARRAY(lines.Get()) = sa;
        FONTDESC desc = {sizeof(FONTDESC), const_cast<LPOLESTR>(L"Tahoma"), {{90000, 0}}, FW_BOLD, 0, TRUE, 0, 0};
        OleCreateFontIndirect(&desc, IID_IFontDisp, font.PutVoid());
    }
    ~Fixture() { SetErrorInfo(0, nullptr); }  // what a failure reported is not the next run's

    Bstr path{kScratch}, gone{kGone}, title{kTitle}, empty{L""}, goneValue{L"gone"};
    Bstr s{L"s"}, m{L"m"};  // the names of a string and a multi-string value; also setting names
    Variant lines;
    ComPtr<_zbnRegistry2> reg, ansi;
    ComPtr<_zbnRegistry3> reg3;
    ComPtr<_RegWatch> watch;
    Bstr file{SweepFile()}, sub{kScratch + std::wstring(L"\\sub")}, copy{kScratch + std::wstring(L"\\copy")};
    ComPtr<_RegValue> text, number, bytes;
    ComPtr<_RegKey> key;
    ComPtr<_Collection> list;
    ComPtr<IEnumVARIANT> items;
    ComPtr<_zbnZerbaneSettings2> store;
    ComPtr<IFontDisp> font;
    ComPtr<IDispatch> app = Bag(Text(L"Title", kTitle), Long(L"Major", 1), Long(L"Minor", 0));
    ComPtr<IDispatch> failingApp = Bag(Text(L"Title", kTitle), Raises(L"Major"));
    ComPtr<IDispatch> listView = Bag(Long(L"hWnd", 0), Object(L"ColumnHeaders", Bag(Long(L"Count", 3))));
    ComPtr<IDispatch> form =
        Bag(Long(L"hWnd", static_cast<long>(reinterpret_cast<intptr_t>(g_window))), Text(L"Name", L"frmSweep"));
    ComPtr<IDispatch> proxy = Bag(Long(L"HTTP_AccessType", 3), Text(L"HTTP_Address", L"proxy:8080"),
                                  Text(L"HTTP_BypassList", L"<local>"), Long(L"HTTP_BypassLocal", 1),
                                  Text(L"HTTP_UserName", L"user"), Text(L"HTTP_Password", L"secret"),
                                  Long(L"AccessType", 3), Text(L"HTTPS_Address", L"proxy:8443"),
                                  Text(L"FTP_Address", L""), Text(L"BypassList", L"*.local"),
                                  Text(L"UserName", L"user"), Text(L"Password", L"secret"));
};

bool g_keptOnFailure = false;  // a failed call handed out a value its caller would never free

bool Holds(const Bstr& b) { return b.Get() != nullptr; }
// Whether clearing the variant would free anything.
bool Holds(const Variant& v) {
    const VARIANT* p = v.Get();
    if (V_VT(p) & VT_ARRAY) return V_ARRAY(p) != nullptr;
    if (V_VT(p) == VT_BSTR) return V_BSTR(p) != nullptr;
    return (V_VT(p) == VT_DISPATCH || V_VT(p) == VT_UNKNOWN) && V_UNKNOWN(p) != nullptr;
}
template <class T>
bool Holds(const ComPtr<T>& p) { return static_cast<bool>(p); }

// A call's HRESULT; a failure must leave its [out] result empty.
template <class Out>
HRESULT Checked(HRESULT hr, const Out& out) {
    if (FAILED(hr) && Holds(out)) g_keptOnFailure = true;
    return hr;
}

struct Case {
    const char* name;
    HRESULT (*call)(Fixture&);
};

// Each call releases what it got back before it returns. Saves come before the loads that
// read what they stored.
const Case kCases[] = {
    // zbnRegistry2
    {"get_UseUnicodeFunctions", [](Fixture& f) { VARIANT_BOOL b; return f.reg->get_UseUnicodeFunctions(&b); }},
    {"put_UseUnicodeFunctions", [](Fixture& f) { return f.reg->put_UseUnicodeFunctions(VARIANT_TRUE); }},
    {"get_LastRegError", [](Fixture& f) { long e; return f.reg->get_LastRegError(&e); }},
    {"ValueDataTypeToString", [](Fixture& f) {
         Bstr b;
         return Checked(f.reg->ValueDataTypeToString(Type(REG_MULTI_SZ), b.Put()), b);
     }},
    {"SetValue", [](Fixture& f) {
         VARIANT_BOOL existed, ok;
         return f.reg->SetValue(kHKCU, f.path.Get(), f.s.Get(), Type(REG_SZ), Borrowed(f.title.Get()), &existed, &ok);
     }},
    {"SetValue, multi-string, ANSI", [](Fixture& f) {
         VARIANT_BOOL existed, ok;
         return f.ansi->SetValue(kHKCU, f.path.Get(), f.m.Get(), Type(REG_MULTI_SZ), *f.lines.Get(), &existed, &ok);
     }},
    {"GetValue", [](Fixture& f) {
         ComPtr<_RegValue> v;
         return Checked(f.reg->GetValue(kHKCU, f.path.Get(), f.s.Get(), v.Put()), v);
     }},
    {"GetValue, multi-string, ANSI", [](Fixture& f) {
         ComPtr<_RegValue> v;
         return Checked(f.ansi->GetValue(kHKCU, f.path.Get(), f.m.Get(), v.Put()), v);
     }},
    {"DeleteValue", [](Fixture& f) {
         VARIANT_BOOL ok;
         return f.reg->DeleteValue(kHKCU, f.path.Get(), f.goneValue.Get(), &ok);
     }},
    {"DeleteKey", [](Fixture& f) { VARIANT_BOOL ok; return f.reg->DeleteKey(kHKCU, f.gone.Get(), VARIANT_TRUE, &ok); }},
    {"CreateKey", [](Fixture& f) {
         VARIANT_BOOL existed, ok;
         return f.reg->CreateKey(kHKCU, f.gone.Get(), &existed, &ok);
     }},
    {"IsKeyExist", [](Fixture& f) { VARIANT_BOOL ok; return f.reg->IsKeyExist(kHKCU, f.path.Get(), &ok); }},
    {"GetValues", [](Fixture& f) {
         ComPtr<_Collection> c;
         return Checked(f.reg->GetValues(kHKCU, f.path.Get(), VARIANT_TRUE, c.Put()), c);
     }},
    {"GetValues, ANSI", [](Fixture& f) {
         ComPtr<_Collection> c;
         return Checked(f.ansi->GetValues(kHKCU, f.path.Get(), VARIANT_TRUE, c.Put()), c);
     }},
    {"GetSubKeys", [](Fixture& f) {
         ComPtr<_Collection> c;
         return Checked(f.reg->GetSubKeys(kHKCU, f.path.Get(), c.Put()), c);
     }},
    {"GetKey", [](Fixture& f) { ComPtr<_RegKey> k; return Checked(f.reg->GetKey(kHKCU, f.path.Get(), k.Put()), k); }},
    {"GetValueDataType", [](Fixture& f) {
         RegistryDataType2_Const t;
         _RegValue* v = f.text.Get();
         return f.reg->GetValueDataType(&v, &t);
     }},
    {"GetValueData_SZ", [](Fixture& f) {
         Bstr b;
         _RegValue* v = f.text.Get();
         return Checked(f.reg->GetValueData_SZ(&v, b.Put()), b);
     }},
    {"GetValueData_DWORD", [](Fixture& f) {
         long n;
         _RegValue* v = f.number.Get();
         return f.reg->GetValueData_DWORD(&v, &n);
     }},
    {"GetValueData_BINARY", [](Fixture& f) {
         SafeArray sa;
         _RegValue* v = f.bytes.Get();
         return f.reg->GetValueData_BINARY(&v, sa.Put());
     }},
    // zbnRegistry3's own members and RegWatch
    {"View", [](Fixture& f) { long v; HRESULT hr = f.reg3->put_View(64); return SUCCEEDED(hr) ? f.reg3->get_View(&v) : hr; }},
    {"View, refused", [](Fixture& f) { return f.reg3->put_View(7); }},
    {"Watch", [](Fixture& f) {
         ComPtr<_RegWatch> w;
         return Checked(f.reg3->Watch(kHKCU, f.path.Get(), VARIANT_TRUE, w.Put()), w);
     }},
    {"RegWatch.Wait", [](Fixture& f) { VARIANT_BOOL b; return f.watch->Wait(0, &b); }},
    {"RegWatch.SubKey", [](Fixture& f) { Bstr b; return Checked(f.watch->get_SubKey(b.Put()), b); }},
    {"ExportKey", [](Fixture& f) { VARIANT_BOOL ok; return f.reg3->ExportKey(kHKCU, f.path.Get(), f.file.Get(), &ok); }},
    {"ImportFile", [](Fixture& f) { VARIANT_BOOL ok; return f.reg3->ImportFile(f.file.Get(), &ok); }},
    {"CopyKey", [](Fixture& f) { VARIANT_BOOL ok; return f.reg3->CopyKey(kHKCU, f.sub.Get(), kHKCU, f.copy.Get(), &ok); }},
    {"RenameKey", [](Fixture& f) { VARIANT_BOOL ok; return f.reg3->RenameKey(kHKCU, f.gone.Get(), Bstr(L"renamed").Get(), &ok); }},
    {"GetKeySecurity", [](Fixture& f) { Bstr b; return Checked(f.reg3->GetKeySecurity(kHKCU, f.path.Get(), b.Put()), b); }},
    {"SetKeySecurity", [](Fixture& f) {
         VARIANT_BOOL ok;
         return f.reg3->SetKeySecurity(kHKCU, f.path.Get(), Bstr(L"D:(A;;KA;;;WD)").Get(), &ok);
     }},
    {"LoadHive and UnloadHive", [](Fixture& f) {
         VARIANT_BOOL ok;
         const Bstr hive(L"TarnwellAllocSweep");
         HRESULT hr = f.reg3->LoadHive(RootConst(HKEY_USERS), hive.Get(), f.file.Get(), &ok);
         return SUCCEEDED(hr) ? f.reg3->UnloadHive(RootConst(HKEY_USERS), hive.Get(), &ok) : hr;
     }},
    // IUnknown, IDispatch, ISupportErrorInfo
    {"QueryInterface and InterfaceSupportsErrorInfo", [](Fixture& f) {
         ComPtr<ISupportErrorInfo> s;
         HRESULT hr = f.reg.As(&s);
         return SUCCEEDED(hr) ? s->InterfaceSupportsErrorInfo(IID__zbnRegistry2) : hr;
     }},
    {"GetTypeInfo", [](Fixture& f) { ComPtr<ITypeInfo> t; return Checked(f.store->GetTypeInfo(0, 0, t.Put()), t); }},
    {"GetIDsOfNames", [](Fixture& f) {
         DISPID id;
         LPOLESTR name = const_cast<LPOLESTR>(L"LoadSetting");
         return f.store->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
     }},
    {"Invoke", [](Fixture& f) {
         VARIANT args[2] = {Borrowed(f.path.Get()), {}};  // reversed: SubKey, then the root
         V_VT(&args[1]) = VT_I4;
         V_I4(&args[1]) = kHKCU;
         DISPPARAMS params = {args, nullptr, 2, 0};
         Variant result;
         HRESULT hr = f.reg->Invoke(5, IID_NULL, 0, DISPATCH_METHOD, &params, result.Get(), nullptr, nullptr);
         return Checked(hr, result);
     }},
    // RegValue and RegKey
    {"RegValue.Data", [](Fixture& f) { Variant v; return Checked(f.text->get_Data(v.Get()), v); }},
    {"RegValue.DataType", [](Fixture& f) { RegistryDataType2_Const t; return f.text->get_DataType(&t); }},
    {"RegValue.Name", [](Fixture& f) { Bstr b; return Checked(f.text->get_Name(b.Put()), b); }},
    {"RegValue.SubKey", [](Fixture& f) { Bstr b; return Checked(f.text->get_SubKey(b.Put()), b); }},
    {"RegValue.RegistryRoot", [](Fixture& f) { RegistryRoot2_Const r; return f.text->get_RegistryRoot(&r); }},
    {"RegKey.KeyClass", [](Fixture& f) { Bstr b; return Checked(f.key->get_KeyClass(b.Put()), b); }},
    {"RegKey.LastWriteTime", [](Fixture& f) { DATE d; return f.key->get_LastWriteTime(&d); }},
    {"RegKey.Name", [](Fixture& f) { Bstr b; return Checked(f.key->get_Name(b.Put()), b); }},
    {"RegKey.SubKey", [](Fixture& f) { Bstr b; return Checked(f.key->get_SubKey(b.Put()), b); }},
    {"RegKey.RegistryRoot", [](Fixture& f) { RegistryRoot2_Const r; return f.key->get_RegistryRoot(&r); }},
    // Collection and its enumerator
    {"Collection.Item", [](Fixture& f) {
         Variant index = Variant::Long(1), item;
         return Checked(f.list->Item(index.Get(), item.Get()), item);
     }},
    {"Collection.Count", [](Fixture& f) { long n; return f.list->Count(&n); }},
    {"Collection._NewEnum", [](Fixture& f) { ComPtr<IUnknown> e; return Checked(f.list->_NewEnum(e.Put()), e); }},
    {"Collection.Add", [](Fixture& f) {
         VARIANT item;
         V_VT(&item) = VT_DISPATCH;
         V_DISPATCH(&item) = f.app.Get();
         return f.list->Add(&item);
     }},
    {"IEnumVARIANT.Next", [](Fixture& f) {
         VARIANT out[2];
         ULONG got = 0;
         HRESULT hr = f.items->Next(2, out, &got);
         for (ULONG i = 0; i < got; ++i) VariantClear(&out[i]);
         return hr;
     }},
    {"IEnumVARIANT.Skip", [](Fixture& f) { return f.items->Skip(1); }},
    {"IEnumVARIANT.Reset", [](Fixture& f) { return f.items->Reset(); }},
    {"IEnumVARIANT.Clone", [](Fixture& f) { ComPtr<IEnumVARIANT> e; return Checked(f.items->Clone(e.Put()), e); }},
    // zbnZerbaneSettings2, one or two members of each area
    {"GetSettingPath2", [](Fixture& f) {
         Bstr b;
         return Checked(f.store->GetSettingPath2(f.app.Get(), f.empty.Get(), b.Put()), b);
     }},
    {"GetSettingPath2, the application object raising an error", [](Fixture& f) {
         Bstr b;
         return Checked(f.store->GetSettingPath2(f.failingApp.Get(), f.empty.Get(), b.Put()), b);
     }},
    {"SaveSetting", [](Fixture& f) {
         VARIANT_BOOL ok;
         return f.store->SaveSetting(f.empty.Get(), f.s.Get(), sdtString, Borrowed(f.title.Get()), f.title.Get(), 1, 0,
                                     VARIANT_TRUE, &ok);
     }},
    {"LoadSetting, from the earlier version", [](Fixture& f) {
         Variant v;
         VARIANT_BOOL ok;
         HRESULT hr = f.store->LoadSetting(f.empty.Get(), f.s.Get(), sdtString, Missing(), f.title.Get(), 2, 0,
                                           VARIANT_TRUE, &ok, v.Get());
         return Checked(hr, v);
     }},
    {"SaveSetting2", [](Fixture& f) {
         VARIANT_BOOL ok, done;
         VARIANT value;
         V_VT(&value) = VT_BOOL;
         V_BOOL(&value) = VARIANT_TRUE;
         return f.store->SaveSetting2(f.empty.Get(), f.m.Get(), sdtBoolean, value, f.app.Get(), VARIANT_TRUE, &ok,
                                      &done);
     }},
    {"LoadSetting2", [](Fixture& f) {
         Variant v;
         VARIANT_BOOL ok;
         HRESULT hr = f.store->LoadSetting2(f.empty.Get(), f.m.Get(), sdtBoolean, Missing(), f.app.Get(),
                                            VARIANT_TRUE, &ok, v.Get());
         return Checked(hr, v);
     }},
    {"SaveListViewColumns", [](Fixture& f) {
         IDispatch* lv = f.listView.Get();
         return f.store->SaveListViewColumns(f.m.Get(), &lv, f.title.Get(), 1, 0, VARIANT_TRUE);
     }},
    {"LoadListViewColumns", [](Fixture& f) {
         IDispatch* lv = f.listView.Get();
         return f.store->LoadListViewColumns(f.m.Get(), &lv, f.title.Get(), 1, 0, VARIANT_TRUE);
     }},
    {"LoadListViewColumns, an object without columns", [](Fixture& f) {
         IDispatch* notAList = f.form.Get();
         return f.store->LoadListViewColumns(f.m.Get(), &notAList, f.title.Get(), 1, 0, VARIANT_TRUE);
     }},
    {"SaveFont", [](Fixture& f) {
         IFontDisp* font = f.font.Get();
         return f.store->SaveFont(f.s.Get(), &font, f.title.Get(), 1, 0, VARIANT_TRUE);
     }},
    {"LoadFont", [](Fixture& f) {
         IFontDisp* font = f.font.Get();
         ComPtr<IFontDisp> loaded;
         return Checked(f.store->LoadFont(f.s.Get(), &font, f.title.Get(), 1, 0, VARIANT_TRUE, loaded.Put()), loaded);
     }},
    {"SaveFormPlacement", [](Fixture& f) {
         IDispatch* form = f.form.Get();
         VARIANT_BOOL ok;
         return f.store->SaveFormPlacement(f.empty.Get(), f.s.Get(), &form, f.title.Get(), 1, 0, VARIANT_TRUE, &ok);
     }},
    {"LoadFormPlacement", [](Fixture& f) {
         IDispatch* form = f.form.Get();
         VARIANT_BOOL ok;
         return f.store->LoadFormPlacement(f.empty.Get(), f.s.Get(), &form, f.title.Get(), 1, 0, VARIANT_FALSE, 0, 0,
                                           VARIANT_TRUE, &ok);
     }},
    {"SaveProxySettings", [](Fixture& f) {
         IDispatch* proxy = f.proxy.Get();
         return f.store->SaveProxySettings(f.s.Get(), &proxy, f.title.Get(), 1, 0, VARIANT_TRUE);
     }},
    {"LoadProxySettings", [](Fixture& f) {
         IDispatch* proxy = f.proxy.Get();
         return f.store->LoadProxySettings(f.s.Get(), &proxy, f.title.Get(), 1, 0, VARIANT_TRUE);
     }},
    {"SaveProxySettingsHT", [](Fixture& f) {
         IDispatch* proxy = f.proxy.Get();
         return f.store->SaveProxySettingsHT(f.m.Get(), &proxy, f.title.Get(), 1, 0, VARIANT_TRUE);
     }},
    {"LoadProxySettingsHT", [](Fixture& f) {
         IDispatch* proxy = f.proxy.Get();
         return f.store->LoadProxySettingsHT(f.m.Get(), &proxy, f.title.Get(), 1, 0, VARIANT_TRUE);
     }},
    // The class factory and the exports
    {"DllGetClassObject and CreateInstance", [](Fixture&) {
         ComPtr<IClassFactory> factory;
         HRESULT hr = DllGetClassObject(CLSID_zbnZerbaneSettings2, IID_IClassFactory, factory.PutVoid());
         ComPtr<IDispatch> store;
         return SUCCEEDED(hr) ? factory->CreateInstance(nullptr, IID_IDispatch, store.PutVoid()) : hr;
     }},
    {"DllGetClassObject and CreateInstance, zbnRegistry3", [](Fixture&) {
         ComPtr<IClassFactory> factory;
         HRESULT hr = DllGetClassObject(CLSID_zbnRegistry3, IID_IClassFactory, factory.PutVoid());
         ComPtr<IDispatch> reg;
         return SUCCEEDED(hr) ? factory->CreateInstance(nullptr, IID__zbnRegistry2, reg.PutVoid()) : hr;
     }},
    {"LockServer", [](Fixture&) {
         ComPtr<IClassFactory> factory;
         HRESULT hr = DllGetClassObject(CLSID_zbnRegistry2, IID_IClassFactory, factory.PutVoid());
         if (SUCCEEDED(hr)) hr = factory->LockServer(TRUE);
         if (SUCCEEDED(hr)) hr = factory->LockServer(FALSE);
         return hr;
     }},
    {"DllCanUnloadNow", [](Fixture&) { return DllCanUnloadNow(); }},
    {"DllRegisterServer", [](Fixture&) {
         RedirectedRoot machine(HKEY_LOCAL_MACHINE, kMachineScratch), root(HKEY_CLASSES_ROOT, kClassesScratch);
         return DllRegisterServer();
     }},
    {"DllUnregisterServer", [](Fixture&) {
         RedirectedRoot machine(HKEY_LOCAL_MACHINE, kMachineScratch), root(HKEY_CLASSES_ROOT, kClassesScratch);
         return DllUnregisterServer();
     }},
    {"DllInstall", [](Fixture&) {
         RedirectedRoot root(HKEY_CURRENT_USER, kUserScratch);
         return DllInstall(TRUE, L"user");
     }},
    {"DllInstall, uninstall", [](Fixture&) {
         RedirectedRoot root(HKEY_CURRENT_USER, kUserScratch);
         return DllInstall(FALSE, L"user");
     }},
};

// Sweeps one call; returns how many failure points it tried.
long Sweep(const Case& c) {
    {
        Fixture f;  // the first use fills the library's lasting caches (type information)
        c.call(f);
    }
    for (long n = 1;; ++n) {
        const long live = g_live, taskLive = g_spy.Live();
        HRESULT hr;
        bool reached;
        {
            Fixture f;
            g_keptOnFailure = false;
            g_made = 0;
            g_failAt = n;
            hr = c.call(f);
            reached = g_made >= n;
            g_failAt = 0;
        }
        // Read before any check: a failed check allocates its message.
        const long leftOver = g_live - live, taskLeftOver = g_spy.Live() - taskLive;
        const bool kept = g_keptOnFailure;
        const HRESULT unload = DllCanUnloadNow();
        EXPECT_TRUE(hr == S_OK || hr == S_FALSE || FAILED(hr)) << c.name << ", allocation " << n << ": " << hr;
        EXPECT_FALSE(kept) << c.name << ", allocation " << n << ": a failure handed out a value";
        EXPECT_EQ(0, leftOver) << c.name << ", allocation " << n << ": memory not given back";
        EXPECT_EQ(0, taskLeftOver) << c.name << ", allocation " << n << ": strings or arrays not given back";
        EXPECT_EQ(S_OK, unload) << c.name << ", allocation " << n << ": objects left alive";
        if (!reached) return n - 1;
        if (testing::Test::HasFailure()) return n;
    }
}

TEST(AllocSweep, EveryCallFailsCleanlyAtEveryAllocation) {
    ScratchKey scratch(L"AllocSweep");
    scratch.WriteText(L"s", REG_SZ, L"text");
    scratch.WriteText(L"m", REG_MULTI_SZ, std::wstring(L"one\0two\0", 8));
    scratch.Write(L"d", REG_DWORD, {1, 2, 3, 4});
    scratch.Write(L"b", REG_BINARY, {1, 2, 3});
    scratch.Write(L"e", REG_EXPAND_SZ, Utf16(L"%TEMP%"));
    scratch.Write(L"", REG_SZ, {}, L"sub");
    g_window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr, nullptr,
                               nullptr);
    // Freed strings go back to the system at once instead of into a cache, so the spy sees them.
    using NoCache = void(WINAPI*)();
    if (auto noCache = reinterpret_cast<NoCache>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), "SetOaNoCache"))))
        noCache();
    ASSERT_EQ(S_OK, CoRegisterMallocSpy(&g_spy));
    long points = 0;
    for (const Case& c : kCases) {
        points += Sweep(c);
        if (HasFailure()) break;
    }
    std::printf("alloc sweep: %ld failure points over %zu calls\n", points, sizeof(kCases) / sizeof(kCases[0]));
    CoRevokeMallocSpy();
    DestroyWindow(g_window);
    DeleteFileW(SweepFile().c_str());
    for (const wchar_t* key : {kClassesScratch, kMachineScratch, kUserScratch, L"Software\\Orrindale\\Zerbane\\Tarnwell Alloc Sweep"})
        SHDeleteKeyW(HKEY_CURRENT_USER, key);
}

}  // namespace
