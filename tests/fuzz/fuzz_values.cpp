#include "tests/fuzz/fuzz_values.h"
#include "tests/scratch_files.h"
#include <cmath>
#include <limits>
#include <vector>

const wchar_t kScratchKey[] = L"Software\\TarnwellFuzz";
const wchar_t kScratchSettingsKey[] = L"Software\\Orrindale\\Zerbane\\TarnwellFuzz";

std::wstring ScratchFolder() { return TempFolder() + L"TarnwellFuzz"; }

namespace {

const wchar_t kScratchTitle[] = L"TarnwellFuzz";
const LONG kHkcu = static_cast<LONG>(0x80000001), kHklm = static_cast<LONG>(0x80000002);

const int64_t kIntegers[] = {0,          1,           -1,          2,          3,         7,
                             127,        128,         255,         256,        32767,     -32768,
                             65535,      2147483647,  -2147483647, 2147483648, 4294967295,
                             INT64_MAX,  INT64_MIN,   -2147483647 - 1};
const double kDoubles[] = {0.0,   -0.0,   0.5,    1.5,     2.5,          -2.5,          1e10,
                           -1e10, 3.4e38, 1e308,  -1e308,  4.9e-324,     2147483647.5,  -2147483648.5,
                           1e300, 36526.5, -657434.0, 2958465.0};

const std::wstring& Megabyte() {
    static const std::wstring text = [] {
        std::wstring t(1 << 20, L'x');
        for (size_t i = 0; i < t.size(); i += 7) t[i] = static_cast<wchar_t>(L'A' + i % 26);
        return t;
    }();
    return text;
}

int64_t Integer(Rng& rng) { return rng.OneIn(3) ? static_cast<int64_t>(rng.Next()) : rng.Pick(kIntegers); }

double Double(Rng& rng) {
    switch (rng.Below(6)) {
    case 0: return std::numeric_limits<double>::quiet_NaN();
    case 1: return rng.OneIn(2) ? HUGE_VAL : -HUGE_VAL;
    case 2: return static_cast<double>(static_cast<int64_t>(rng.Next())) / 4096.0;
    default: return rng.Pick(kDoubles);
    }
}

// Where SafeArrayPutElement reads an element of type vt from.
void* ElementPointer(VARIANT* v, VARTYPE vt) {
    switch (vt) {
    case VT_VARIANT: return v;
    case VT_BSTR: return V_BSTR(v);
    case VT_DISPATCH:
    case VT_UNKNOWN: return V_UNKNOWN(v);
    case VT_DECIMAL: return &V_DECIMAL(v);
    default: return &V_UI1(v);  // every other member starts at the union's start
    }
}

}  // namespace

void ValueMaker::ForParameter(const std::wstring& name, VARTYPE type, KeyReach reach, VARIANT* out) {
    // Short waits only (never without limit), and descriptors that leave the scratch keys open.
    static const long kWaits[] = {0, 1, 3, 10, -2, -50};
    static const wchar_t* const kSddl[] = {L"D:(A;;KA;;;WD)", L"D:AI(A;;KA;;;WD)(A;;KR;;;BU)", L"G:BA",
                                           L"O:BAG:BAD:(A;;KA;;;WD)", L"S:(AU;SA;KA;;;WD)", L""};
    if (name == L"RegistryRoot" || name == L"ToRoot") return ScratchRoot(out);
    if (name == L"AppTitle") return ScratchText(kScratchTitle, false, out);
    if (name == L"TimeoutMs") return SmallNumber(kWaits, sizeof(kWaits) / sizeof(kWaits[0]), out);
    if (reach != KeyReach::kNotFacade) {
        if (name == L"SubKey") return ScratchText(kScratchKey, reach == KeyReach::kBelowScratch, out);
        if (name == L"ToSubKey") return ScratchText(kScratchKey + std::wstring(L"\\Copies"), true, out);
        if (name == L"FileName") return ScratchFile(out);
        if (name == L"Sddl" && rng_.OneIn(2)) return Text(out, rng_.Pick(kSddl));
    }
    if (rng_.OneIn(2)) Typed(type, out);
    else Plain(out, 0);
    MaybeByRef(out);
}

