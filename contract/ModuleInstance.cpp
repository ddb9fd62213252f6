// The DLL entry keeps the module's instance handle for the dialog template.
#if defined(_WIN32)
#include <windows.h>

#include "contract/Memory.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
  moduleInstance = instance;
  return TRUE;
}
#endif
