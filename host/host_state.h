// Vistrox's process-global state: the loaded plug-in's entry points, the
// host's own windows and the channel it is tuned to.
#ifndef ZELQ_HOST_HOST_STATE_H
#define ZELQ_HOST_HOST_STATE_H

#include <windows.h>

#include <cstdint>

#include "shared/host_api.h"

struct PluginApi {
    HMODULE module;
    OnStartFn onStart;
    OnExitFn onExit;
    OnSendDllIdNameFn onSendDllIdName;
    OnMenuSelectFn onMenuSelect;
    OnChannelChangeFn onChannelChange;
};

struct HostState {
    PluginApi plugin;
    bool started;              // On_Start has been called
    bool exited;               // On_Exit has been called
    HWND mainWindow;           // the host's main window, passed to On_Start
    HWND channelList;          // list box of the channels to tune
    HWND channelLabel;         // shows the tuned channel's name
    HWND detailLabel;          // its position, ident, transponder; the queries answered
    HMENU channelsMenu;        // the "Channels" pop-up
    HWND editorWindow;         // what On_Start returned
    unsigned char startByte;   // written by the plug-in through On_Start's argument 5
    int startInt;              // written by the plug-in through On_Start's argument 7
    int currentChannel;        // index into the channel table; -1 before the first tune
    std::uint32_t currentPosition;  // the SatPosition the position query answers
    unsigned queriesAnswered;
    bool demo;                 // running the scripted demo session
    bool plainLoop;            // the message loop does not route dialogs through IsDialogMessage
    bool tuneFromThread;       // channel changes reach the plug-in from a tuning thread
    int exitCode;              // the process's exit code
};

extern HostState g_Host;

#endif  // ZELQ_HOST_HOST_STATE_H
