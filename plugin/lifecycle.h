// Starting and stopping the plug-in (On_Start and On_Exit), and the calls out
// to the viewer that a stop waits for.
//
// The add sends the position query to the viewer's window and waits for the
// answer, and a viewer may do anything before it answers, On_Exit and
// FreeLibrary included. A stop that arrives while an add waits is put off
// until the add has returned: its windows, its record and the DLL's code are
// still there when the viewer's answer comes back. The last add to end then
// tears the plug-in down, but keeps the DLL's reference to itself: the viewer
// may have dropped its own while it answered, and code must not unload the
// DLL it runs in. The next On_Exit that finds nothing to wait for gives the
// reference back (a viewer that loads the plug-in again gets the same module,
// and its On_Exit does); until then the DLL stays loaded, with no window,
// hook or state of its own left.
#ifndef ZELQ_PLUGIN_LIFECYCLE_H
#define ZELQ_PLUGIN_LIFECYCLE_H

#include <windows.h>

// On_Start: replaces an editor a previous start made (it is destroyed, with
// its hook), cancels a stop put off by an add that is still waiting, creates
// the editor and loads the list. Returns the editor, or null.
HWND StartPlugin(HWND hostWindow);

// On_Exit: tears down what the plug-in made, now, or when the last add that
// waits for the viewer has returned.
void StopPlugin();

// Marks an operation that calls out to the viewer and must not be torn down
// under it. Not Allowed() while the plug-in is being stopped: the operation
// is then not done at all.
class ViewerCall {
public:
    ViewerCall();
    ~ViewerCall();
    ViewerCall(const ViewerCall&) = delete;
    ViewerCall& operator=(const ViewerCall&) = delete;
    bool Allowed() const { return allowed_; }

private:
    bool allowed_;
};

#endif  // ZELQ_PLUGIN_LIFECYCLE_H
