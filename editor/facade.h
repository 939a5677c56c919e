#pragma once
// A fresh registry facade from the registered Tarnwell0201.dll, for one operation.
#include "com/com_ptr.h"
#include "tarnwell_idl.h"

ComPtr<_zbnRegistry2> NewRegistryFacade();

const RegistryRoot2_Const kLocalMachine = static_cast<RegistryRoot2_Const>(0x80000002);
