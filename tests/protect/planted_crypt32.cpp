// A crypt32.dll planted beside a host program. It has none of the real one's functions:
// were it loaded instead of the system's, no password could be sealed.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
