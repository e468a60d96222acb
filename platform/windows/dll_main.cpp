// DllMain of ZPosApp.dll: module start-up at process attach (a failure refuses
// the load) and shutdown at detach.
#include <windows.h>

#include "entry/module_lifetime.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) return zpos::module_load() ? TRUE : FALSE;
    if (reason == DLL_PROCESS_DETACH) zpos::module_unload();
    return TRUE;
}
