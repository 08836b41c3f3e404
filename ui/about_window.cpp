#include "about_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "../resources/resource.h"
#include "../shared/plugin_state.h"
#include "activation_context.h"

void OpenAbout() {
    if (g_State.AboutOpen) {
        SetForegroundWindow(static_cast<HWND>(g_State.AboutWindow));
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

INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        g_State.AboutOpen = true;
        ShowWindow(window, SW_SHOW);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(window, 1);
            g_State.AboutOpen = false;
            g_State.AboutWindow = nullptr;
            DestroyWindow(window);
        }
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
