#include "editor_window.h"

#include <commctrl.h>

#include <cstring>

#include "../channel_list/add_channel.h"
#include "../channel_list/load_list.h"
#include "../resources/resource.h"
#include "../shared/arabic_texts.h"
#include "../shared/plugin_state.h"
#include "../shared/window_ops.h"
#include "about_window.h"
#include "activation_context.h"
#include "arabic_to_wide.h"
#include "plugin_windows.h"

namespace {

// Grid lines, check boxes and full-row select.
constexpr LPARAM kListStyles = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
static_assert(kListStyles == 0x25, "the list view's extended styles");

// Inserts a centred column whose header is one of the Arabic texts.
void InsertColumn(HWND list, int index, int width, const char* header) {
    wchar_t wide[kArabicTextUnits];
    if (ArabicTextToWide(header, wide)) {
        LVCOLUMNW column;
        ZeroMemory(&column, sizeof column);
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_CENTER;
        column.cx = width;
        column.pszText = wide;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
        return;
    }
    LVCOLUMNA column;
    ZeroMemory(&column, sizeof column);
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_CENTER;
    column.cx = width;
    column.pszText = const_cast<char*>(header);
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void InitialiseEditor(HWND window) {
    // Marked first: the list is loaded below, and its rows reach the window
    // only once it is known as the editor.
    MarkPluginWindow(window, PluginWindowKind::Editor);
    g_State.MainWindow = window;
    HWND list = GetDlgItem(window, IDC_CHANNEL_LIST);
    g_State.ListView = list;

    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kListStyles);
    InsertColumn(list, 0, 116, kTextChannelColumn);
    InsertColumn(list, 1, 70, kTextSatelliteColumn);

    SetArabicControlText(IDC_CHANNEL_LABEL, kTextCurrentChannelLabel);
    SetArabicControlText(IDC_COUNT_LABEL, kTextCountLabel);
    SetArabicControlText(IDC_DATA_GROUP, kTextDataGroup);
    SetArabicControlText(IDC_ADD, kTextAddButton);
    SetArabicControlText(IDOK, kTextOkButton);

    // A long list would otherwise repaint the list view once per row.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    LoadChannelList();
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void HandleEditorMessage(HWND window, UINT message, WPARAM wParam) {
    if (message == DestroyRequestMessage()) {
        DestroyWindow(window);
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
            AddCurrentChannel();
            break;
        case IDM_ABOUT:
            OpenAbout();
            break;
        default:
            break;
        }
        break;
    case WM_DESTROY:
        // Only On_Exit destroys the editor (or the end of its thread).
        if (g_State.MainWindow == window) {
            g_State.MainWindow = nullptr;
            g_State.ListView = nullptr;
        }
        break;
    default:
        break;
    }
}

}  // namespace

INT_PTR CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    // No C++ exception may pass through the window manager to the viewer; a
    // message whose handling fails ends there.
    try {
        HandleEditorMessage(window, message, wParam);
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
        return nullptr;
    }
    HoldModule();
    return window;
}

void ShowEditor() {
    // Nothing when the editor is gone: never started, torn down by On_Exit,
    // or destroyed with the thread that started the plug-in.
    HWND window = LiveEditorWindow();
    if (!window) return;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void ShowChannel() {
    // The name field need not hold a NUL; only its own bytes are shown.
    const char* field = g_State.CurrentChannel.ChannelName;
    char name[kChannelNameFieldSize + 1];
    std::size_t length = 0;
    while (length < kChannelNameFieldSize && field[length] != '\0') ++length;
    std::memcpy(name, field, length);
    name[length] = '\0';

    SetControlText(IDC_STATUS, "");
    SetControlText(IDC_CHANNEL, name);
}
