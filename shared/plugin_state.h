// The plug-in's process-global state. The host's channel record and position
// query are in host_api.h; the control identifiers in resources/resource.h.
//
// This header is plain C++ with no Windows headers, so the channel-list code
// that uses it builds and is tested on any platform. Window and module handles
// are held as opaque pointers; only the Windows layer (ui/, plugin/) turns
// them back into HWND and HMODULE.
#ifndef ZELQ_SHARED_PLUGIN_STATE_H
#define ZELQ_SHARED_PLUGIN_STATE_H

#include <cstddef>
#include <cstdint>

#include "host_api.h"

// The longest list path, in UTF-16 units as Windows counts them: the classic
// MAX_PATH of 259 characters and a NUL.
constexpr std::size_t kMaxListPathUnits = 259;

// ListPath holds the path in UTF-8, which takes at most three bytes for each
// UTF-16 unit (a pair of units, four), and its NUL.
constexpr std::size_t kListPathBufferSize = 3 * kMaxListPathUnits + 1;

// The process-global state. Zero at load; every field is set by the part of
// the plug-in that owns it (see the comments).
struct PluginState {
    char ListPath[kListPathBufferSize];  // the list file beside the DLL, UTF-8; empty when unknown
    bool HostMatched;                // the host executable's name begins with "Vistrox"
    bool Initialised;                // process-attach initialisation has run
    void* ModuleHandle;              // the DLL's own module (HMODULE)
    void* HostWindow;                // the host's main window (HWND), from On_Start
    void* MainWindow;                // the editor window (HWND)
    void* ListView;                  // its list view control (HWND)
    void* AboutWindow;               // the About window (HWND) while it exists
    bool AboutOpen;                  // whether the About window exists
    ChannelRecord CurrentChannel;    // copy of the last record from On_Channel_Change
    std::int32_t RowCount;           // rows in the list view
    char CountText[32];              // RowCount in decimal, as shown in control 1004
};

extern PluginState g_State;

#endif  // ZELQ_SHARED_PLUGIN_STATE_H
