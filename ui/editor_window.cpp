#include "editor_window.h"

#include <commctrl.h>

#include "../channel_list/load_list.h"
#include "../plugin/current_channel.h"
#include "../resources/resource.h"
#include "../shared/arabic_texts.h"
#include "../shared/plugin_state.h"
#include "../shared/window_ops.h"
#include "about_window.h"
#include "activation_context.h"
#include "arabic_to_wide.h"
#include "dialog_keys.h"
#include "plugin_windows.h"

namespace {

// Grid lines, check boxes and full-row select.
constexpr LPARAM kListStyles = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
static_assert(kListStyles == 0x25, "the list view's extended styles");

// The columns' widths in pixels at 96 pixels per inch; on another DPI they
// grow with the dialog, whose size is given in dialog units.
constexpr int kChannelColumnWidth = 116;
constexpr int kSatelliteColumnWidth = 70;
constexpr int kBaseDpi = 96;

// Windows 10's functions for a window's own DPI, looked up when first needed,
// so that older Windows loads the DLL all the same.
using GetWindowDpiAwarenessContextFn = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
using GetAwarenessFromDpiAwarenessContextFn = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC address = user32 ? GetProcAddress(user32, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// The pixels per inch the dialog is laid out for. A per-monitor aware
// viewer's windows follow the DPI of their monitor, which only the window
// itself tells; any other window is laid out for the DPI its process sees:
// the system's, or 96 in a viewer that is not DPI-aware, which Windows then
// scales as a picture.
int DialogDpi(HWND window) {
    static const auto contextOf = User32Function<GetWindowDpiAwarenessContextFn>("GetWindowDpiAwarenessContext");
    static const auto awarenessOf =
        User32Function<GetAwarenessFromDpiAwarenessContextFn>("GetAwarenessFromDpiAwarenessContext");
    static const auto dpiOf = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (contextOf && awarenessOf && dpiOf && awarenessOf(contextOf(window)) == DPI_AWARENESS_PER_MONITOR_AWARE) {
        const UINT dpi = dpiOf(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    int dpi = 0;
    if (HDC dc = GetDC(window)) {
        dpi = GetDeviceCaps(dc, LOGPIXELSX);
        ReleaseDC(window, dc);
    }
    return dpi > 0 ? dpi : kBaseDpi;
}

// A width given in pixels at 96 pixels per inch, at `dpi`.
int ScaledWidth(int width, int dpi) { return MulDiv(width, dpi, kBaseDpi); }

// A centred column of the given width and header, in the record of the wide
// or the ANSI message.
template <typename Column, typename Text>
Column CentredColumn(int width, Text* header) {
    Column column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_CENTER;
    column.cx = width;
    column.pszText = header;
    return column;
}

// Inserts a centred column whose header is one of the Arabic texts.
void InsertColumn(HWND list, int index, int width, const char* header) {
    wchar_t wide[kArabicTextUnits];
    if (ArabicTextToWide(header, wide)) {
        LVCOLUMNW column = CentredColumn<LVCOLUMNW>(width, wide);
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    } else {
        LVCOLUMNA column = CentredColumn<LVCOLUMNA>(width, const_cast<char*>(header));
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    }
}

// Set when a channel change on another thread has asked the editor to show
// it and the editor has not yet done so: the changes of a busy tuning thread
// then post one request, not one each.
volatile LONG g_ChannelToShow = 0;

// Shows the latest channel when a change on another thread asked for it.
void ShowRequestedChannel() {
    if (InterlockedExchange(&g_ChannelToShow, 0) != 0) ShowChannel();
}

void InitialiseEditor(HWND window) {
    // Recorded first: the list is loaded below, and its rows reach the window
    // only once it is known as the editor. A window that cannot be recorded
    // could not be found again to be destroyed: it goes at once.
    if (!RecordPluginWindow(window, PluginWindowKind::Editor)) {
        DestroyWindow(window);
        return;
    }
    g_State.MainWindow = window;
    // A request posted to an earlier editor went with it.
    InterlockedExchange(&g_ChannelToShow, 0);
    HWND list = GetDlgItem(window, IDC_CHANNEL_LIST);
    g_State.ListView = list;

    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kListStyles);
    const int dpi = DialogDpi(window);
    InsertColumn(list, 0, ScaledWidth(kChannelColumnWidth, dpi), kTextChannelColumn);
    InsertColumn(list, 1, ScaledWidth(kSatelliteColumnWidth, dpi), kTextSatelliteColumn);

    SetArabicControlText(IDC_CHANNEL_LABEL, kTextCurrentChannelLabel);
    SetArabicControlText(IDC_COUNT_LABEL, kTextCountLabel);
    SetArabicControlText(IDC_DATA_GROUP, kTextDataGroup);
    SetArabicControlText(IDC_ADD, kTextAddButton);
    SetArabicControlText(IDOK, kTextOkButton);
    // A channel the viewer tuned before it started the plug-in (or before a
    // second start) is the one the add button adds: the field shows it.
    ShowChannel();

    // A long list would otherwise repaint the list view once per row.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    LoadChannelList();
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

// One character in upper case (CharUpperW takes it in place of a pointer).
WCHAR UpperCase(WCHAR character) {
    LPWSTR upper = CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(character)));
    return static_cast<WCHAR>(reinterpret_cast<ULONG_PTR>(upper));
}

// The menu bar's items have no underlined letter ("Channel Editor", "Help",
// "About"). Windows' menus then take an item's first letter for it (Alt+H
// opens Help); Wine's ask the window, and are told the same here: the item of
// the editor's own menu whose text begins with the key, carried out as a
// mnemonic would be (a pop-up opens). Zero (let the system decide) for any
// other key or menu.
LRESULT MenuItemForKey(HWND window, WPARAM wParam, LPARAM lParam) {
    HMENU menu = reinterpret_cast<HMENU>(lParam);
    HMENU bar = GetMenu(window);
    if (!menu || !bar || (HIWORD(wParam) & MF_SYSMENU) != 0) return 0;
    bool own = menu == bar;
    for (int i = 0; !own && i < GetMenuItemCount(bar); ++i) own = GetSubMenu(bar, i) == menu;
    if (!own) return 0;
    const WCHAR key = UpperCase(static_cast<WCHAR>(LOWORD(wParam)));
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        WCHAR text[64] = L"";
        if (GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION) <= 0) continue;
        if (UpperCase(text[0]) == key) return MAKELRESULT(i, MNC_EXECUTE);
    }
    return 0;
}

