#include "about_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "../resources/resource.h"
#include "../shared/plugin_state.h"
#include "activation_context.h"
#include "dialog_keys.h"
#include "plugin_windows.h"

void OpenAbout() {
    // The stored window counts only while it still is the About window: one
    // that died with the thread that opened it, or was destroyed by On_Exit,
    // does not keep a new one from opening.
    if (HWND open = LiveAboutWindow()) {
        // Raising another thread's window is left to that thread, so the
        // caller never waits for it.
        if (IsOwnThreadWindow(open)) {
            SetForegroundWindow(open);
        } else {
            PostPluginRequest(open, kRequestToFront);
        }
        return;
    }
    const ULONG_PTR cookie = ActivatePluginContext();
    HWND window = CreateDialogParamA(static_cast<HINSTANCE>(g_State.ModuleHandle),
                                     MAKEINTRESOURCEA(IDD_ABOUT), nullptr, AboutProc, 0);
    DeactivatePluginContext(cookie);
    // Only a window that exists counts as open, so a failed creation does not
    // block the next attempt.
    g_State.AboutWindow = window;
    g_State.AboutOpen = window != nullptr;
}

namespace {

// The About window's picture: the static control that shows bitmap 108.
HWND PictureControl(HWND window) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) return child;
    }
    return nullptr;
}

// Takes the bitmap the picture control loaded from the dialog template back
// from it, and deletes it. Windows' static control deletes such a bitmap
// itself when it is destroyed, Wine's does not: each About window would
// leave its bitmap behind. Taken back with STM_SETIMAGE and no image, the
// bitmap is the plug-in's on both (Windows' control then no longer deletes
// it), and is deleted once.
void DeletePicture(HWND window) {
    HWND picture = PictureControl(window);
    if (!picture) return;
    HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, 0));
    if (bitmap) DeleteObject(bitmap);
}

INT_PTR HandleAboutMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // An About window a stop could not destroy while its thread took no
    // messages goes now.
    if (DestroyIfRetired(window)) return FALSE;
    if (message == PluginRequestMessage()) {
        if (wParam == kRequestDestroy) DestroyOwnPluginWindow(window);
        if (wParam == kRequestToFront) SetForegroundWindow(window);
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG:
        // A window that cannot be recorded could not be found again to be
        // destroyed: it goes at once.
        if (!RecordPluginWindow(window, PluginWindowKind::About)) {
            DestroyWindow(window);
            return TRUE;
        }
        g_State.AboutOpen = true;
        ShowWindow(window, SW_SHOW);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(window, 1);
            DestroyOwnPluginWindow(window);  // WM_DESTROY clears AboutOpen
        }
        return FALSE;
    case WM_ACTIVATE:
        DialogKeysOnActivate(window, wParam, lParam);
        return FALSE;
    case WM_DESTROY:
        DialogKeysOnDestroy(window);
        DeletePicture(window);
        // However the window goes, it is no longer the open one.
        if (g_State.AboutWindow == window) {
            g_State.AboutWindow = nullptr;
            g_State.AboutOpen = false;
        }
        return FALSE;
    case WM_NCDESTROY:
        ForgetPluginWindow(window);
        return FALSE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (LOWORD(wParam) == IDC_ABOUT_LINK && header && header->code == static_cast<UINT>(NM_CLICK)) {
            ShellExecuteA(nullptr, "open", ABOUT_LINK_URL, nullptr, nullptr, SW_SHOW);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // No C++ exception may pass through the window manager to the viewer; a
    // message whose handling fails ends there, as one left to the dialog.
    try {
        return HandleAboutMessage(window, message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}
