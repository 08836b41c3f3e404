// The keyboard of the plug-in's dialogs in any viewer.
//
// A modeless dialog gets Tab, Enter, Esc and its arrow keys only when the
// message loop of its thread hands its keyboard messages to IsDialogMessage.
// A viewer's loop need not do that, so while one of the plug-in's windows is
// the active window of its thread, that thread has a WH_GETMESSAGE hook (one
// at most) that does it: a key for the active plug-in window or one of its
// controls goes through IsDialogMessage as it leaves the queue, and when that
// handles it, the message is turned into WM_NULL, so that a viewer that
// routes dialogs itself acts on it only once.
//
// The hook lets be:
// - every message while no plug-in window is active (it is not there: the
//   viewer's messages pass no plug-in code while the editor is hidden or
//   another window is in front);
// - keys while the thread is in a menu, the system menu or a move or size
//   loop: those loops take their keys through the same queue, and the keys
//   are theirs (Esc closes the menu, Enter ends the move);
// - character messages: the viewer's loop dispatches them as it took them,
//   ANSI or Unicode, so a letter reaches the list view as it was typed.
#ifndef ZELQ_UI_DIALOG_KEYS_H
#define ZELQ_UI_DIALOG_KEYS_H

#include <windows.h>

// A plug-in window's WM_ACTIVATE, on its thread: installs the thread's hook
// when the window becomes active, removes it when the window gives way to a
// window that is not the plug-in's. Without the hook (the system refused)
// the keyboard works as the viewer's loop lets it.
void DialogKeysOnActivate(HWND dialog, WPARAM wParam, LPARAM lParam);

// A plug-in window's WM_DESTROY, on its thread: removes the thread's hook
// unless another plug-in window of the thread is the active one, so that no
// hook outlives the windows (On_Exit lets the DLL be unloaded after them).
void DialogKeysOnDestroy(HWND dialog);

// Releases what the hooks' bookkeeping took from the process (the DLL's
// unload; no hook is left by then).
void ReleaseDialogKeys();

#endif  // ZELQ_UI_DIALOG_KEYS_H
