// The editor window operations of the channel-list code, sent to the real
// window: texts from the viewer and the list with the ANSI functions (they
// are in the system's ANSI code page, as the viewer gives them), the editor's
// own Arabic texts with the wide ones (see ui/arabic_to_wide.h). Each does
// nothing while its window does not exist, so the channel-list code may run
// before the window is created, and after it is gone (torn down by On_Exit,
// or ended with its thread).
#include <windows.h>
#include <commctrl.h>

#include "shared/plugin_state.h"
#include "shared/window_ops.h"
#include "ui/arabic_to_wide.h"
#include "ui/plugin_windows.h"

namespace {

// Sends an item record carrying only text to row `row`, column `column`.
void SendItemText(UINT message, int row, int column, const char* text) {
    HWND list = LiveListView();
    if (!list) return;
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, message, 0, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void SetControlText(int controlId, const char* text) {
    if (HWND window = LiveEditorWindow()) SetDlgItemTextA(window, controlId, text);
}

void SetArabicControlText(int controlId, const char* text) {
    HWND window = LiveEditorWindow();
    if (!window) return;
    wchar_t wide[kArabicTextUnits];
    if (ArabicTextToWide(text, wide)) {
        SetDlgItemTextW(window, controlId, wide);
    } else {
        SetDlgItemTextA(window, controlId, text);
    }
}

void InsertListRow(int row, const char* text) { SendItemText(LVM_INSERTITEMA, row, 0, text); }

void SetListRowColumn1(int row, const char* text) { SendItemText(LVM_SETITEMA, row, 1, text); }

void EnsureListRowVisible(int row) {
    if (HWND list = LiveListView()) SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), 0);
}

void CheckListRow(int row) {
    HWND list = LiveListView();
    if (!list) return;
    // The second state image is the ticked check box.
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(2);
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void SendPositionQuery(PositionQuery* query) {
    // The query carries a pointer into this process, so only a window of
    // this process can answer it; a stored handle whose window is gone (or
    // whose value another process's window now has) gets nothing.
    HWND host = static_cast<HWND>(g_State.HostWindow);
    if (!host || !IsWindow(host)) return;
    DWORD process = 0;
    GetWindowThreadProcessId(host, &process);
    if (process != GetCurrentProcessId()) return;
    // The viewer may do anything before it answers, FreeLibrary included:
    // the DLL holds itself while its code waits for the answer.
    HoldModule();
    SendMessageA(host, kPositionQueryMessage, kPositionQueryWParam, reinterpret_cast<LPARAM>(query));
}
