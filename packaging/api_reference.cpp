// Writes docs/api.md, the API reference, from the type library embedded in this program (the
// same one the DLL carries): every class and its members with their parameters, types,
// optional and default values, by-reference flags, result and help string, the enumerations,
// and an example in VBScript and in PowerShell for each creatable class.
// Usage: api_reference OUTPUT_FILE
#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/type_desc.h"
#include "com/type_library.h"
#include "com/variant.h"
#include "packaging/text_file.h"
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// How a script creates each creatable class and reads a value through it.
struct Example {
    const wchar_t* className;
    const wchar_t* vbscript;
    const wchar_t* powershell;
};

const Example kExamples[] = {
    {L"zbnRegistry2",
     L"Const HKEY_CURRENT_USER = &H80000001\n"
     L"Set reg = CreateObject(\"Tarnwell0201.zbnRegistry2\")\n"
     L"If reg.SetValue(HKEY_CURRENT_USER, \"Software\\Example\", \"Greeting\", 1, \"Hello\") Then\n"
     L"    Set v = reg.GetValue(HKEY_CURRENT_USER, \"Software\\Example\", \"Greeting\")\n"
     L"    If Not v Is Nothing Then WScript.Echo v.Data\n"
     L"Else\n"
     L"    WScript.Echo \"Error \" & reg.LastRegError\n"
     L"End If\n",
     L"$reg = New-Object -ComObject Tarnwell0201.zbnRegistry2\n"
     L"foreach ($key in $reg.GetSubKeys(0x80000002, 'SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths')) {\n"
     L"    $key.Name\n"
     L"}\n"},
    {L"zbnRegistry3",
     L"Const HKEY_LOCAL_MACHINE = &H80000002\n"
     L"Set reg = CreateObject(\"Tarnwell0201.zbnRegistry3\")\n"
     L"reg.View = 64   ' what 64-bit programs see, also from a 32-bit script host\n"
     L"Set v = reg.GetValue(HKEY_LOCAL_MACHINE, \"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\", \"ProductName\")\n"
     L"If Not v Is Nothing Then WScript.Echo v.Data\n"
     L"Set w = reg.Watch(HKEY_LOCAL_MACHINE, \"SOFTWARE\\Example\")\n"
     L"If w Is Nothing Then\n"
     L"    WScript.Echo \"Error \" & reg.LastRegError\n"
     L"ElseIf w.Wait(60000) Then\n"
     L"    reg.ExportKey HKEY_LOCAL_MACHINE, \"SOFTWARE\\Example\", \"C:\\Backup\\example.reg\"\n"
     L"End If\n",
     L"$reg = New-Object -ComObject Tarnwell0201.zbnRegistry3\n"
     L"$reg.View = 32   # the 32-bit programs' keys (WOW6432Node)\n"
     L"if (-not $reg.ImportFile('C:\\Backup\\example.reg')) {\n"
     L"    \"Error $($reg.LastRegError) at line $($reg.LastImportLine)\"\n"
     L"}\n"
     L"$reg.GetKeySecurity(0x80000002, 'SOFTWARE\\Example')\n"},
    {L"zbnZerbaneSettings2",
     L"Set settings = CreateObject(\"Tarnwell0201.zbnZerbaneSettings2\")\n"
     L"ok = False\n"
     L"settings.SaveSetting \"\", \"Last file\", 0, \"C:\\notes.txt\", \"My Tool\", 1, 0, True, ok\n"
     L"WScript.Echo settings.LoadSetting(\"\", \"Last file\", 0, \"\", \"My Tool\", 1, 0)\n"
     L"WScript.Echo settings.GetSettingPath(\"My Tool\", 1, 0)\n",
     L"$settings = New-Object -ComObject Tarnwell0201.zbnZerbaneSettings2\n"
     L"$settings.SaveSetting('', 'Width', 1, 640, 'My Tool', 1, 0)\n"
     L"$settings.LoadSetting('', 'Width', 1, 800, 'My Tool', 1, 0)\n"},
};

