// Loading the plug-in: ZelqEditor.dll from the host's own directory, and its
// five exports.
#ifndef ZELQ_HOST_PLUGIN_API_H
#define ZELQ_HOST_PLUGIN_API_H

#include <string>

#include "host/host_state.h"

// Loads the DLL beside Vistrox.exe and resolves every export. On failure
// returns false with a message in *error that says in words what is wrong;
// the DLL is not left loaded then.
bool LoadPlugin(PluginApi* api, std::string* error);

#endif  // ZELQ_HOST_PLUGIN_API_H
