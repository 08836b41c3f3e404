// The editor window operations of the channel-list code, sent to the real
// window: texts from the viewer and the list with the ANSI functions (they
// are in the system's ANSI code page, as the viewer gives them), the editor's
// own Arabic texts with the wide ones (see ui/arabic_to_wide.h). Each does
// nothing while its window does not exist, so the channel-list code may run
// before the window is created, and after it is gone (torn down by On_Exit,
// or ended with its thread). Each acts only on an editor of the calling
// thread: the channel-list code runs on the editor's thread, and when a
// newer start has put an editor on another thread meanwhile, setting its
// texts and rows would wait for that thread, which may be waiting for this
// one; that editor shows the list as its own load read it.
#include <windows.h>
#include <commctrl.h>

#include "shared/plugin_state.h"
#include "shared/window_ops.h"
#include "ui/arabic_to_wide.h"
#include "ui/plugin_windows.h"

namespace {

// How long an add waits for the viewer's answer to the position query when
// the viewer's window belongs to another thread. A viewer answers at once;
// one that has not answered in this time is busy, hung or waiting for the
// editor's own thread, and the add says so rather than hold the editor.
constexpr UINT kPositionQueryTimeoutMs = 3000;

// Query blocks the viewer did not answer in time. Each stays allocated for
// good: the query is still delivered when the viewer's thread takes its
// messages again, and the viewer then writes its answer into it. Past this
// many, the viewer is not asked again.
constexpr LONG kMostUnansweredQueries = 64;
volatile LONG g_UnansweredQueries = 0;

// The editor and its list view, when they belong to the calling thread.
HWND ThisThreadsEditor() {
    HWND editor = LiveEditorWindow();
    return editor && IsOwnThreadWindow(editor) ? editor : nullptr;
}

HWND ThisThreadsListView() { return ThisThreadsEditor() ? LiveListView() : nullptr; }

// Sends an item record carrying only text to row `row`, column `column`.
void SendItemText(UINT message, int row, int column, const char* text) {
    HWND list = ThisThreadsListView();
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
    if (HWND window = ThisThreadsEditor()) SetDlgItemTextA(window, controlId, text);
}

void SetArabicControlText(int controlId, const char* text) {
    HWND window = ThisThreadsEditor();
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
    if (HWND list = ThisThreadsListView()) SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), 0);
}

void CheckListRow(int row) {
    HWND list = ThisThreadsListView();
    if (!list) return;
    // The second state image is the ticked check box.
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(2);
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool SendPositionQuery(PositionQuery* query) {
    // The query carries a pointer into this process, so only a window of
    // this process can answer it; a stored handle whose window is gone (or
    // whose value another process's window now has) gets nothing.
    HWND host = static_cast<HWND>(g_State.HostWindow);
    if (!host || !IsWindow(host)) return false;
    DWORD process = 0;
    GetWindowThreadProcessId(host, &process);
    if (process != GetCurrentProcessId()) return false;
    // The viewer may do anything before it answers, FreeLibrary included:
    // the DLL holds itself while its code waits for the answer.
    HoldModule();
    // A window of this thread is called directly, as a function: it answers
    // before the call returns, and no time limit can apply.
    if (IsOwnThreadWindow(host)) {
        SendMessageA(host, kPositionQueryMessage, kPositionQueryWParam, reinterpret_cast<LPARAM>(query));
        return true;
    }
    // Another thread's window gets a block of its own on the process's heap,
    // not the add's stack: a query that times out is still delivered, and
    // the viewer writes its answer into it after the add has returned (and
    // maybe after the DLL is gone). SMTO_NORMAL lets this thread answer what
    // is sent to it meanwhile (a viewer that calls the plug-in back);
    // SMTO_ABORTIFHUNG gives up at once on a thread already silent for
    // about five seconds.
    if (g_UnansweredQueries >= kMostUnansweredQueries) return false;
    PositionQuery* block = static_cast<PositionQuery*>(HeapAlloc(GetProcessHeap(), 0, sizeof *block));
    if (!block) return false;
    *block = *query;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(host, kPositionQueryMessage, kPositionQueryWParam, reinterpret_cast<LPARAM>(block),
                             SMTO_NORMAL | SMTO_ABORTIFHUNG, kPositionQueryTimeoutMs, &result)) {
        InterlockedIncrement(&g_UnansweredQueries);
        return false;
    }
    query->SatPosition = block->SatPosition;
    HeapFree(GetProcessHeap(), 0, block);
    return true;
}