void ValueMaker::Property(const wchar_t* name, VARIANT* out) {
    static const long kHandles[] = {0, 1, 0x1F, 0x10, 0x7FFF0003, 0x12340011};
    static const long kCounts[] = {-1, 0, 1, 2, 3, 5, 40};
    const std::wstring n = name;
    if (n == L"Title") {
        if (rng_.OneIn(8)) return Inert(out);
        return Text(out, kScratchTitle + (rng_.OneIn(2) ? L"\\" + RandomText() : std::wstring()));
    }
    if (n == L"hWnd") {
        // Never another process's window: 0, numbers no window can have, or the fuzzer's own.
        HWND own = rng_.OneIn(2) ? objects_.list : objects_.form;
        if (rng_.OneIn(2)) return SmallNumber(kHandles, sizeof(kHandles) / sizeof(kHandles[0]), out);
        V_VT(out) = VT_I4;
        V_I4(out) = static_cast<LONG>(reinterpret_cast<intptr_t>(own));
        return;
    }
    if (n == L"Count") return SmallNumber(kCounts, sizeof(kCounts) / sizeof(kCounts[0]), out);
    if ((n == L"Major" || n == L"Minor") && !rng_.OneIn(4)) return Typed(VT_I4, out);
    if (n == L"ColumnHeaders" && !rng_.OneIn(4)) {
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = rng_.OneIn(4) ? objects_.failing : objects_.good;
        V_DISPATCH(out)->AddRef();
        return;
    }
    Plain(out, 1);
}

void ValueMaker::Inert(VARIANT* out) {
    switch (rng_.Below(3)) {
    case 0:
        V_VT(out) = VT_UNKNOWN;
        V_UNKNOWN(out) = objects_.unknownOnly;
        break;
    case 1:
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = objects_.failing;
        break;
    default: {
        SAFEARRAY* sa = SafeArrayCreateVector(VT_I4, 0, rng_.Below(3));
        V_VT(out) = sa ? VT_ARRAY | VT_I4 : VT_EMPTY;
        V_ARRAY(out) = sa;
        return;
    }
    }
    V_UNKNOWN(out)->AddRef();
}

void ValueMaker::Typed(VARTYPE type, VARIANT* out) {
    static const LONG kSmall[] = {0, 1, 2, 3, 4, 5, 7, -1};  // kinds of data and versions
    switch (type) {
    case VT_I4:
        if (rng_.OneIn(2)) return Element(VT_I4, out, 1);
        V_VT(out) = VT_I4;
        V_I4(out) = rng_.Pick(kSmall);
        return;
    case VT_BOOL:
    case VT_R4:
    case VT_BSTR: return Element(type, out, 1);
    case VT_DISPATCH: {
        IDispatch* const kLikely[] = {nullptr, objects_.good, objects_.good, objects_.good, objects_.font};
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = rng_.Pick(kLikely);
        if (V_DISPATCH(out)) V_DISPATCH(out)->AddRef();
        return;
    }
    default: return Plain(out, 0);
    }
}

void ValueMaker::Plain(VARIANT* out, int depth) {
    uint32_t r = rng_.Below(100);
    if (r < 5) return;  // Empty
    if (r < 10) {
        V_VT(out) = VT_NULL;
    } else if (r < 16) {
        V_VT(out) = VT_ERROR;
        V_ERROR(out) = DISP_E_PARAMNOTFOUND;  // an omitted argument
    } else if (r < 48) {
        Number(out);
    } else if (r < 72) {
        Text(out, RandomText());
    } else if (r < 88 || depth > 1) {
        Object(out);
    } else {
        Array(out, depth + 1);
    }
}

void ValueMaker::Number(VARIANT* out) {
    static const VARTYPE kTypes[] = {VT_I1,  VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4,     VT_I8,   VT_UI8, VT_INT,
                                     VT_UINT, VT_R4, VT_R8, VT_CY,  VT_DATE, VT_DECIMAL, VT_BOOL, VT_ERROR};
    Element(rng_.Pick(kTypes), out, 2);
}

