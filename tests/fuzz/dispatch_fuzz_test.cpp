// The dispatch fuzzer. The parent runs the calls in child processes of itself, a chunk
// each, and counts a child that dies or stops making progress as a crash at the call it
// was running; it checks that nothing was written outside the scratch keys.
// TARNWELL_FUZZ=seed:count[:first] runs other calls than the fixed ones of the test run.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlwapi.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "automation/collection.h"
#include "com/com_ptr.h"
#include "com/handle_owners.h"
#include "com/module_count.h"
#include "tests/fuzz/fake_objects.h"
#include "tests/fuzz/fuzz_call.h"
#include "registry/registry2.h"
#include "registry/snapshots.h"
#include "registry/trees/registry_tree.h"
#include "tests/fuzz/registry_fingerprint.h"
#include "tests/scratch_files.h"

namespace {

const uint64_t kChunk = 25000;          // calls per child process
const ULONGLONG kHangMs = 60000;        // a call that runs this long counts as a hang
const UINT kHangExit = 0xDEAD;
const int kMaxReported = 20;

// What the parent and a child share: the call the child is on, and how it ended.
struct Progress {
    volatile LONG64 current;
    volatile LONG finished;
    volatile LONG problems;
};
Progress* g_progress = nullptr;

// Ends the child at once, without a debugger, with the exception's code as its exit code.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* info) {
    TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

// The fuzzer's windows: children of a window that is never shown, so nothing they do
// activates a window or touches another program's.
void MakeWindows(FuzzObjects* o) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND parent = CreateWindowExW(0, L"STATIC", L"fuzz", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    if (!parent) return;
    o->list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 300, 200, parent, nullptr,
                              nullptr, nullptr);
    o->form = CreateWindowExW(0, L"STATIC", L"form", WS_CHILD | WS_VISIBLE, 10, 10, 100, 50, parent, nullptr, nullptr, nullptr);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    for (int i = 0; i < 3; ++i) {
        column.cx = 40 + 30 * i;
        SendMessageW(o->list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

HRESULT MakeObjects(FuzzObjects* o) {
    o->good = NewFake(FakeKind::Good);
    o->failing = NewFake(FakeKind::Failing);
    o->wrongType = NewFake(FakeKind::WrongType);
    o->unknownOnly = NewUnknownOnly();
    ComPtr<Registry2> facade;
    ComPtr<RegValue> snapshot;
    ComPtr<Collection> list;
    HRESULT hr = Registry2::Make(&facade);
    if (SUCCEEDED(hr)) hr = RegValue::Make(L"v", kScratchKey, static_cast<long>(0x80000001), REG_DWORD,
                                           Variant::Long(7).Get(), &snapshot);
    if (SUCCEEDED(hr)) hr = Collection::Create(&list);
    if (SUCCEEDED(hr)) hr = list->AddObject(snapshot.Get());
    if (FAILED(hr)) return hr;
    o->facade = facade.Detach();
    o->snapshot = snapshot.Detach();
    o->collection = list.Detach();
    hr = CoCreateInstance(CLSID_StdFont, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&o->font));
    MakeWindows(o);
    return hr;
}

void ReleaseObjects(FuzzObjects* o) {
    for (IUnknown* p : std::initializer_list<IUnknown*>{o->good, o->failing, o->wrongType, o->unknownOnly, o->facade,
                                                         o->snapshot, o->collection, o->font})
        if (p) p->Release();
    if (o->list) DestroyWindow(GetParent(o->list));
    *o = FuzzObjects();
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void Report(const wchar_t* text) { fwprintf(stderr, L"fuzz: %ls\n", text); }

// A child: runs calls [first, first + count) and reports each broken rule; exits 0 when
// there was none, 1 otherwise. Any other end is a crash.
int RunChild(uint64_t seed, uint64_t first, uint64_t count) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndOnCrash);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    FuzzObjects objects;
    HRESULT hr = MakeObjects(&objects);
    Fuzzer fuzzer(seed, objects);
    if (SUCCEEDED(hr)) hr = fuzzer.Load();
    if (FAILED(hr)) {
        Report((L"cannot start: error " + std::to_wstring(hr)).c_str());
        return 2;
    }
    long problems = 0;
    for (uint64_t i = first; i < first + count; ++i) {
        g_progress->current = static_cast<LONG64>(i);
        std::wstring problem;
        if (!fuzzer.Run(i, &problem) && ++problems <= kMaxReported)
            Report((L"seed " + std::to_wstring(seed) + L" call " + std::to_wstring(i) + L": " + problem).c_str());
        if (i % 256 == 0) PumpMessages();
    }
    ReleaseObjects(&objects);
    if (!module::CanUnload() && ++problems <= kMaxReported)
        Report(L"objects of the library are still alive after the last call: DllCanUnloadNow would answer S_FALSE");
    g_progress->problems = problems;
    g_progress->current = static_cast<LONG64>(first + count);
    g_progress->finished = 1;
    CoUninitialize();
    return problems ? 1 : 0;
}

struct ChildEnd {
    uint64_t next;  // the first call not run
    bool crashed;
    long problems;
};

// Runs one child on calls [first, first + count) and watches it.
ChildEnd WatchChild(HANDLE shared, uint64_t seed, uint64_t first, uint64_t count) {
    *g_progress = Progress{static_cast<LONG64>(first), 0, 0};
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --child " + std::to_wstring(seed) + L" " + std::to_wstring(first) +
                       L" " + std::to_wstring(count) + L" " + std::to_wstring(reinterpret_cast<uintptr_t>(shared));
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        Report(L"cannot start a child process");
        return {first + count, true, 0};
    }
    const UniqueHandle process(pi.hProcess), thread(pi.hThread);
    LONG64 seen = static_cast<LONG64>(first);
    ULONGLONG moved = GetTickCount64();
    bool hung = false;
    while (WaitForSingleObject(process.Get(), 250) == WAIT_TIMEOUT) {
        if (g_progress->current != seen) {
            seen = g_progress->current;
            moved = GetTickCount64();
        } else if (GetTickCount64() - moved > kHangMs) {
            TerminateProcess(process.Get(), kHangExit);
            WaitForSingleObject(process.Get(), INFINITE);
            hung = true;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    const uint64_t at = static_cast<uint64_t>(g_progress->current);
    const bool finished = g_progress->finished != 0;
    if (finished && (code == 0 || code == 1)) return {at, false, g_progress->problems};
    wchar_t code16[16];
    wsprintfW(code16, L"0x%lX", code);
    const std::wstring where = finished ? L" after the last of calls " + std::to_wstring(first) + L" to " +
                                              std::to_wstring(at - 1)
                                        : L" call " + std::to_wstring(at);
    Report((std::wstring(hung ? L"hang" : L"crash") + L" at seed " + std::to_wstring(seed) + where + L" (exit code " +
            code16 + L")")
               .c_str());
    return {finished ? at : at + 1, true, 0};
}

// The scratch keys, in both roots (in the machine's 32-bit view too, which zbnRegistry3 reaches),
// and the scratch folder; made before the first fingerprint so that their parents count as
// already there, and deleted at the end with the parents made for them.
struct Scratch {
    static constexpr const wchar_t* kParents[2] = {L"Software\\Orrindale\\Zerbane", L"Software\\Orrindale"};
    bool existed[2][2] = {};  // [root][parent]
    static HKEY Root(int i) { return i == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

    void Make() {
        for (int i = 0; i < 2; ++i) {
            for (int p = 0; p < 2; ++p) {
                UniqueHKey k;
                existed[i][p] = RegOpenKeyExW(Root(i), kParents[p], 0, KEY_READ, k.Put()) == ERROR_SUCCESS;
            }
            for (const wchar_t* path : {kScratchKey, kScratchSettingsKey}) {
                SHDeleteKeyW(Root(i), path);
                UniqueHKey k;
                RegCreateKeyExW(Root(i), path, 0, nullptr, 0, KEY_READ, nullptr, k.Put(), nullptr);
            }
        }
        DeleteTree(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_32KEY);
        UniqueHKey k;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kScratchKey, 0, nullptr, 0, KEY_READ | KEY_WOW64_32KEY, nullptr, k.Put(),
                        nullptr);
        RemoveFolder(ScratchFolder());
        CreateDirectoryW(ScratchFolder().c_str(), nullptr);
    }
    void Remove() const {
        for (int i = 0; i < 2; ++i) {
            SHDeleteKeyW(Root(i), kScratchKey);
            SHDeleteKeyW(Root(i), kScratchSettingsKey);
            for (int p = 0; p < 2; ++p)
                if (!existed[i][p]) SHDeleteEmptyKeyW(Root(i), kParents[p]);
        }
        DeleteTree(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_32KEY);
        RemoveFolder(ScratchFolder());
    }
    // The scratch keys, and what Wine's own services keep up to date while a new prefix settles
    // (the hardware and system configuration, the network cards): none of it is a key path
    // the fuzzer hands out or the settings store builds.
    static std::vector<std::wstring> Excluded() {
        return {std::wstring(L"HKCU\\") + kScratchKey,
                std::wstring(L"HKCU\\") + kScratchSettingsKey,
                std::wstring(L"HKLM\\") + kScratchKey,
                std::wstring(L"HKLM\\") + kScratchSettingsKey,
                std::wstring(L"HKLM\\Software\\Wow6432Node\\TarnwellFuzz"),
                L"HKLM\\Hardware",
                L"HKLM\\System",
                L"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
                L"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards"};
    }
};

// Wine registers the standard OLE type library (stdole2.tlb) the first time a font object
// looks up its own type information in a new prefix, as LoadTypeLib by file name does; that
// must happen before the first fingerprint, or it would count as the fuzzer's own write.
void RegisterStandardTypeLibrary() {
    ComPtr<ITypeLib> lib;
    LoadTypeLib(L"stdole2.tlb", lib.Put());
}

int RunParent() {
    unsigned long long seed = 1, count = 100000, first = 0;
    if (const char* plan = getenv("TARNWELL_FUZZ")) sscanf(plan, "%llu:%llu:%llu", &seed, &count, &first);
    for (DWORD id : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE})
        SetHandleInformation(GetStdHandle(id), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE shared = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, sizeof(Progress), nullptr);
    g_progress = shared ? static_cast<Progress*>(MapViewOfFile(shared, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Progress))) : nullptr;
    if (!g_progress) return 2;
    RegisterStandardTypeLibrary();
    Scratch scratch;
    scratch.Make();
    const RegistryFingerprint before = TakeRegistryFingerprint(Scratch::Excluded());
    const ULONGLONG start = GetTickCount64();
    long crashes = 0, problems = 0;
    for (uint64_t next = first; next < first + count;) {
        ChildEnd end = WatchChild(shared, seed, next, std::min<uint64_t>(kChunk, first + count - next));
        crashes += end.crashed ? 1 : 0;
        problems += end.problems;
        next = end.next;
    }
    const double seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
    for (const std::wstring& key : FingerprintDifferences(before, TakeRegistryFingerprint(Scratch::Excluded()), 10)) {
        Report((L"written outside the scratch keys: " + key).c_str());
        ++problems;
    }
    scratch.Remove();
    printf("fuzz: %llu calls, %ld crashes, %.1f s\n", count, crashes, seconds);
    return crashes > 0 || problems > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && strcmp(argv[1], "--child") == 0) {
        HANDLE shared = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(_strtoui64(argv[5], nullptr, 10)));
        static Progress alone;  // a child started by hand (shared handle 0) to look at a call
        g_progress = shared ? static_cast<Progress*>(MapViewOfFile(shared, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Progress)))
                            : &alone;
        if (!g_progress) return 2;
        return RunChild(_strtoui64(argv[2], nullptr, 10), _strtoui64(argv[3], nullptr, 10), _strtoui64(argv[4], nullptr, 10));
    }
    return RunParent();
}
