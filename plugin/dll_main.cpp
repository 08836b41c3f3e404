// The DLL's entry point: initialises the plug-in on the first process attach.
//
// It runs under the loader lock, so it does only what that allows: it reads
// the module's and the host's file names, computes the plug-in's state in
// memory and keeps a copy of it. It makes no window, loads no library, starts
// no thread and waits for nothing. On detach by FreeLibrary it gives back the
// thread-local slot of the keyboard hooks (none is left by then).
//
// A host that unloads the plug-in is expected to call On_Exit first; On_Exit
// destroys the plug-in's windows and releases what it made. A host that calls
// FreeLibrary without On_Exit does not unload it while one of those windows
// exists: each window's procedure is code in this DLL, so the plug-in holds a
// reference to its own module from its first window until On_Exit has
// destroyed them all (ui/plugin_windows.h). The host's FreeLibrary then only
// drops the host's reference, the DLL stays loaded, no detach notification
// arrives, and the windows keep working until the process ends or until the
// host loads the plug-in again (it gets the same module, with its state and
// windows) and calls On_Exit. Destroying the windows here instead is not
// possible: the detach runs under the loader lock, on whatever thread called
// FreeLibrary, and a window can be destroyed only by its own thread. A
// plug-in with no window left is unloaded at once and leaves nothing behind
// that could be called.
#include <windows.h>

#include "../shared/plugin_state.h"
#include "../ui/dialog_keys.h"
#include "initialise.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    // No C++ exception may leave for the loader. Should one arise, the
    // plug-in is left without a list path: it then reads and writes no list.
    try {
        if (reason == DLL_PROCESS_ATTACH && !g_State.Initialised) {
            InitialisePlugin(instance);
        }
        // At the process's end (reserved set) the slot goes with it.
        if (reason == DLL_PROCESS_DETACH && reserved == nullptr) ReleaseDialogKeys();
    } catch (...) {
        g_State.ListPath[0] = '\0';
    }
    return TRUE;
}
