// Late-bound reads: zbnRegistry2.GetValue against WScript.Shell.RegRead on the same
// values, both called by name through IDispatch::Invoke from one client, in one run.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <cstdio>
#include <string>
#include <vector>
#include "com/com_ptr.h"
#include "com/handle_owners.h"
#include "com/variant.h"

namespace {

const int kValues = 200;
const int kRounds = 25;
const wchar_t kKey[] = L"Software\\TarnwellBench\\DispatchRead";

DISPID IdOf(IDispatch* obj, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    obj->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

HRESULT Call(IDispatch* obj, DISPID id, std::vector<VARIANT>& reversedArgs, VARIANT* result) {
    DISPPARAMS dp = {reversedArgs.data(), nullptr, static_cast<UINT>(reversedArgs.size()), 0};
    return obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &dp, result,
                       nullptr, nullptr);
}

VARIANT Bstr(const std::wstring& s) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(s.c_str());
    return v;
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    UniqueHKey k;
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr);
    for (int i = 0; i < kValues; ++i) {
        std::wstring name = L"v" + std::to_wstring(i), data = L"value number " + std::to_wstring(i);
        RegSetValueExW(k.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * 2));
    }
    k.Reset();

    CLSID facadeId, shellId;
    ComPtr<IDispatch> facade, shell;
    if (FAILED(CLSIDFromProgID(L"Tarnwell0201.zbnRegistry2", &facadeId)) ||
        FAILED(CoCreateInstance(facadeId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, facade.PutVoid())) ||
        FAILED(CLSIDFromProgID(L"WScript.Shell", &shellId)) ||
        FAILED(CoCreateInstance(shellId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, shell.PutVoid()))) {
        std::printf("cannot create the objects (is Tarnwell0201.dll registered?)\n");
        return 1;
    }
    DISPID getValue = IdOf(facade.Get(), L"GetValue"), data = DISPID_UNKNOWN;
    DISPID regRead = IdOf(shell.Get(), L"RegRead");

    // Arguments are made once; both clients read the same names.
    std::vector<std::vector<VARIANT>> facadeArgs, shellArgs;
    for (int i = 0; i < kValues; ++i) {
        std::wstring name = L"v" + std::to_wstring(i);
        VARIANT root;
        VariantInit(&root);
        V_VT(&root) = VT_I4;
        V_I4(&root) = static_cast<LONG>(0x80000001);
        facadeArgs.push_back({Bstr(name), Bstr(kKey), root});
        shellArgs.push_back({Bstr(L"HKCU\\" + std::wstring(kKey) + L"\\" + name)});
    }
    {
        Variant first;
        Call(facade.Get(), getValue, facadeArgs[0], first.Get());
        if (first.Type() == VT_DISPATCH && V_DISPATCH(first.Get())) data = IdOf(V_DISPATCH(first.Get()), L"Data");
    }

    double facadeTime = 1e30, facadeDataTime = 1e30, shellTime = 1e30;
    int errors = 0;
    for (int round = 0; round < kRounds; ++round) {
        LARGE_INTEGER t0, t1, t2, t3;
        QueryPerformanceCounter(&t0);
        for (auto& args : facadeArgs) {
            Variant r;
            if (FAILED(Call(facade.Get(), getValue, args, r.Get())) || r.Type() != VT_DISPATCH) ++errors;
        }
        QueryPerformanceCounter(&t1);
        for (auto& args : facadeArgs) {
            Variant r, text;
            Call(facade.Get(), getValue, args, r.Get());
            std::vector<VARIANT> none;
            if (r.Type() != VT_DISPATCH || FAILED(Call(V_DISPATCH(r.Get()), data, none, text.Get()))) ++errors;
        }
        QueryPerformanceCounter(&t2);
        for (auto& args : shellArgs) {
            Variant r;
            if (FAILED(Call(shell.Get(), regRead, args, r.Get())) || r.Type() != VT_BSTR) ++errors;
        }
        QueryPerformanceCounter(&t3);
        // The best round of each: the least disturbed by the rest of the machine.
        facadeTime = std::min(facadeTime, Seconds(t0, t1));
        facadeDataTime = std::min(facadeDataTime, Seconds(t1, t2));
        shellTime = std::min(shellTime, Seconds(t2, t3));
    }
    for (auto& args : facadeArgs) for (auto& v : args) VariantClear(&v);
    for (auto& args : shellArgs) for (auto& v : args) VariantClear(&v);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TarnwellBench");

    std::printf("%d reads per round, best of %d rounds\n", kValues, kRounds);
    std::printf("WScript.Shell.RegRead        %8.1f us/read\n", shellTime * 1e6 / kValues);
    std::printf("zbnRegistry2.GetValue        %8.1f us/read  ratio %.2f\n", facadeTime * 1e6 / kValues,
                facadeTime / shellTime);
    std::printf("zbnRegistry2.GetValue + Data %8.1f us/read  ratio %.2f\n", facadeDataTime * 1e6 / kValues,
                facadeDataTime / shellTime);
    if (errors) std::printf("errors: %d\n", errors);
    CoUninitialize();
    return errors ? 1 : 0;
}