std::wstring Name(ITypeInfo* info, MEMBERID id = MEMBERID_NIL, std::wstring* help = nullptr) {
    Bstr name, doc;
    if (FAILED(info->GetDocumentation(id, name.Put(), doc.Put(), nullptr, nullptr))) return L"?";
    if (help) *help = doc.Str();
    return name.Str();
}

std::wstring TypeName(ITypeInfo* info, const TYPEDESC& t) {
    switch (t.vt) {
        case VT_PTR: return TypeName(info, *t.lptdesc);
        case VT_SAFEARRAY: return TypeName(info, *t.lptdesc) + L"()";
        case VT_USERDEFINED: {
            ComPtr<ITypeInfo> ref;
            if (FAILED(info->GetRefTypeInfo(t.hreftype, ref.Put()))) return L"?";
            return Name(ref.Get());
        }
        case VT_BSTR: return L"String";
        case VT_I2: return L"Integer";
        case VT_I4: case VT_INT: return L"Long";
        case VT_R4: return L"Single";
        case VT_R8: return L"Double";
        case VT_CY: return L"Currency";
        case VT_DATE: return L"Date";
        case VT_BOOL: return L"Boolean";
        case VT_VARIANT: return L"Variant";
        case VT_DISPATCH: return L"Object";
        case VT_UNKNOWN: return L"IUnknown";
        case VT_UI1: return L"Byte";
        case VT_VOID: case VT_HRESULT: return L"";
        default: return L"VARTYPE " + std::to_wstring(t.vt);
    }
}

// A default value as a script would write it; the invariant locale keeps numbers stable.
std::wstring ValueText(const VARIANT& v) {
    if (V_VT(&v) == VT_BSTR) return L"\"" + Bstr::ToString(V_BSTR(&v)) + L"\"";
    if (V_VT(&v) == VT_BOOL) return V_BOOL(&v) ? L"True" : L"False";
    Variant text;
    if (FAILED(VariantChangeTypeEx(text.Get(), const_cast<VARIANT*>(&v), LOCALE_INVARIANT, 0, VT_BSTR))) return L"?";
    return Bstr::ToString(V_BSTR(text.Get()));
}

std::wstring Cell(const std::wstring& s) { return s.empty() ? L" " : s; }

std::wstring MemberKind(const FUNCDESC& f, bool hasResult) {
    if (f.invkind == INVOKE_PROPERTYGET) return L"Property Get";
    if (f.invkind == INVOKE_PROPERTYPUT) return L"Property Let";
    if (f.invkind == INVOKE_PROPERTYPUTREF) return L"Property Set";
    return hasResult ? L"Function" : L"Sub";
}

HRESULT Member(ITypeInfo* info, const FUNCDESC& f, std::wstring* out) {
    std::vector<BSTR> raw(static_cast<size_t>(f.cParams) + 1, nullptr);
    UINT got = 0;
    const HRESULT hr = info->GetNames(f.memid, raw.data(), static_cast<UINT>(raw.size()), &got);
    std::vector<Bstr> names;
    for (BSTR b : raw) names.push_back(Bstr::Attach(b));
    if (FAILED(hr)) return hr;
    std::wstring help;
    const std::wstring name = Name(info, f.memid, &help);

    // A dual interface's dispatch view gives the result as the member's type, not as a parameter.
    std::wstring signature, table, result = TypeName(info, f.elemdescFunc.tdesc);
    for (SHORT i = 0; i < f.cParams; ++i) {
        const ELEMDESC& e = f.lprgelemdescParam[i];
        const USHORT flags = e.paramdesc.wParamFlags;
        const std::wstring type = TypeName(info, e.tdesc);
        if (flags & PARAMFLAG_FRETVAL) {
            result = type;
            continue;
        }
        // Property puts name their value parameter nothing in the library.
        const std::wstring param = static_cast<UINT>(i) + 1 < got ? names[static_cast<size_t>(i) + 1].Str() : L"Value";
        const bool byRef = e.tdesc.vt == VT_PTR && (flags & PARAMFLAG_FOUT);
        const bool optional = (flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)) != 0;
        std::wstring deflt;
        if ((flags & PARAMFLAG_FHASDEFAULT) && e.paramdesc.pparamdescex)
            deflt = ValueText(e.paramdesc.pparamdescex->varDefaultValue);
        std::wstring part = (byRef ? L"ByRef " : L"") + param + L" As " + type;
        if (!deflt.empty()) part += L" = " + deflt;
        if (optional) part = L"[" + part + L"]";
        signature += (signature.empty() ? L"" : L", ") + part;
        table += L"| `" + param + L"` | " + type + L" | " + (byRef ? L"by reference" : L"by value") + L" | " +
                 (optional ? L"yes" : L"no") + L" | " + Cell(deflt.empty() ? L"" : L"`" + deflt + L"`") + L" |\n";
    }
    std::wstring text = L"#### " + name + (f.invkind == INVOKE_PROPERTYPUT ? L" (Let)" : L"") + L"\n\n";
    text += L"`" + MemberKind(f, !result.empty()) + L" " + name + L"(" + signature + L")" +
            (result.empty() ? L"" : L" As " + result) + L"`\n\n";
    text += help + L"\n\n";
    if (!table.empty())
        text += L"| Parameter | Type | Passed | Optional | Default |\n|---|---|---|---|---|\n" + table + L"\n";
    text += L"Result: " + (result.empty() ? std::wstring(L"none") : result) + L".\n\n";
    *out += text;
    return S_OK;
}

