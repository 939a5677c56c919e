#include "com/type_library.h"
#include "com/com_ptr.h"
#include "com/module_file.h"
#include <windows.h>
#include <mutex>
#include <map>
#include <vector>

namespace {

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof(GUID)) < 0; }
};

std::mutex g_mutex;
ITypeLib* g_typeLib = nullptr;  // kept for the life of the process
std::map<GUID, ITypeInfo*, GuidLess> g_infos;

HRESULT LoadOwnTypeLib() {
    if (g_typeLib) return S_OK;
    std::wstring path = CodeModuleFileName();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, &g_typeLib);
}

}  // namespace

namespace typelib {

HRESULT GetTypeLib(ITypeLib** out) {
    std::lock_guard<std::mutex> lock(g_mutex);
    HRESULT hr = LoadOwnTypeLib();
    if (FAILED(hr)) return hr;
    g_typeLib->AddRef();
    *out = g_typeLib;
    return S_OK;
}

HRESULT GetTypeInfo(REFGUID iid, ITypeInfo** out) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_infos.find(iid);
    if (it == g_infos.end()) {
        HRESULT hr = LoadOwnTypeLib();
        if (FAILED(hr)) return hr;
        ComPtr<ITypeInfo> info;
        hr = g_typeLib->GetTypeInfoOfGuid(iid, info.Put());
        if (FAILED(hr)) return hr;
        it = g_infos.emplace(iid, info.Get()).first;
        info.Detach();  // the cache holds it now, for the life of the process
    }
    it->second->AddRef();
    *out = it->second;
    return S_OK;
}

}  // namespace typelib
