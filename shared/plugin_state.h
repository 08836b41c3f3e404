// The plug-in's shared types: the host's channel record, the position query,
// the process-global state and the editor window's control identifiers.
//
// This header is plain C++ with no Windows headers, so the channel-list code
// that uses it builds and is tested on any platform. Window and module handles
// are held as opaque pointers; only the Windows layer (ui/, plugin/) turns
// them back into HWND and HMODULE.
#ifndef ZELQ_SHARED_PLUGIN_STATE_H
#define ZELQ_SHARED_PLUGIN_STATE_H

#include <cstddef>
#include <cstdint>

// Size of the fixed path buffers, the classic Windows MAX_PATH: at most 259
// characters and the terminating NUL.
constexpr std::size_t kPathBufferSize = 260;

// Width of the channel name field at the start of a ChannelRecord. The name is
// NUL-terminated inside these bytes when the host fills the field properly;
// readers never look past the field when it is not.
constexpr std::size_t kChannelNameFieldSize = 92;

#pragma pack(push, 1)

// The host's description of one channel: 804 bytes, byte-packed,
// little-endian. The plug-in reads five fields and copies the rest as opaque
// bytes.
struct ChannelRecord {
    char ChannelName[kChannelNameFieldSize];  // offset 0
    std::uint32_t TuneValue;                  // offset 92
    std::uint8_t Opaque1[26];                 // offsets 96..121
    std::uint16_t ChannelIdent;               // offset 122
    std::uint8_t Opaque2[266];                // offsets 124..389
    std::uint16_t ValidWord;                  // offset 390
    std::uint8_t Opaque3[395];                // offsets 392..786
    std::uint32_t RecPosition;                // offset 787, unaligned
    std::uint8_t Opaque4[13];                 // offsets 791..803
};

// The record sent to the host window to learn the current satellite position.
// All bytes zero except Size (208); the host fills SatPosition.
struct PositionQuery {
    std::uint32_t Size;         // offset 0
    std::uint8_t Reserved1[8];  // offsets 4..11
    std::uint32_t SatPosition;  // offset 12
    std::uint8_t Reserved2[192];
};

#pragma pack(pop)

static_assert(sizeof(ChannelRecord) == 804, "ChannelRecord is 804 bytes");
static_assert(offsetof(ChannelRecord, ChannelName) == 0, "ChannelName at 0");
static_assert(offsetof(ChannelRecord, TuneValue) == 92, "TuneValue at 92");
static_assert(offsetof(ChannelRecord, ChannelIdent) == 122, "ChannelIdent at 122");
static_assert(offsetof(ChannelRecord, ValidWord) == 390, "ValidWord at 390");
static_assert(offsetof(ChannelRecord, RecPosition) == 787, "RecPosition at 787");
static_assert(sizeof(PositionQuery) == 208, "PositionQuery is 208 bytes");
static_assert(offsetof(PositionQuery, Size) == 0, "query size field at 0");
static_assert(offsetof(PositionQuery, SatPosition) == 12, "query answer at 12");

// Size written into PositionQuery::Size, and the message parameters the host
// recognises the query by.
constexpr std::uint32_t kPositionQuerySize = 208;
constexpr unsigned kPositionQueryMessage = 0x400;  // WM_USER
constexpr std::uint32_t kPositionQueryWParam = 0x01022003;

// Editor window controls, by identifier.
enum EditorControl : int {
    kControlOk = 1,              // OK: hide the window
    kControlAdd = 1001,          // add the current channel
    kControlStatus = 1002,       // result of the last add
    kControlList = 1003,         // the channel list view
    kControlCount = 1004,        // number of channels in the file
    kControlChannel = 1005,      // name of the current channel
    kControlCountLabel = 1006,   // label of 1004
    kControlChannelLabel = 1007, // label of 1005
    kControlDataGroup = 1008,    // frames 1004 to 1007
};

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
