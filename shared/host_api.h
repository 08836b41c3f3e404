// The plug-in's boundary with the host viewer: the channel record the host
// passes in, the position query it answers, and the five exported functions.
//
// The exports' definitions (plugin/exports.cpp) include this header, so a
// definition that differs from the declaration here does not compile; the
// stand-in viewer, the Windows tests and the timing program call the plug-in
// through the function types below. No Windows headers: a window handle is
// declared as the same incomplete type windows.h uses for HWND.
#ifndef ZELQ_SHARED_HOST_API_H
#define ZELQ_SHARED_HOST_API_H

#include <cstddef>
#include <cstdint>

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

// The exports use the C calling convention; on 32-bit Windows that is
// __cdecl, elsewhere (native builds of code that includes this header) the
// only one there is.
#if defined(_WIN32)
#define ZELQ_EXPORT_CALL __cdecl
#else
#define ZELQ_EXPORT_CALL
#endif

// The type windows.h names HWND.
struct HWND__;
using HostWindowHandle = HWND__*;

// The five exports, by their plain names. On_Start takes seven 32-bit
// arguments: (2) the host's main window; (5) a byte the plug-in sets to 0x41;
// (7) an integer it sets to 0; the rest are not used. It returns the editor
// window's handle. On_Send_Dll_ID_Name's buffer holds at least 22 bytes.
extern "C" {
int ZELQ_EXPORT_CALL On_Start(int unused1, HostWindowHandle hostWindow, int unused3, int unused4,
                              unsigned char* startByte, int unused6, int* startValue);
void ZELQ_EXPORT_CALL On_Exit(void);
void ZELQ_EXPORT_CALL On_Send_Dll_ID_Name(char* buffer);
void ZELQ_EXPORT_CALL On_Menu_Select(int command);
void ZELQ_EXPORT_CALL On_Channel_Change(ChannelRecord record);
}

// The same functions as a host resolves them with GetProcAddress.
using OnStartFn = decltype(&On_Start);
using OnExitFn = decltype(&On_Exit);
using OnSendDllIdNameFn = decltype(&On_Send_Dll_ID_Name);
using OnMenuSelectFn = decltype(&On_Menu_Select);
using OnChannelChangeFn = decltype(&On_Channel_Change);

#endif  // ZELQ_SHARED_HOST_API_H