// A value of exactly type vt.
void ValueMaker::Element(VARTYPE vt, VARIANT* out, int depth) {
    static const SHORT kBooleans[] = {0, -1, 1, 0x1234, 0x7FFF, -2};
    static const SCODE kErrors[] = {DISP_E_PARAMNOTFOUND, E_FAIL, S_OK, static_cast<SCODE>(0x800A01A8), 424};
    const int64_t n = Integer(rng_);
    V_VT(out) = vt;
    switch (vt) {
    case VT_I1: V_I1(out) = static_cast<CHAR>(n); break;
    case VT_UI1: V_UI1(out) = static_cast<BYTE>(n); break;
    case VT_I2: V_I2(out) = static_cast<SHORT>(n); break;
    case VT_UI2: V_UI2(out) = static_cast<USHORT>(n); break;
    case VT_I4: case VT_INT: V_I4(out) = static_cast<LONG>(n); break;
    case VT_UI4: case VT_UINT: V_UI4(out) = static_cast<ULONG>(n); break;
    case VT_I8: case VT_UI8: V_I8(out) = n; break;
    case VT_CY: V_CY(out).int64 = n; break;
    case VT_R4: V_R4(out) = static_cast<float>(Double(rng_)); break;
    case VT_R8: case VT_DATE: V_R8(out) = Double(rng_); break;
    case VT_BOOL: V_BOOL(out) = rng_.Pick(kBooleans); break;
    case VT_ERROR: V_ERROR(out) = rng_.OneIn(2) ? rng_.Pick(kErrors) : static_cast<SCODE>(n); break;
    case VT_DECIMAL: {
        DECIMAL d = {};
        d.scale = static_cast<BYTE>(rng_.Below(29));
        d.sign = rng_.OneIn(2) ? DECIMAL_NEG : 0;
        d.Hi32 = static_cast<ULONG>(rng_.Next());
        d.Lo64 = rng_.Next();
        V_DECIMAL(out) = d;
        V_VT(out) = VT_DECIMAL;  // the DECIMAL overlaps the type field
        break;
    }
    case VT_BSTR: V_VT(out) = VT_EMPTY; Text(out, RandomText()); break;
    case VT_DISPATCH: case VT_UNKNOWN:
        V_UNKNOWN(out) = rng_.OneIn(3) ? nullptr : vt == VT_DISPATCH ? objects_.good : objects_.unknownOnly;
        if (V_UNKNOWN(out)) V_UNKNOWN(out)->AddRef();
        break;
    default: V_VT(out) = VT_EMPTY; Plain(out, depth); break;  // VT_VARIANT
    }
}

void ValueMaker::Object(VARIANT* out) {
    IDispatch* const objects[] = {nullptr,           objects_.good,     objects_.failing,    objects_.wrongType,
                                  objects_.facade,   objects_.snapshot, objects_.collection, objects_.font};
    if (rng_.OneIn(4)) {
        V_VT(out) = VT_UNKNOWN;
        V_UNKNOWN(out) = rng_.OneIn(3) ? nullptr : rng_.OneIn(2) ? objects_.unknownOnly : objects_.good;
    } else {
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = rng_.Pick(objects);
    }
    if (V_UNKNOWN(out)) V_UNKNOWN(out)->AddRef();
}

// Arrays of every element type, of one to three dimensions, some with non-zero lower bounds.
void ValueMaker::Array(VARIANT* out, int depth) {
    static const VARTYPE kElements[] = {VT_UI1, VT_UI1,  VT_I1,  VT_I2,  VT_UI2,   VT_I4,      VT_UI4,
                                        VT_I8,  VT_UI8,  VT_INT, VT_UINT, VT_R4,   VT_R8,      VT_CY,
                                        VT_DATE, VT_BSTR, VT_BOOL, VT_ERROR, VT_VARIANT, VT_DECIMAL, VT_DISPATCH,
                                        VT_UNKNOWN};
    static const LONG kLowerBounds[] = {0, 0, 0, 1, -3, 1000};
    const VARTYPE vt = rng_.Pick(kElements);
    const UINT dims = rng_.OneIn(4) ? 2 + rng_.Below(2) : 1;
    const ULONG count = dims == 1 ? rng_.Below(17) : rng_.Below(4);
    const LONG lower = rng_.Pick(kLowerBounds);
    SAFEARRAYBOUND bounds[3] = {{count, lower}, {count, lower}, {count, lower}};  // equal: index order is moot
    SAFEARRAY* sa = SafeArrayCreate(vt, dims, bounds);
    if (!sa) return;
    LONG index[3] = {lower, lower, lower};
    ULONG total = count;
    for (UINT d = 1; d < dims; ++d) total *= count;
    for (; total > 0; --total) {
        Variant element;
        Element(vt, element.Get(), depth);
        SafeArrayPutElement(sa, index, ElementPointer(element.Get(), vt));
        for (UINT d = 0; d < dims && ++index[d] == lower + static_cast<LONG>(count); ++d) index[d] = lower;
    }
    V_VT(out) = VT_ARRAY | vt;
    V_ARRAY(out) = sa;
}

void ValueMaker::Text(VARIANT* out, const std::wstring& text) {
    V_BSTR(out) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    V_VT(out) = V_BSTR(out) ? VT_BSTR : VT_EMPTY;
}

