#include "lifecycle.h"

#include "../shared/plugin_state.h"
#include "../ui/activation_context.h"
#include "../ui/editor_window.h"
#include "../ui/plugin_windows.h"
#include "current_channel.h"
#include "initialise.h"
#include "spin_lock.h"

namespace {

// Guards the three below; any thread may start, stop or add.
volatile LONG g_Lock = 0;
int g_ViewerCalls = 0;       // operations waiting for the viewer, on any thread
bool g_StopPending = false;  // an On_Exit came while one waited
int g_Stopping = 0;          // tear-downs running now

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
    {
        SpinLock lock(&g_Lock);
        g_StopPending = false;
    }
    // One editor at a time: a second start (the viewer calls it twice, or
    // loads the plug-in again without On_Exit and gets the same module)
    // loads the list anew into a new editor, and the old one goes.
    if (HWND old = LiveEditorWindow()) DestroyPluginWindow(old);
    g_State.HostWindow = hostWindow;
    return CreateEditor();
}

void StopPlugin() {
    {
        SpinLock lock(&g_Lock);
        if (g_ViewerCalls > 0) {
            g_StopPending = true;
            return;
        }
        ++g_Stopping;
    }
    // The reference taken for the windows goes only once none is left; a
    // window whose thread did not answer keeps the DLL loaded, and a later
    // On_Exit tries again. The host's own reference keeps this code mapped
    // until it returns.
    if (TearDown()) ReleaseModuleHold();
    SpinLock lock(&g_Lock);
    --g_Stopping;
}

ViewerCall::ViewerCall() : allowed_(false) {
    SpinLock lock(&g_Lock);
    if (g_Stopping > 0 || g_StopPending) return;
    ++g_ViewerCalls;
    allowed_ = true;
}

ViewerCall::~ViewerCall() {
    if (!allowed_) return;
    {
        SpinLock lock(&g_Lock);
        --g_ViewerCalls;
        if (g_ViewerCalls > 0 || !g_StopPending) return;
        g_StopPending = false;
        ++g_Stopping;
    }
    // The stop that came meanwhile. The DLL's reference to itself stays:
    // see lifecycle.h.
    TearDown();
    SpinLock lock(&g_Lock);
    --g_Stopping;
}