// The dual interface a dual interface derives from, through its dispatch view; null when that
// is IDispatch.
ComPtr<ITypeInfo> BaseInterface(ITypeInfo* iface) {
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> own, base;
    if (FAILED(iface->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) || FAILED(iface->GetRefTypeInfo(ref, own.Put())) ||
        FAILED(own->GetRefTypeOfImplType(0, &ref)) || FAILED(own->GetRefTypeInfo(ref, base.Put())))
        return {};
    return Name(base.Get()) == L"IDispatch" ? ComPtr<ITypeInfo>() : base;
}

// The dispatch identifiers of the members an interface declares itself.
std::vector<MEMBERID> OwnMembers(ITypeInfo* iface) {
    std::vector<MEMBERID> ids;
    TYPEATTR* raw = nullptr;
    if (!iface || FAILED(iface->GetTypeAttr(&raw))) return ids;
    const WORD count = HeldTypeAttr(iface, raw)->cFuncs;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* fd = nullptr;
        if (SUCCEEDED(iface->GetFuncDesc(i, &fd))) ids.push_back(HeldFuncDesc(iface, fd)->memid);
    }
    return ids;
}

// The members of an interface; those it inherits from another dual interface are named once,
// with that interface.
HRESULT Members(ITypeInfo* iface, std::wstring* text) {
    const ComPtr<ITypeInfo> base = BaseInterface(iface);
    const std::vector<MEMBERID> inherited = OwnMembers(base.Get());
    if (base)
        *text += L"Every member of `" + Name(base.Get()) + L"`, with the same dispatch identifiers, and these:\n\n";
    TYPEATTR* attr = nullptr;
    HRESULT hr = iface->GetTypeAttr(&attr);
    if (FAILED(hr)) return hr;
    const WORD count = HeldTypeAttr(iface, attr)->cFuncs;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* raw = nullptr;
        hr = iface->GetFuncDesc(i, &raw);
        if (FAILED(hr)) return hr;
        HeldFuncDesc f(iface, raw);
        // IUnknown's and IDispatch's own members, and restricted ones, are no business of scripts.
        const bool dispatchOwn = f->memid >= 0x60000000 && f->memid < 0x60020000;
        const bool fromBase = std::find(inherited.begin(), inherited.end(), f->memid) != inherited.end();
        if (dispatchOwn || fromBase || (f->wFuncFlags & FUNCFLAG_FRESTRICTED)) continue;
        hr = Member(iface, *f.Get(), text);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

const Example* ExampleOf(const std::wstring& className) {
    for (const Example& e : kExamples)
        if (className == e.className) return &e;
    return nullptr;
}

HRESULT Class(ITypeInfo* coclass, const TYPEATTR& attr, std::wstring* text) {
    std::wstring help;
    const std::wstring name = Name(coclass, MEMBERID_NIL, &help);
    const bool creatable = (attr.wTypeFlags & TYPEFLAG_FCANCREATE) != 0;
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> iface;
    HRESULT hr = coclass->GetRefTypeOfImplType(0, &ref);
    if (SUCCEEDED(hr)) hr = coclass->GetRefTypeInfo(ref, iface.Put());
    if (FAILED(hr)) return hr;
    *text += L"## " + name + L"\n\n" + help + L"\n\n";
    if (creatable) {
        const Example* example = ExampleOf(name);
        if (!example) return E_FAIL;  // every creatable class needs its example
        *text += L"Programmatic identifier `Tarnwell0201." + name + L"`; default interface `" + Name(iface.Get()) +
                 L"`.\n\nVBScript:\n\n```vbscript\n" + example->vbscript + L"```\n\nPowerShell:\n\n```powershell\n" +
                 example->powershell + L"```\n\n";
    } else {
        *text += L"Not creatable: made by the library only. Default interface `" + Name(iface.Get()) + L"`.\n\n";
    }
    *text += L"### Members\n\n";
    return Members(iface.Get(), text);
}

HRESULT Enumeration(ITypeInfo* info, const TYPEATTR& attr, std::wstring* text) {
    std::wstring help;
    *text += L"## " + Name(info, MEMBERID_NIL, &help) + L"\n\n" + help + L"\n\n| Name | Value |\n|---|---|\n";
    for (UINT i = 0; i < attr.cVars; ++i) {
        VARDESC* raw = nullptr;
        HRESULT hr = info->GetVarDesc(i, &raw);
        if (FAILED(hr)) return hr;
        HeldVarDesc v(info, raw);
        *text += L"| `" + Name(info, v->memid) + L"` | " + (v->varkind == VAR_CONST ? ValueText(*v->lpvarValue) : L"?") +
                 L" |\n";
    }
    *text += L"\n";
    return S_OK;
}

HRESULT Reference(std::wstring* text) {
    ComPtr<ITypeLib> lib;
    HRESULT hr = typelib::GetTypeLib(lib.Put());
    if (FAILED(hr)) return hr;
    Bstr libName, libHelp;
    hr = lib->GetDocumentation(-1, libName.Put(), libHelp.Put(), nullptr, nullptr);
    if (FAILED(hr)) return hr;
    *text = L"# " + libName.Str() + L" API reference\n\n" + libHelp.Str() +
            L". Made by `packaging/api_reference.cpp` from the type library inside `Tarnwell0201.dll`; do not edit.\n\n"
            L"Optional parameters are in brackets, with their default value where they have one; a parameter passed "
            L"by reference (ByRef) receives a value back. Registry failures are reported through results and "
            L"`LastRegError`, settings failures through `lpSuccess` and defaults.\n\n";
    std::wstring classes, enums;
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        ComPtr<ITypeInfo> info;
        hr = lib->GetTypeInfo(i, info.Put());
        if (FAILED(hr)) return hr;
        TYPEATTR* raw = nullptr;
        hr = info->GetTypeAttr(&raw);
        if (FAILED(hr)) return hr;
        HeldTypeAttr attr(info.Get(), raw);
        if (attr->typekind == TKIND_COCLASS) hr = Class(info.Get(), *attr.Get(), &classes);
        else if (attr->typekind == TKIND_ENUM) hr = Enumeration(info.Get(), *attr.Get(), &enums);
        if (FAILED(hr)) return hr;
    }
    *text += classes + L"# Enumerations\n\n" + enums;
    return S_OK;
}

int Run(int argc, wchar_t** argv) {
    if (argc != 2) {
        fwprintf(stderr, L"usage: api_reference OUTPUT_FILE\n");
        return 2;
    }
    std::wstring text;
    HRESULT hr = Reference(&text);
    if (FAILED(hr)) {
        fwprintf(stderr, L"api_reference: cannot read the type library (0x%08lx)\n", static_cast<unsigned long>(hr));
        return 1;
    }
    if (!WriteUtf8File(argv[1], text)) {
        fwprintf(stderr, L"api_reference: cannot write %ls\n", argv[1]);
        return 1;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return WithCom(Run, argc, argv); }
