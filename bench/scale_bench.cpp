// Large listings: GetSubKeys over 100,000 subkeys and GetValues with data over 10,000 values,
// each against a raw enumeration that gathers the same information, in one run; and the
// private memory a listing holds per snapshot.
#include <windows.h>
#include "bench/bench_clock.h"
#include <objbase.h>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>
#include "automation/arguments.h"
#include "automation/tarnwell_idl.h"
#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/handle_owners.h"

namespace {

const DWORD kSubKeys = 100000;
const DWORD kValues = 10000;
const wchar_t kKeys[] = L"Software\\TarnwellBench\\Scale\\Keys";
const wchar_t kValuesKey[] = L"Software\\TarnwellBench\\Scale\\Values";

void Seed() {
    UniqueHKey k;
    RegCreateKeyExW(HKEY_CURRENT_USER, kKeys, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr);
    for (DWORD i = 0; i < kSubKeys; ++i) {
        UniqueHKey sub;
        std::wstring name = L"key" + std::to_wstring(i), cls = L"class" + std::to_wstring(i % 7);
        RegCreateKeyExW(k.Get(), name.c_str(), 0, const_cast<wchar_t*>(cls.c_str()), 0, KEY_ALL_ACCESS, nullptr,
                        sub.Put(), nullptr);
    }
    RegCreateKeyExW(HKEY_CURRENT_USER, kValuesKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr);
    for (DWORD i = 0; i < kValues; ++i) {
        std::wstring name = L"value" + std::to_wstring(i), data = L"C:\\Program Files\\Bench\\" + name + L".exe";
        RegSetValueExW(k.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
}

struct RawKey {
    std::wstring name, keyClass;
    FILETIME lastWrite;
};

struct RawValue {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
};

size_t RawSubKeys() {
    std::vector<RawKey> keys;
    UniqueHKey k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKeys, 0, KEY_READ, k.Put()) != ERROR_SUCCESS) return 0;
    DWORD count = 0, maxName = 0, maxClass = 0;
    RegQueryInfoKeyW(k.Get(), nullptr, nullptr, nullptr, &count, &maxName, &maxClass, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    std::vector<wchar_t> name(maxName + 1), cls(maxClass + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLen = maxName + 1, classLen = maxClass + 1;
        FILETIME t;
        if (RegEnumKeyExW(k.Get(), i, name.data(), &nameLen, nullptr, cls.data(), &classLen, &t) != ERROR_SUCCESS)
            break;
        keys.push_back({std::wstring(name.data(), nameLen), std::wstring(cls.data(), classLen), t});
    }
    return keys.size();
}

size_t RawValues() {
    std::vector<RawValue> values;
    UniqueHKey k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kValuesKey, 0, KEY_READ, k.Put()) != ERROR_SUCCESS) return 0;
    DWORD count = 0, maxName = 0, maxData = 0;
    RegQueryInfoKeyW(k.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName, &maxData,
                     nullptr, nullptr);
    std::vector<wchar_t> name(maxName + 1);
    std::vector<BYTE> data(maxData);
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLen = maxName + 1, size = maxData, type = 0;
        if (RegEnumValueW(k.Get(), i, name.data(), &nameLen, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        values.push_back({std::wstring(name.data(), nameLen), type,
                          std::vector<BYTE>(data.begin(), data.begin() + size)});
    }
    return values.size();
}

long CountOf(_Collection* list) {
    long n = 0;
    return list && SUCCEEDED(list->Count(&n)) ? n : -1;
}

// Bytes in use in every heap of the process (blocks that are allocated, not free).
size_t HeapBytesInUse() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    size_t total = 0;
    for (HANDLE heap : heaps) {
        PROCESS_HEAP_ENTRY e = {};
        while (HeapWalk(heap, &e))
            if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += e.cbData;
    }
    return total;
}

// Best of three rounds of each; both must list `expected` entries.
bool Compare(const char* what, size_t expected, const std::function<size_t()>& raw,
             const std::function<size_t()>& facade) {
    double rawBest = 1e30, facadeBest = 1e30;
    size_t rawCount = 0, facadeCount = 0;
    for (int round = 0; round < 3; ++round) {
        double t0 = Now();
        rawCount = raw();
        double t1 = Now();
        facadeCount = facade();
        double t2 = Now();
        rawBest = std::min(rawBest, t1 - t0);
        facadeBest = std::min(facadeBest, t2 - t1);
    }
    std::printf("%-28s raw %7.3f s, facade %7.3f s  (%zu, %zu listed)  ratio %.2f\n", what, rawBest, facadeBest,
                rawCount, facadeCount, facadeBest / rawBest);
    return rawCount == expected && facadeCount == expected;
}

// Heap bytes a listing holds while it is alive, per snapshot.
void PrintMemory(const char* what, const std::function<ComPtr<_Collection>()>& list) {
    size_t before = HeapBytesInUse();
    ComPtr<_Collection> held = list();
    size_t during = HeapBytesInUse();
    long n = CountOf(held.Get());
    held.Reset();
    std::printf("%-28s %.0f bytes per snapshot held (%ld snapshots)\n", what,
                n > 0 ? static_cast<double>(during - before) / n : 0.0, n);
}

}  // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    ComPtr<_zbnRegistry2> reg;
    if (FAILED(CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID__zbnRegistry2, reg.PutVoid()))) {
        std::printf("cannot create the facade (is Tarnwell0201.dll registered?)\n");
        return 1;
    }
    Seed();
    auto subKeys = [&] {
        ComPtr<_Collection> c;
        reg->GetSubKeys(RootConst(HKEY_CURRENT_USER), Bstr(kKeys).Get(), c.Put());
        return c;
    };
    auto values = [&] {
        ComPtr<_Collection> c;
        reg->GetValues(RootConst(HKEY_CURRENT_USER), Bstr(kValuesKey).Get(), VARIANT_TRUE, c.Put());
        return c;
    };
    std::printf("best of 3 rounds\n");
    bool ok = Compare("GetSubKeys, 100,000 keys", kSubKeys, RawSubKeys,
                      [&] { return static_cast<size_t>(CountOf(subKeys().Get())); });
    ok = Compare("GetValues, 10,000 with data", kValues, RawValues,
                 [&] { return static_cast<size_t>(CountOf(values().Get())); }) && ok;
    PrintMemory("GetSubKeys", subKeys);
    PrintMemory("GetValues with data", values);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TarnwellBench\\Scale");
    reg.Reset();
    CoUninitialize();
    return ok ? 0 : 1;
}
