#pragma once
// The owners of what the platform hands out, each a UniqueAny (com/unique_any.h): kernel and
// find handles, registry keys, GDI objects, menus, a window's device context and LocalAlloc
// memory. The owner of a SAFEARRAY is in com/safe_array.h.
#include <windows.h>
#include "com/unique_any.h"

// A HANDLE holds nothing when null or INVALID_HANDLE_VALUE: the platform fails both ways.
template <auto CloseFunction>
struct HandleTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsEmpty(Type value) { return !value || value == INVALID_HANDLE_VALUE; }
    static void Close(Type value) { CloseFunction(value); }
};

// A kernel handle: a file, a pipe, a thread, a process, an event.
using UniqueHandle = UniqueAny<HandleTraits<&CloseHandle>>;
// A search FindFirstFile began.
using UniqueFindHandle = UniqueAny<HandleTraits<&FindClose>>;
// An open registry key; never a predefined root such as HKEY_CURRENT_USER.
using UniqueHKey = UniqueAny<NullIsEmpty<HKEY, &RegCloseKey>>;
// A font, pen, brush, bitmap or region.
template <class T>
using UniqueGdiObject = UniqueAny<NullIsEmpty<T, &DeleteObject>>;
using UniqueFont = UniqueGdiObject<HFONT>;
// A menu that no window owns (a window destroys its own menu).
using UniqueMenu = UniqueAny<NullIsEmpty<HMENU, &DestroyMenu>>;
// Memory LocalAlloc gave, as FormatMessage (FORMAT_MESSAGE_ALLOCATE_BUFFER), CommandLineToArgvW
// and ConvertStringSecurityDescriptorToSecurityDescriptorW return it: UniqueLocal<wchar_t*>,
// UniqueLocal<wchar_t**>, UniqueLocal<PSECURITY_DESCRIPTOR>.
template <class T>
using UniqueLocal = UniqueAny<NullIsEmpty<T, &LocalFree>>;

// A device context from GetDC, with the window that ReleaseDC needs to give it back.
struct WindowDc {
    HWND window;
    HDC dc;
};
struct WindowDcTraits {
    using Type = WindowDc;
    static Type Empty() { return {nullptr, nullptr}; }
    static bool IsEmpty(Type value) { return !value.dc; }
    static void Close(Type value) { ReleaseDC(value.window, value.dc); }
};
using UniqueWindowDc = UniqueAny<WindowDcTraits>;

// The device context of a window, or of the whole screen for null; empty when GetDC fails.
inline UniqueWindowDc WindowDcOf(HWND window) { return UniqueWindowDc(WindowDc{window, GetDC(window)}); }
