// Load-time initialisation: where the list file is, and whether the host is
// the viewer the plug-in was made for.
#ifndef ZELQ_PLUGIN_INITIALISE_H
#define ZELQ_PLUGIN_INITIALISE_H

#include <windows.h>

// The name of the list file, kept beside the DLL.
constexpr const char kListFileName[] = "ChannelList.ini";

// The executable name prefix of the viewer that answers the position query.
constexpr const char kHostPrefix[] = "Vistrox";

// Runs once, on the first process attach: records the module, builds
// ListPath and sets HostMatched, then Initialised, and keeps a copy of that
// state.
void InitialisePlugin(HMODULE module);

// Puts PluginState back to that copy: the list path, the host match and the
// module handle as they were found then, everything else as a fresh load has
// it. On_Exit uses it so that a later On_Start starts from the beginning
// again.
void RestoreLoadTimeState();

#endif  // ZELQ_PLUGIN_INITIALISE_H
