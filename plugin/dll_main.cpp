// The DLL's entry point: initialises the plug-in on the first process attach.
#include <windows.h>

#include "../shared/plugin_state.h"
#include "initialise.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH && !g_State.Initialised) InitialisePlugin(instance);
    return TRUE;
}
