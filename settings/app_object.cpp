#include "settings/app_object.h"
#include "settings/late_binding.h"
#include "automation/tarnwell_idl.h"

HRESULT ReadAppObject(IDispatch* appObject, AppIdentity* out) {
    if (!appObject) return ObjectNotSet(IID__zbnZerbaneSettings2, L"AppObject");
    HRESULT hr = GetTextProperty(appObject, L"Title", &out->title);
    if (SUCCEEDED(hr)) hr = GetLongProperty(appObject, L"Major", &out->major);
    if (SUCCEEDED(hr)) hr = GetLongProperty(appObject, L"Minor", &out->minor);
    return hr;
}
