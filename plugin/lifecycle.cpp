#include "lifecycle.h"

#include "../shared/plugin_state.h"
#include "../ui/activation_context.h"
#include "../ui/editor_window.h"
#include "../ui/plugin_windows.h"
#include "current_channel.h"
#include "dll_main.h"

namespace {

// Destroys the plug-in's windows (their hooks go with them) and puts its
// state back to what a fresh load has. The list file is not touched: every
// add was written to it when it was made. True when no window is left.
bool TearDown() {
    // The windows first: their procedures are code in this DLL.
    const bool windowsGone = DestroyPluginWindows();
    ReleasePluginContext();
    RestoreLoadTimeState();
    ForgetChannel();
    return windowsGone;
}

}  // namespace

HWND StartPlugin(HWND hostWindow) {
    // One editor at a time: a second start (the viewer calls it twice, or
    // loads the plug-in again without On_Exit and gets the same module)
    // loads the list anew into a new editor, and the old one goes.
    if (HWND old = LiveEditorWindow()) DestroyPluginWindow(old);
    g_State.HostWindow = hostWindow;
    return CreateEditor();
}

void StopPlugin() {
    // The reference taken for the windows goes only once none is left; a
    // window whose thread did not answer keeps the DLL loaded, and a later
    // On_Exit tries again. The host's own reference keeps this code mapped
    // until it returns.
    if (TearDown()) ReleaseModuleHold();
}
