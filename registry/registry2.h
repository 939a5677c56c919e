#pragma once
// zbnRegistry2: the registry facade (registry_facade.h) in the caller's own registry view.
#include "registry/registry_facade.h"

class Registry2 : public RegistryFacade<Registry2, _zbnRegistry2> {
protected:
    Registry2() = default;
};