// Empty strings, strings full of NULs, lone surrogates, random code units, names too long
// for the registry, and now and then a megabyte.
std::wstring ValueMaker::RandomText() {
    static const wchar_t* const kTexts[] = {L"",    L"a",           L"Column 1 Width",  L"Version 1.0",
                                            L"Name", L"Password",   L"x\\y",            L"\\",
                                            L"42",   L"-7",         L"3.5",             L"True",
                                            L"1e400", L" 12 ",      L"\x041A\x0438\x0440\x0438\x043B\x043B\x0438\x0446\x0430"};
    static const wchar_t* const kSurrogates[] = {L"\xD800", L"a\xDC00" L"b", L"\xDBFF\xDBFF", L"\xDFFF"};
    switch (rng_.Below(20)) {
    case 0: case 1: return std::wstring(1 + rng_.Below(8), L'\0');
    case 2: return std::wstring(L"ab\0cd", 5);
    case 3: case 4: return rng_.Pick(kSurrogates);
    case 5: case 6: case 7: {
        std::wstring t(rng_.Below(24), L'\0');
        for (wchar_t& c : t) c = static_cast<wchar_t>(rng_.Next());
        return t;
    }
    case 8: return std::wstring(300 + rng_.Below(16000), L'k');
    case 9: return rng_.OneIn(50) ? Megabyte() : L"m";
    default: return rng_.Pick(kTexts);
    }
}

// Hands a value out by reference now and then: as a reference to a Variant, as a script
// variable is passed, or as a typed reference; the value itself stays here. Now and then the
// reference to a Variant is made a chain.
void ValueMaker::MaybeByRef(VARIANT* out) {
    const uint32_t r = rng_.Below(5);
    if (r < 3) return;
    held_.emplace_back();
    VARIANT* inner = held_.back().Get();
    *inner = *out;
    VariantInit(out);
    const VARTYPE vt = V_VT(inner);
    if (r == 3 || vt == VT_EMPTY || vt == VT_NULL) {
        V_VT(out) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(out) = inner;
        if (rng_.OneIn(16)) Chain(out);
    } else {
        V_VT(out) = VT_BYREF | vt;
        V_BYREF(out) = vt == VT_DECIMAL ? static_cast<void*>(&V_DECIMAL(inner)) : static_cast<void*>(&V_UI1(inner));
    }
}

// A reference to a Variant made a chain: to a second reference to its value, or to itself.
void ValueMaker::Chain(VARIANT* out) {
    chained_ = true;
    if (rng_.OneIn(2)) {
        V_VARIANTREF(out) = out;  // the argument's own storage, which stays put for the call
        return;
    }
    held_.emplace_back();
    VARIANT* link = held_.back().Get();
    *link = *out;
    V_VARIANTREF(out) = link;
}

void ValueMaker::ScratchRoot(VARIANT* out) {
    const LONG root = rng_.OneIn(2) ? kHkcu : kHklm;
    switch (rng_.Below(8)) {
    case 0: V_VT(out) = VT_R8; V_R8(out) = root; break;
    case 1: Text(out, std::to_wstring(root)); break;
    case 2: V_VT(out) = VT_I8; V_I8(out) = root; break;
    case 3: Inert(out); break;
    case 4:  // not a root: refused, or root 0, which no registry call accepts
        if (rng_.OneIn(2)) {
            V_VT(out) = VT_ERROR;
            V_ERROR(out) = DISP_E_PARAMNOTFOUND;
        } else {
            V_VT(out) = rng_.OneIn(2) ? VT_EMPTY : VT_NULL;
        }
        break;
    default: V_VT(out) = VT_I4; V_I4(out) = root; break;
    }
    MaybeByRef(out);
}

// The prefix alone (unless `below`) or with a random path below it, or a value that is refused.
void ValueMaker::ScratchText(const std::wstring& prefix, bool below, VARIANT* out) {
    if (rng_.OneIn(10)) {
        Inert(out);
    } else {
        Text(out, prefix + (!below && rng_.OneIn(3) ? std::wstring() : L"\\" + RandomText()));
    }
    MaybeByRef(out);
}

// A file in the scratch folder: mostly one of a few names, so that what one call writes another
// reads, else a random name with nothing in it that leads out of the folder.
void ValueMaker::ScratchFile(VARIANT* out) {
    static const wchar_t* const kNames[] = {L"a.reg", L"b.reg", L"missing.reg", L"hive"};
    std::wstring name = rng_.OneIn(3) ? RandomText().substr(0, 64) : rng_.Pick(kNames);
    for (wchar_t& c : name)
        if (c == L'\\' || c == L'/' || c == L':' || c == 0) c = L'_';
    if (rng_.OneIn(10)) Inert(out);
    else Text(out, ScratchFolder() + L"\\" + name);
    MaybeByRef(out);
}

void ValueMaker::SmallNumber(const long* choices, size_t count, VARIANT* out) {
    const long n = choices[rng_.Below(static_cast<uint32_t>(count))];
    switch (rng_.Below(6)) {
    case 0: Text(out, std::to_wstring(n)); break;
    case 1: V_VT(out) = VT_R8; V_R8(out) = n + 0.25; break;
    case 2: Inert(out); break;
    default: V_VT(out) = VT_I4; V_I4(out) = n; break;
    }
}
