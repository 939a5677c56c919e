#include "com/module_count.h"
#include <windows.h>

namespace {
volatile LONG g_objects = 0;
volatile LONG g_locks = 0;
}

namespace module {
void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }
void Lock() { InterlockedIncrement(&g_locks); }
void Unlock() { InterlockedDecrement(&g_locks); }
long LiveObjects() { return g_objects; }
bool CanUnload() { return g_objects == 0 && g_locks == 0; }
}
