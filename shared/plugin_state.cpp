#include "plugin_state.h"

// Zero-initialised at load, as static storage is.
PluginState g_State;
