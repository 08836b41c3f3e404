// What the DLL's entry point keeps for the rest of the plug-in.
#ifndef ZELQ_PLUGIN_DLL_MAIN_H
#define ZELQ_PLUGIN_DLL_MAIN_H

// Puts PluginState back to what it was right after the DLL was loaded and
// initialised: the list path, the host match and the module handle as they
// were found then, everything else as a fresh load has it. On_Exit uses it
// so that a later On_Start starts from the beginning again.
void RestoreLoadTimeState();

#endif  // ZELQ_PLUGIN_DLL_MAIN_H
