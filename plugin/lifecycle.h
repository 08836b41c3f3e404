// Starting and stopping the plug-in (On_Start and On_Exit).
#ifndef ZELQ_PLUGIN_LIFECYCLE_H
#define ZELQ_PLUGIN_LIFECYCLE_H

#include <windows.h>

// On_Start: replaces an editor a previous start made (it is destroyed, with
// its hook), creates the editor and loads the list. Returns the editor, or
// null.
HWND StartPlugin(HWND hostWindow);

// On_Exit: tears down what the plug-in made.
void StopPlugin();

#endif  // ZELQ_PLUGIN_LIFECYCLE_H
