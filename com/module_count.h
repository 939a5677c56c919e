#pragma once
// Counts the library's live objects and class factory locks, for DllCanUnloadNow.
namespace module {
void ObjectCreated();
void ObjectDestroyed();
void Lock();
void Unlock();
long LiveObjects();
bool CanUnload();
}
