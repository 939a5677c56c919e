#include "stellwick/window/background_job.h"
#include "com/handle_owners.h"
#include <objbase.h>
#include <memory>
#include <new>

namespace {

DWORD WINAPI Work(void* param) {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(param));
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    DWORD rc = 0;
    try {
        (*work)();
    } catch (...) {
        rc = 1;  // nothing may leave the thread
    }
    work.reset();  // its COM objects go before the apartment does
    if (SUCCEEDED(com)) CoUninitialize();
    return rc;
}

}  // namespace

JobEnd RunInBackground(HWND window, std::function<void()> work) {
    auto* owned = new (std::nothrow) std::function<void()>(std::move(work));
    if (!owned) return kJobFailed;
    UniqueHandle thread(CreateThread(nullptr, 0, &Work, owned, 0, nullptr));
    if (!thread.Get()) {
        delete owned;
        return kJobFailed;
    }
    HANDLE handle = thread.Get();
    for (;;) {
        DWORD wait = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that owns it
                return kWindowClosed;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!IsWindow(window)) return kWindowClosed;
    }
    DWORD rc = 1;
    GetExitCodeThread(handle, &rc);
    return rc == 0 ? kJobFinished : kJobFailed;
}
