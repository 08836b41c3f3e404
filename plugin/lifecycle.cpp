#include "lifecycle.h"

#include "../shared/plugin_state.h"
#include "../ui/activation_context.h"
#include "../ui/editor_window.h"
#include "../ui/plugin_windows.h"
#include "../ui/spin_lock.h"
#include "current_channel.h"
#include "initialise.h"

namespace {

// Guards the two below; any thread may start, stop or add.
volatile LONG g_Lock = 0;
int g_Running = 0;           // starts and adds under way, on any thread
bool g_StopPending = false;  // an On_Exit came while one ran

// The first half of a tear-down, under g_Lock: puts the plug-in's state back
// to what a fresh load has, and takes the windows to destroy, so that a start
// that begins after it keeps its own state and window.
PluginWindowSet ForgetState() {
    RestoreLoadTimeState();
    ForgetChannel();
    return RecordedPluginWindows();
}

// The second half, outside the lock: destroys those windows (their hooks go
// with them; one whose thread does not answer in time is destroyed when it
// does) and releases the activation context. The list file is not touched:
// every add was written to it when it was made.
void DestroyWindows(const PluginWindowSet& windows) {
    DestroyPluginWindows(windows);
    ReleasePluginContext();
}

// Ends a start or an add. The last one to end carries out a stop that came
// meanwhile, keeping the DLL's reference to itself (see lifecycle.h).
void EndRunning() {
    PluginWindowSet windows;
    {
        SpinLock lock(&g_Lock);
        if (--g_Running > 0 || !g_StopPending) return;
        g_StopPending = false;
        windows = ForgetState();
    }
    DestroyWindows(windows);
}

}  // namespace

HWND StartPlugin(HWND hostWindow) {
    PluginWindowSet stopped;
    stopped.Count = 0;
    bool stopPending = false;
    {
        SpinLock lock(&g_Lock);
        ++g_Running;
        stopPending = g_StopPending;
        g_StopPending = false;
        if (stopPending) stopped = ForgetState();
    }
    // The stop that came before this start: its windows go first.
    if (stopPending) DestroyWindows(stopped);
    // One editor at a time: a second start (the viewer calls it twice, or
    // loads the plug-in again without On_Exit and gets the same module)
    // loads the list anew into a new editor, and the old one goes.
    if (HWND old = LiveEditorWindow()) DestroyPluginWindow(old);
    g_State.HostWindow = hostWindow;
    HWND window = CreateEditor();
    EndRunning();
    return window && IsPluginWindow(window, PluginWindowKind::Editor) ? window : nullptr;
}

void StopPlugin() {
    PluginWindowSet windows;
    {
        SpinLock lock(&g_Lock);
        if (g_Running > 0) {
            g_StopPending = true;
            return;
        }
        windows = ForgetState();
    }
    DestroyWindows(windows);
    // The reference taken for the windows goes only once none is left and
    // nothing runs: a window whose thread did not answer keeps the DLL
    // loaded, and a later On_Exit tries again; so does an add that began
    // meanwhile in an editor a newer start made. The host's own reference
    // keeps this code mapped until it returns.
    SpinLock lock(&g_Lock);
    if (g_Running == 0) ReleaseModuleHoldIfNoWindows();
}

ViewerCall::ViewerCall() : allowed_(false) {
    SpinLock lock(&g_Lock);
    if (g_StopPending) return;
    ++g_Running;
    allowed_ = true;
}

ViewerCall::~ViewerCall() {
    if (allowed_) EndRunning();
}
