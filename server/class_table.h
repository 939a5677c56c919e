#pragma once
// The creatable classes of the server and how to make one.
#include <unknwn.h>

struct CreatableClass {
    const CLSID* clsid;
    const wchar_t* name;  // class name; the programmatic identifier is "Tarnwell0201." + name
    HRESULT (*create)(REFIID riid, void** ppv);
};

// Every class a client may create; nothing else is handed out by DllGetClassObject.
const CreatableClass* CreatableClasses(size_t* count);
