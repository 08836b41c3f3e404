#include "dialog_keys.h"

#include "plugin_windows.h"

namespace {

// The plug-in dialog a message's window is, or lies in; null for any other.
HWND PluginDialogOf(HWND window) {
    if (!window) return nullptr;
    HWND dialog = GetAncestor(window, GA_ROOT);
    if (IsPluginWindow(dialog, PluginWindowKind::Editor) || IsPluginWindow(dialog, PluginWindowKind::About)) {
        return dialog;
    }
    return nullptr;
}

LRESULT CALLBACK DialogKeysHook(int code, WPARAM wParam, LPARAM lParam) {
    // No C++ exception may pass through the window manager into the viewer's
    // loop; a message whose handling fails goes on as it was.
    try {
        // Only a message that is leaving the queue: one that is merely
        // looked at (PM_NOREMOVE) comes by again. Every message the loop
        // takes passes here, so anything but a key is let go at once.
        MSG* message = code == HC_ACTION && wParam == PM_REMOVE ? reinterpret_cast<MSG*>(lParam) : nullptr;
        if (message && message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST) {
            // The dialogs are ANSI windows. Windows hands a hook set with
            // the ANSI function its character messages in ANSI, whichever
            // function the viewer's loop took them with.
            HWND dialog = PluginDialogOf(message->hwnd);
            if (dialog && IsDialogMessageA(dialog, message)) {
                message->message = WM_NULL;
                message->wParam = 0;
                message->lParam = 0;
            }
        }
    } catch (...) {
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void HookDialogKeys(HWND dialog) {
    // A hook of this thread, in this process: no module handle.
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, DialogKeysHook, nullptr, GetCurrentThreadId());
    if (!hook) return;
    // The dialog's user data slot holds its hook (DWLP_USER holds its kind).
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(hook));
}

void UnhookDialogKeys(HWND dialog) {
    HHOOK hook = reinterpret_cast<HHOOK>(SetWindowLongPtrA(dialog, GWLP_USERDATA, 0));
    if (hook) UnhookWindowsHookEx(hook);
}
