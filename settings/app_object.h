#pragma once
// The application object of the members ending in 2: its "Title", "Major" and "Minor".
#include <oaidl.h>
#include "com/bstr.h"
#include <string>

struct AppIdentity {
    std::wstring title;
    long major = 0;
    long minor = 0;
};

// Reads the three properties by late binding, in that order; fails with the automation
// error of the first access or conversion that fails (or when the object is not set).
HRESULT ReadAppObject(IDispatch* appObject, AppIdentity* out);

// The shape of every member ending in 2: reads the application object, then calls
// `call(title, major, minor)` with its three values; nothing is called when the read fails.
template <class Call>
HRESULT WithAppObject(IDispatch* appObject, Call call) {
    AppIdentity app;
    HRESULT hr = ReadAppObject(appObject, &app);
    if (FAILED(hr)) return hr;
    Bstr title(app.title);
    return call(title.Get(), app.major, app.minor);
}
