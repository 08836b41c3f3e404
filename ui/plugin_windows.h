// The plug-in's own windows, known from its own record of them: every window
// it made that has not been destroyed, wherever a viewer has put it since (a
// viewer may dock it in a window of its own, as a child window, where no
// search of the top-level windows finds it) and whatever the viewer wrote into
// it (the dialog's user slot is the dialog procedure's, but nothing keeps a
// viewer from writing there). From the record the plug-in tells a stored
// handle that still names one of its windows from one whose window is gone
// (or whose value now names some other window), tears them all down, and
// keeps the DLL loaded while any of them exists.
#ifndef ZELQ_UI_PLUGIN_WINDOWS_H
#define ZELQ_UI_PLUGIN_WINDOWS_H

#include <windows.h>

// The two kinds of window the plug-in makes.
enum class PluginWindowKind { Editor, About };

// Records a window the plug-in has just created (its WM_INITDIALOG), of the
// given kind, and holds the DLL loaded from now on (see HoldModule). False
// when the record is full: the caller then destroys the window at once.
bool RecordPluginWindow(HWND window, PluginWindowKind kind);

// Takes a window out of the record (its WM_NCDESTROY).
void ForgetPluginWindow(HWND window);

// True when `window` is a recorded window of `kind` that still exists on the
// thread that made it and is not being retired (IsPluginDialog: of either
// kind).
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
    kRequestDestroy = 1,      // destroy the window (sent, with a time limit, then posted)
    kRequestShowChannel = 2,  // the editor shows the latest channel (posted)
    kRequestShowEditor = 3,   // the editor shows itself on top (posted)
    kRequestToFront = 4,      // About comes to the front (posted)
};

// Whether the window belongs to the calling thread.
bool IsOwnThreadWindow(HWND window);

// Posts a request to a plug-in window; false when it could not be posted.
bool PostPluginRequest(HWND window, PluginRequest request);

// Destroys a plug-in window of the calling thread, once: a window already on
// its way out (a request to destroy it may come while it is destroyed) is
// left to that.
void DestroyOwnPluginWindow(HWND window);

// A window that was to be destroyed but whose thread took no messages in
// time is retired: it no longer counts as the editor or About (a newer one
// may take its place), and its thread destroys it the moment it takes any
// message for it (a destroy request is posted to make sure one comes). The
// window's procedure asks this first of every message; true means the window
// was retired and has just been destroyed, and the message is not handled.
bool DestroyIfRetired(HWND window);

// The windows a tear-down destroys: those recorded when it began. Taken
// while the plug-in's state is reset, so that a window a later start makes is
// not among them.
struct PluginWindowSet {
    static constexpr int kMost = 32;
    HWND Windows[kMost];
    DWORD Threads[kMost];
    int Count;
};
PluginWindowSet RecordedPluginWindows();

// Destroys one of the plug-in's windows: directly on its own thread, by
// kRequestDestroy with a time limit on another; one whose thread does not
// answer in time is retired. True when it is gone.
bool DestroyPluginWindow(HWND window);

// Destroys the windows of the set, whatever thread owns them, as
// DestroyPluginWindow does, within one time limit for them all. True when
// none of them is left.
bool DestroyPluginWindows(const PluginWindowSet& windows);

// Takes one reference to this DLL unless it holds one already, so that a host
// that frees the library while the plug-in's windows exist (or while it waits
// for the viewer) does not unmap their code.
void HoldModule();

// Gives that reference back when no window of the plug-in is recorded (a
// retired window still is). Only for a caller that itself holds a reference
// (the host calling On_Exit does): code of the DLL never lets go of the last
// reference to the DLL it runs in.
void ReleaseModuleHoldIfNoWindows();

#endif  // ZELQ_UI_PLUGIN_WINDOWS_H
