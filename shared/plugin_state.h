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

// Size of the fixed path buffers, the classic Windows MAX_PATH: at most 259
// characters and the terminating NUL.
constexpr std::size_t kPathBufferSize = 260;

// The process-global state. Zero at load; every field is set by the part of
// the plug-in that owns it (see the comments).
struct PluginState {
    char ListPath[kPathBufferSize];  // the list file beside the DLL; empty when unknown
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
