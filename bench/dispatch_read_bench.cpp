// Late-bound reads: zbnRegistry2.GetValue against WScript.Shell.RegRead on the same
// values, both called by name through IDispatch::Invoke from one client, in one run; and
// against the floor, the same reads made in-process with the registry API alone.
#include <windows.h>
#include "bench/bench_clock.h"
#include <objbase.h>
#include <oleauto.h>
#include <algorithm>
#include <cstdio>
#include <functional>
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

// A late-bound read that succeeds with a value of the type expected.
bool Reads(IDispatch* obj, DISPID id, std::vector<VARIANT>& reversedArgs, VARTYPE type) {
    Variant r;
    return SUCCEEDED(Call(obj, id, reversedArgs, r.Get())) && r.Type() == type;
}

VARIANT Bstr(const std::wstring& s) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(s.c_str());
    return v;
}

// One read as the facade makes it, without COM: open, query the text, close.
bool RawRead(const std::wstring& name) {
    UniqueHKey k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, k.Put()) != ERROR_SUCCESS) return false;
    BYTE data[1024];
    DWORD type = 0, size = sizeof(data);
    LSTATUS rc = RegQueryValueExW(k.Get(), name.c_str(), nullptr, &type, data, &size);
    return rc == ERROR_SUCCESS && type == REG_SZ;
}

// Reads every item; how many reads failed.
template <class Items, class Read>
int Failures(Items& items, Read read) {
    int failed = 0;
    for (auto& item : items) failed += read(item) ? 0 : 1;
    return failed;
}

}  // namespace

int main(int argc, char** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    const bool count = argc > 1 && std::string(argv[1]) == "--count";
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
    std::vector<std::wstring> names;
    for (int i = 0; i < kValues; ++i) {
        std::wstring name = L"v" + std::to_wstring(i);
        names.push_back(name);
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

    // The kinds of reads, each a round over every value; the number of failed reads.
    struct Kind {
        const wchar_t* mark;  // how bench/count_requests.sh names it
        std::function<int()> round;
        double best;
    };
    Kind kinds[] = {
        {L"getvalue",
         [&] {
             return Failures(facadeArgs,
                             [&](std::vector<VARIANT>& args) { return Reads(facade.Get(), getValue, args, VT_DISPATCH); });
         }, 1e30},
        {L"getvaluedata",
         [&] {
             return Failures(facadeArgs, [&](std::vector<VARIANT>& args) {
                 Variant r, text;
                 std::vector<VARIANT> none;
                 Call(facade.Get(), getValue, args, r.Get());
                 return r.Type() == VT_DISPATCH && SUCCEEDED(Call(V_DISPATCH(r.Get()), data, none, text.Get()));
             });
         }, 1e30},
        {L"regread",
         [&] {
             return Failures(shellArgs,
                             [&](std::vector<VARIANT>& args) { return Reads(shell.Get(), regRead, args, VT_BSTR); });
         }, 1e30},
        {L"raw", [&] { return Failures(names, RawRead); }, 1e30},
    };
    int errors = 0;
    if (count) {  // one round of each kind between marks
        for (Kind& kind : kinds) {
            Mark((L"bench-mark-" + std::wstring(kind.mark)).c_str());
            errors += kind.round();
        }
        Mark(L"bench-mark-end");
    }
    for (int round = 0; !count && round < kRounds; ++round) {
        for (Kind& kind : kinds) {
            const double t0 = Now();
            errors += kind.round();
            // The best round of each: the least disturbed by the rest of the machine.
            kind.best = std::min(kind.best, Now() - t0);
        }
    }
    for (auto& args : facadeArgs) for (auto& v : args) VariantClear(&v);
    for (auto& args : shellArgs) for (auto& v : args) VariantClear(&v);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TarnwellBench");

    const double facadeTime = kinds[0].best, facadeDataTime = kinds[1].best, shellTime = kinds[2].best,
                 rawTime = kinds[3].best;
    if (count) std::printf("%d reads, one round of each kind\n", kValues);
    else std::printf("%d reads per round, best of %d rounds; ratios to RegRead, and to the raw reads\n", kValues, kRounds);
    if (!count) {
        std::printf("raw open, query, close       %8.1f us/read\n", rawTime * 1e6 / kValues);
        std::printf("WScript.Shell.RegRead        %8.1f us/read  ratio %.2f  raw %.2f\n", shellTime * 1e6 / kValues,
                    1.0, shellTime / rawTime);
        std::printf("zbnRegistry2.GetValue        %8.1f us/read  ratio %.2f  raw %.2f\n", facadeTime * 1e6 / kValues,
                    facadeTime / shellTime, facadeTime / rawTime);
        std::printf("zbnRegistry2.GetValue + Data %8.1f us/read  ratio %.2f  raw %.2f\n",
                    facadeDataTime * 1e6 / kValues, facadeDataTime / shellTime, facadeDataTime / rawTime);
    }
    if (errors) std::printf("errors: %d\n", errors);
    CoUninitialize();
    return errors ? 1 : 0;
}
