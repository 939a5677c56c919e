#include "facade.h"

ComPtr<_zbnRegistry2> NewRegistryFacade() {
    ComPtr<_zbnRegistry2> facade;
    if (FAILED(CoCreateInstance(CLSID_zbnRegistry2, nullptr, CLSCTX_INPROC_SERVER, IID__zbnRegistry2,
                                facade.PutVoid())))
        facade.Reset();
    return facade;
}
