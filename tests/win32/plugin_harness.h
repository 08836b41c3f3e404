// Loads a fresh copy of ZelqEditor.dll as a host would, and reads back what
// its windows show.
//
// Every test gets its own directory with its own copy of the DLL (and so its
// own list file and its own process-global state: a DLL loaded from another
// path is another module). The plug-in's windows are never destroyed, so the
// copies stay loaded until the process ends.
#ifndef ZELQ_TESTS_WIN32_PLUGIN_HARNESS_H
#define ZELQ_TESTS_WIN32_PLUGIN_HARNESS_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shared/host_api.h"

struct Plugin {
    std::string Directory;  // holds the DLL copy and its ChannelList.ini
    HMODULE Module = nullptr;
    OnStartFn Start = nullptr;
    OnExitFn Exit = nullptr;
    OnSendDllIdNameFn SendName = nullptr;
    OnMenuSelectFn MenuSelect = nullptr;
    OnChannelChangeFn ChannelChange = nullptr;

    std::string ListPath() const { return Directory + "\\ChannelList.ini"; }
};

// Copies the DLL into a new directory (below `parent`, or the temporary
// folder) and loads it; an optional list file is written there first.
// Fails the test and returns false when anything goes wrong.
bool LoadPluginCopy(Plugin* plugin, const std::string* listFile = nullptr,
                    const std::string& directory = "");

// A new empty directory for one test, below the temporary folder.
std::string MakeTestDirectory();

// The stand-in host's main window. It answers the position query with
// g_HostAnswer and keeps every query it was sent.
HWND HostWindow();
extern std::uint32_t g_HostAnswer;
extern std::vector<PositionQuery> g_HostQueries;

// Whether this program runs under a name the plug-in takes for the viewer.
bool RunningAsViewer();

// Calls On_Start the way the viewer does and returns the editor window.
HWND StartPlugin(const Plugin& plugin);

ChannelRecord MakeChannel(const std::string& name, std::uint16_t ident, std::uint32_t position,
                          std::uint32_t tuneValue = 11'747'000);

// Delivers pending messages of this thread.
void PumpMessages();

std::string ControlText(HWND window, int control);
std::string WindowText(HWND window);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

struct ListRow {
    std::string Name;
    std::string Satellite;
    bool Checked;
    bool operator==(const ListRow& other) const {
        return Name == other.Name && Satellite == other.Satellite && Checked == other.Checked;
    }
};

std::vector<ListRow> ListRows(HWND window);

// Top-level windows with the given caption that the plug-in copy made.
std::vector<HWND> WindowsWithCaption(const Plugin& plugin, const std::string& caption);

bool IsTopmost(HWND window);

#endif  // ZELQ_TESTS_WIN32_PLUGIN_HARNESS_H
