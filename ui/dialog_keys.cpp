#include "dialog_keys.h"

#include "plugin_windows.h"

namespace {

// The thread-local slot that holds each thread's hook (null: none). Taken
// when the first hook is set, given back when the DLL is unloaded. A thread
// that ends takes its value with it, and the system removes its hooks.
volatile LONG g_HookSlot = static_cast<LONG>(TLS_OUT_OF_INDEXES);

DWORD HookSlot() {
    DWORD slot = static_cast<DWORD>(g_HookSlot);
    if (slot != TLS_OUT_OF_INDEXES) return slot;
    slot = TlsAlloc();
    if (slot == TLS_OUT_OF_INDEXES) return slot;
    // Two threads taking it at once: the first one stored is kept.
    const LONG earlier = InterlockedCompareExchange(&g_HookSlot, static_cast<LONG>(slot),
                                                    static_cast<LONG>(TLS_OUT_OF_INDEXES));
    if (earlier != static_cast<LONG>(TLS_OUT_OF_INDEXES)) {
        TlsFree(slot);
        return static_cast<DWORD>(earlier);
    }
    return slot;
}

HHOOK ThreadHook() {
    const DWORD slot = static_cast<DWORD>(g_HookSlot);
    return slot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<HHOOK>(TlsGetValue(slot));
}

// The loops of the system that take their keys through the thread's queue:
// a menu bar, a pop-up menu, the system menu, moving or sizing a window.
constexpr DWORD kSystemLoops = GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE | GUI_INMOVESIZE;

bool IsKeyMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}

// A key leaving the queue: the active plug-in dialog's, through
// IsDialogMessage, unless a system loop of the thread is taking the keys.
void RouteKey(MSG* message) {
    HWND dialog = message->hwnd ? GetAncestor(message->hwnd, GA_ROOT) : nullptr;
    if (!dialog || !IsPluginDialog(dialog)) return;
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    if (!GetGUIThreadInfo(GetCurrentThreadId(), &thread)) return;
    if (thread.hwndActive != dialog || (thread.flags & kSystemLoops) != 0) return;
    // The Unicode function: a key message carries no text, and whatever the
    // dialog manager dispatches in its place is dispatched as it came.
    if (IsDialogMessageW(dialog, message)) {
        message->message = WM_NULL;
        message->wParam = 0;
        message->lParam = 0;
    }
}

LRESULT CALLBACK DialogKeysHook(int code, WPARAM wParam, LPARAM lParam) {
    // No C++ exception may pass through the window manager into the viewer's
    // loop; a message whose handling fails goes on as it was.
    try {
        // Only a message that is leaving the queue: one that is merely
        // looked at (PM_NOREMOVE) comes by again. Every message the loop
        // takes passes here while a plug-in window is active, so anything
        // but a key is let go at once.
        MSG* message = code == HC_ACTION && wParam == PM_REMOVE ? reinterpret_cast<MSG*>(lParam) : nullptr;
        if (message && IsKeyMessage(message->message)) RouteKey(message);
    } catch (...) {
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void InstallHook() {
    if (ThreadHook()) return;
    const DWORD slot = HookSlot();
    if (slot == TLS_OUT_OF_INDEXES) return;  // a hook that could not be found again is never set
    // A hook of this thread, in this process: no module handle. The
    // Unicode function, so that the system hands the hook a Unicode loop's
    // messages as they are, not converted through the ANSI code page.
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, DialogKeysHook, nullptr, GetCurrentThreadId());
    if (!hook) return;
    if (!TlsSetValue(slot, hook)) UnhookWindowsHookEx(hook);
}

void RemoveHook() {
    HHOOK hook = ThreadHook();
    if (!hook) return;
    TlsSetValue(static_cast<DWORD>(g_HookSlot), nullptr);
    UnhookWindowsHookEx(hook);
}

}  // namespace

void DialogKeysOnActivate(HWND, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) != WA_INACTIVE) {
        InstallHook();
        return;
    }
    // lParam is the window being activated, if any: a plug-in window of
    // this thread keeps the hook.
    HWND next = reinterpret_cast<HWND>(lParam);
    if (next && IsOwnThreadWindow(next) && IsPluginDialog(next)) return;
    RemoveHook();
}

void DialogKeysOnDestroy(HWND dialog) {
    HWND active = GetActiveWindow();
    if (active && active != dialog && IsPluginDialog(active)) return;
    RemoveHook();
}

void ReleaseDialogKeys() {
    const LONG slot = InterlockedExchange(&g_HookSlot, static_cast<LONG>(TLS_OUT_OF_INDEXES));
    if (slot != static_cast<LONG>(TLS_OUT_OF_INDEXES)) TlsFree(static_cast<DWORD>(slot));
}
