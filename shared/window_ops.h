// The only ways the channel-list code reaches the editor window and the host.
//
// On Windows, windows/window_ops_win32.cpp implements these on PluginState's
// MainWindow, ListView and HostWindow: texts that come from the viewer or the
// list (channel names, the count) with SendMessageA, SetDlgItemTextA and
// LVITEMA, in the system's ANSI code page as the viewer gives them; the
// editor's own Arabic texts with SetDlgItemTextW after converting them from
// Windows-1256. Each does nothing while its window does not exist, or while
// it belongs to another thread than the caller's (which would have to wait
// for that thread). The native tests link a fake that records every call in
// order.
#ifndef ZELQ_SHARED_WINDOW_OPS_H
#define ZELQ_SHARED_WINDOW_OPS_H

#include "plugin_state.h"
#include "../resources/resource.h"

// Puts single-byte text in the system's ANSI code page (a channel name as
// the viewer gave it, the count) into an editor window control.
void SetControlText(int controlId, const char* text);

// Puts one of the editor's own Arabic texts (arabic_texts.h), held as
// Windows-1256 bytes, into an editor window control. It reads as Arabic
// whatever the system's ANSI code page is.
void SetArabicControlText(int controlId, const char* text);

// List view rows: insert a row with its column-0 text at the given index.
void InsertListRow(int row, const char* text);

// Sets the column-1 (satellite name) text of a row.
void SetListRowColumn1(int row, const char* text);

// Scrolls a row into view.
void EnsureListRowVisible(int row);

// Sets a row's check mark.
void CheckListRow(int row);

// Sends the position query to the host window; the host fills
// query->SatPosition before the call returns. False when the host did not
// answer: its window is gone, or it did not answer within the time the add
// waits (query->SatPosition is then left as it was). The message's own
// result is ignored.
bool SendPositionQuery(PositionQuery* query);

#endif  // ZELQ_SHARED_WINDOW_OPS_H
