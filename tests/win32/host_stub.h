// What the small viewer programs of the tests (ListDriver.exe and
// VistroxRoundTrip.exe) share: a host window that answers the plug-in's
// position query, the plug-in's exports, a control's text and the rows of the
// editor's list (which the end-to-end tests read too).
#ifndef ZELQ_TESTS_WIN32_HOST_STUB_H
#define ZELQ_TESTS_WIN32_HOST_STUB_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shared/host_api.h"

// The position the host window answers the query with.
extern std::uint32_t g_StubPosition;

// A hidden top-level window whose procedure answers the position query with
// g_StubPosition, as a viewer does.
HWND MakeStubHostWindow();

struct StubPlugin {
    HMODULE Module;
    OnStartFn Start;
    OnChannelChangeFn ChannelChange;
};

// Loads ZelqEditor.dll from the folder and resolves the exports the drivers
// use; false, with a message on stderr, when it cannot.
bool LoadStubPlugin(const std::wstring& folder, StubPlugin* plugin);

// Calls On_Start as a viewer does and returns the editor window.
HWND StartStubPlugin(const StubPlugin& plugin, HWND host);

// A control's text, in the window's ANSI code page.
std::string StubControlText(HWND window, int control);

// One row of the editor's list view as the user sees it.
struct StubRow {
    std::string Name;       // column 0, in the window's ANSI code page
    std::string Satellite;  // column 1
    bool Checked;           // the ticked check box
};

// Every row of the editor's list view, in order.
std::vector<StubRow> ReadEditorRows(HWND editor);

// Delivers this thread's pending messages.
void PumpStubMessages();

#endif  // ZELQ_TESTS_WIN32_HOST_STUB_H
