// Vistrox.exe: a small stand-in for the satellite viewer that hosts
// ZelqEditor.dll. It loads the plug-in from its own directory, names itself
// after it, starts it with its main window, offers the plug-in's menu,
// tunes channels (handing the plug-in every channel record), answers the
// plug-in's position query and tells the plug-in when it closes.
//
//   Vistrox.exe                      interactive
//   Vistrox.exe --demo <output-dir>  a scripted session that saves screenshots
//                                    and exits 0 when every step succeeded
//
// Either may be preceded by options that make the viewer less kind to the
// plug-in, as other viewers are:
//   --plain-loop        its message loop does not route dialogs through
//                       IsDialogMessage
//   --tune-from-thread  channel changes reach the plug-in from a tuning
//                       thread, which the window thread waits for without
//                       taking messages
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "host/demo.h"
#include "host/host_state.h"
#include "host/host_window.h"
#include "host/plugin_api.h"
#include "host/report.h"

HostState g_Host;

namespace {

constexpr int kExitStartFailed = 1;
constexpr int kExitUsage = 2;
constexpr char kUsage[] =
    "usage: Vistrox.exe [--plain-loop] [--tune-from-thread] [--demo <folder for the screenshots>]";

// The plug-in's display name. It promises at most 22 bytes with the NUL; the
// buffer is larger and cut at its end so that a longer name cannot overrun it.
std::string PluginName() {
    char name[256] = "";
    g_Host.plugin.onSendDllIdName(name);
    name[sizeof(name) - 1] = '\0';
    return name;
}

// Starts the plug-in with the host's main window. Arguments 1, 3, 4 and 6 are
// not used; 5 and 7 point to a byte and an integer the host owns.
bool StartPlugin() {
    g_Host.startByte = 0;
    g_Host.startInt = -1;
    const int result = g_Host.plugin.onStart(0, g_Host.mainWindow, 0, 0, &g_Host.startByte, 0, &g_Host.startInt);
    g_Host.started = true;
    g_Host.editorWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(result));
    if (result == 0 || !IsWindow(g_Host.editorWindow)) {
        g_Host.editorWindow = nullptr;
        ReportError("The plug-in started but made no editor window, so it cannot be shown.");
        return false;
    }
    LogLine("started the plug-in: its editor window is ready, hidden until you choose Channel Editor");
    if (g_Host.plainLoop) LogLine("the message loop does not route dialogs through IsDialogMessage");
    if (g_Host.tuneFromThread) LogLine("channel changes reach the plug-in from a tuning thread");
    return true;
}

void RunMessageLoop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!g_Host.plainLoop && RouteDialogMessage(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Closes the window after a failure in demo mode: the plug-in still gets its
// On_Exit, and the loop ends with the given code.
int CloseWithCode(int code) {
    g_Host.exitCode = code;
    SendMessageA(g_Host.mainWindow, WM_CLOSE, 0, 0);
    RunMessageLoop();
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    g_Host.currentChannel = -1;
    int argument = 1;
    for (; argument < __argc; ++argument) {
        if (std::strcmp(__argv[argument], "--plain-loop") == 0) {
            g_Host.plainLoop = true;
        } else if (std::strcmp(__argv[argument], "--tune-from-thread") == 0) {
            g_Host.tuneFromThread = true;
        } else {
            break;
        }
    }
    g_Host.demo = argument < __argc && std::strcmp(__argv[argument], "--demo") == 0;
    std::string demoDir;
    if (g_Host.demo) {
        if (__argc != argument + 2 || __argv[argument + 1][0] == '\0') {
            ReportError(kUsage);
            return kExitUsage;
        }
        demoDir = __argv[argument + 1];
    } else if (argument != __argc) {
        ReportError(std::string("unknown argument ") + __argv[argument] + "\n" + kUsage);
        return kExitUsage;
    }

    std::string error;
    if (!LoadPlugin(&g_Host.plugin, &error)) {
        ReportError(error);
        return kExitStartFailed;
    }
    if (!CreateHostWindow(instance, &error)) {
        ReportError(error);
        return kExitStartFailed;
    }

    const std::string name = PluginName();
    SetHostCaption(name.c_str());
    LogLine("loaded the plug-in \"" + (name.empty() ? std::string("(no name)") : name) + "\"");
    if (AttachPluginMenu()) {
        LogLine("the Plug-in menu holds the plug-in's own commands");
    } else {
        ReportError("The plug-in brings no menu of its own; the Plug-in menu offers Channel Editor and About "
                    "instead.");
    }

    const bool started = StartPlugin();
    if (!started && g_Host.demo) return CloseWithCode(kExitStartFailed);

    PlaceMainWindow();
    ShowWindow(g_Host.mainWindow, g_Host.demo ? SW_SHOWNORMAL : showCommand);
    UpdateWindow(g_Host.mainWindow);

    if (g_Host.demo && !StartDemo(demoDir, &error)) {
        ReportError(error);
        return CloseWithCode(kExitStartFailed);
    }
    RunMessageLoop();
    return g_Host.exitCode;
}
