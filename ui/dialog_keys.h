// The keyboard of the plug-in's dialogs in any viewer.
//
// A modeless dialog gets Tab, Enter, Esc and its mnemonics only when the
// message loop of its thread hands its keyboard messages to IsDialogMessage.
// A viewer's loop need not do that, so each plug-in window keeps, on its own
// thread and for as long as it lives, a WH_GETMESSAGE hook that does it: a
// keyboard message for the window or one of its controls goes through
// IsDialogMessage as it leaves the queue, and when that handles it, the
// message is turned into WM_NULL, so that a viewer that routes dialogs itself
// acts on it only once.
#ifndef ZELQ_UI_DIALOG_KEYS_H
#define ZELQ_UI_DIALOG_KEYS_H

#include <windows.h>

// Installs the hook for a plug-in window, on the calling thread, which must
// be the window's (its WM_INITDIALOG). Without it (the system refused) the
// keyboard works as the viewer's loop lets it.
void HookDialogKeys(HWND dialog);

// Removes the window's hook (its WM_DESTROY, on its thread): before the
// window goes, and so before On_Exit lets the DLL be unloaded.
void UnhookDialogKeys(HWND dialog);

#endif  // ZELQ_UI_DIALOG_KEYS_H