void HandleRequest(HWND window, WPARAM request) {
    switch (request) {
    case kRequestDestroy:
        DestroyOwnPluginWindow(window);
        break;
    case kRequestShowChannel:
        ShowRequestedChannel();
        break;
    case kRequestShowEditor:
        ShowEditor();
        break;
    default:
        break;
    }
}

void HandleEditorMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PluginRequestMessage()) {
        HandleRequest(window, wParam);
        return;
    }
    switch (message) {
    case WM_INITDIALOG:
        InitialiseEditor(window);
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            ShowWindow(window, SW_HIDE);
            SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            break;
        case IDCANCEL:
            // Esc and the close box hide the window; it lives on, still topmost.
            EndDialog(window, 0);
            break;
        case IDC_ADD:
            // An editor a stop has begun to tear down adds nothing: it is
            // about to go.
            if (window != g_State.MainWindow) break;
            // A channel change whose showing is still on its way came before
            // the press: it is shown first, so it does not clear the add's
            // outcome afterwards.
            ShowRequestedChannel();
            AddTunedChannel();
            break;
        case IDM_ABOUT:
            OpenAbout();
            break;
        default:
            break;
        }
        break;
    case WM_ACTIVATE:
        DialogKeysOnActivate(window, wParam, lParam);
        break;
    case WM_DESTROY:
        DialogKeysOnDestroy(window);
        // On_Exit destroys the editor, or a later On_Start that replaces
        // it, or the end of its thread.
        if (g_State.MainWindow == window) {
            g_State.MainWindow = nullptr;
            g_State.ListView = nullptr;
        }
        break;
    case WM_NCDESTROY:
        ForgetPluginWindow(window);
        break;
    default:
        break;
    }
}

}  // namespace

INT_PTR CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // No C++ exception may pass through the window manager to the viewer; a
    // message whose handling fails ends there.
    try {
        // An editor a stop or a newer start could not destroy while its
        // thread took no messages goes now, before it does anything.
        if (DestroyIfRetired(window)) return 0;
        if (message == WM_MENUCHAR) {
            const LRESULT item = MenuItemForKey(window, wParam, lParam);
            if (item == 0) return 0;
            SetWindowLongPtrA(window, DWLP_MSGRESULT, item);
            return TRUE;
        }
        HandleEditorMessage(window, message, wParam, lParam);
    } catch (...) {
    }
    return 0;
}

HWND CreateEditor() {
    const ULONG_PTR cookie = ActivatePluginContext();
    HWND window = CreateDialogParamA(static_cast<HINSTANCE>(g_State.ModuleHandle),
                                     MAKEINTRESOURCEA(IDD_EDITOR), nullptr, EditorProc, 0);
    DeactivatePluginContext(cookie);
    if (!window) {
        g_State.MainWindow = nullptr;
        g_State.ListView = nullptr;
    }
    return window;
}

void ShowEditor() {
    // Nothing when the editor is gone: never started, torn down by On_Exit,
    // or destroyed with the thread that started the plug-in.
    HWND window = LiveEditorWindow();
    if (!window) return;
    // Showing and raising another thread's window would wait for that thread.
    if (!IsOwnThreadWindow(window)) {
        PostPluginRequest(window, kRequestShowEditor);
        return;
    }
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void ShowChannel() {
    // The name field need not hold a NUL; only its own bytes are shown.
    char name[kChannelNameFieldSize + 1];
    CopyChannelName(name);
    SetControlText(IDC_STATUS, "");
    SetControlText(IDC_CHANNEL, name);
}

void ShowChannelChange() {
    HWND window = LiveEditorWindow();
    if (!window) return;
    if (IsOwnThreadWindow(window)) {
        InterlockedExchange(&g_ChannelToShow, 0);
        ShowChannel();
        return;
    }
    // Setting another thread's control texts would wait for that thread,
    // which may be waiting for the caller: the editor's thread shows the
    // change when it next takes its messages.
    if (InterlockedExchange(&g_ChannelToShow, 1) == 0 && !PostPluginRequest(window, kRequestShowChannel)) {
        InterlockedExchange(&g_ChannelToShow, 0);
    }
}
