// DllMain of ZPosApp.dll: module start-up at process attach (a failure refuses
// the load) and shutdown at detach.
#include <windows.h>

#include "platform/module_hooks.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) return zpos::platform::on_module_load() ? TRUE : FALSE;
    if (reason == DLL_PROCESS_DETACH) zpos::platform::on_module_unload();
    return TRUE;
}
