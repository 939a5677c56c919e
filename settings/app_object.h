#pragma once
// The application object of the members ending in 2: its "Title", "Major" and "Minor".
#include <oaidl.h>
#include <string>

struct AppIdentity {
    std::wstring title;
    long major = 0;
    long minor = 0;
};

// Reads the three properties by late binding, in that order; fails with the automation
// error of the first access or conversion that fails (or when the object is not set).
HRESULT ReadAppObject(IDispatch* appObject, AppIdentity* out);
