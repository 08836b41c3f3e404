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
// marked with `kind` (IsPluginDialog: with either).
bool IsPluginWindow(HWND window, PluginWindowKind kind);
bool IsPluginDialog(HWND window);

// The stored editor window, its list view and the stored About window, or
// null when the stored handle no longer names that window.
HWND LiveEditorWindow();
HWND LiveListView();
HWND LiveAboutWindow();

// The message by which a plug-in window is asked, from another thread, to do
// what only its own thread may do without waiting for it: wParam says what
// (PluginRequest). Destroying needs the window's own thread; the others would
// otherwise be sent across threads, and a caller must never wait on a thread
// that may itself be waiting for the caller.
UINT PluginRequestMessage();

enum PluginRequest : WPARAM {
    kRequestDestroy = 1,      // destroy the window (sent, with a time limit)
    kRequestShowChannel = 2,  // the editor shows the latest channel (posted)
    kRequestShowEditor = 3,   // the editor shows itself on top (posted)
    kRequestToFront = 4,      // About comes to the front (posted)
};

// Whether the window belongs to the calling thread.
bool IsOwnThreadWindow(HWND window);

// Posts a request to a plug-in window; false when it could not be posted.
bool PostPluginRequest(HWND window, PluginRequest request);

// Destroys one of the plug-in's windows: directly on its own thread, by
// kRequestDestroy with a time limit on another. True when it is gone.
bool DestroyPluginWindow(HWND window);

// Destroys every window this DLL made in this process, whatever thread owns
// it: directly on the calling thread, by kRequestDestroy with a time limit
// on others (a thread that does not answer keeps its window). Returns
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
