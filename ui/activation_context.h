// The plug-in's own activation context, made from the manifest the DLL
// carries as resource 2. The About window's link control exists only in the
// version 6 common controls, and a host whose executable has no manifest of
// its own does not have them active; creating the plug-in's windows inside
// this context makes their controls resolve to version 6 in any host. The
// context is made from the DLL's wide file name, so a folder name outside the
// ANSI code page does not stop it.
#ifndef ZELQ_UI_ACTIVATION_CONTEXT_H
#define ZELQ_UI_ACTIVATION_CONTEXT_H

#include <windows.h>

// Activates the plug-in's context on the calling thread (creating it on first
// use) and returns the cookie for DeactivatePluginContext; returns 0 when no
// context could be made, in which case the host's context stays in force.
ULONG_PTR ActivatePluginContext();

// Undoes one ActivatePluginContext; a cookie of 0 does nothing.
void DeactivatePluginContext(ULONG_PTR cookie);

// Releases the context when the plug-in is stopped; the next activation makes
// a new one. Windows already created keep their controls.
void ReleasePluginContext();

#endif  // ZELQ_UI_ACTIVATION_CONTEXT_H
