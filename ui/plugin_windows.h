// The plug-in's own windows: telling a stored window handle that still names
// one of them from one whose window is gone (or whose value now names some
// other window), tearing them all down, and keeping the DLL loaded while any
// of them exists.
#ifndef ZELQ_UI_PLUGIN_WINDOWS_H
#define ZELQ_UI_PLUGIN_WINDOWS_H

#include <windows.h>

// The two kinds of window the plug-in makes. The value is stored in the
// dialog's DWLP_USER slot when the window is created.
enum class PluginWindowKind : LONG_PTR {
    Editor = 0x5A514564,  // "ZQEd"
    About = 0x5A514162,   // "ZQAb"
};

// Marks a window the plug-in has just created (its WM_INITDIALOG) as one of
// its own, of the given kind.
void MarkPluginWindow(HWND window, PluginWindowKind kind);

// True when `window` exists, belongs to this process and this DLL, and was
// marked with `kind`.
bool IsPluginWindow(HWND window, PluginWindowKind kind);

// The stored editor window, its list view and the stored About window, or
// null when the stored handle no longer names that window.
HWND LiveEditorWindow();
HWND LiveListView();
HWND LiveAboutWindow();

// The message that asks a plug-in window to destroy itself. Sent to windows
// that belong to another thread, since only a window's own thread may
// destroy it.
UINT DestroyRequestMessage();

// Destroys every window this DLL made in this process, whatever thread owns
// it: directly on the calling thread, by DestroyRequestMessage with a time
// limit on others (a thread that does not answer keeps its window). Returns
// true when none is left.
bool DestroyPluginWindows();

// Takes one reference to this DLL the first time it is called after load or
// after ReleaseModuleHold, so that a host that frees the library while the
// plug-in's windows exist does not unmap their window procedures.
void HoldModule();

// Gives that reference back. Only for a caller that itself holds a
// reference (the host calling On_Exit does): it must not be the last one.
void ReleaseModuleHold();

#endif  // ZELQ_UI_PLUGIN_WINDOWS_H
