// Loads a fresh copy of ZelqEditor.dll as a host would, and reads back what
// its windows show.
//
// Every test gets its own directory with its own copy of the DLL (and so its
// own list file and its own process-global state: a DLL loaded from another
// path is another module). A copy stays loaded until the process ends unless
// its test calls On_Exit and unloads it.
//
// A crash anywhere in the test program ends it at once with a message naming
// the test, instead of opening Wine's debugger and waiting.
#ifndef ZELQ_TESTS_WIN32_PLUGIN_HARNESS_H
#define ZELQ_TESTS_WIN32_PLUGIN_HARNESS_H

#include <windows.h>

#include <cstdint>
#include <functional>
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
    std::string DllPath() const { return Directory + "\\ZelqEditor.dll"; }
};

// Copies the DLL into a new directory (below `parent`, or the temporary
// folder) and loads it; an optional list file is written there first.
// Fails the test and returns false when anything goes wrong.
bool LoadPluginCopy(Plugin* plugin, const std::string* listFile = nullptr,
                    const std::string& directory = "");

// Loads the DLL already in plugin->Directory again, as a host that unloaded
// it and loads it anew does. Fails the test and returns false on failure.
bool LoadPluginModule(Plugin* plugin);

// Frees the library as a host that unloads the plug-in does, and forgets its
// module and entry points (not its directory).
void UnloadPlugin(Plugin* plugin);

// Whether the DLL at this path is still mapped in the process.
bool IsDllLoaded(const std::string& dllPath);

// A new empty directory for one test, below the temporary folder.
std::string MakeTestDirectory();

// The stand-in host's main window. It answers the position query with
// g_HostAnswer as it was when the query came, and keeps every query it was
// sent. Before it answers it runs g_HostDuringQuery, if set (not again for a
// query sent meanwhile), as a viewer that does something else first.
HWND HostWindow();
extern std::uint32_t g_HostAnswer;
extern std::vector<PositionQuery> g_HostQueries;
extern std::function<void()> g_HostDuringQuery;

// Whether this program runs under a name the plug-in takes for the viewer.
bool RunningAsViewer();

// Calls On_Start the way the viewer does and returns the editor window.
HWND StartPlugin(const Plugin& plugin);

ChannelRecord MakeChannel(const std::string& name, std::uint16_t ident, std::uint32_t position,
                          std::uint32_t tuneValue = 11'747'000);

// Delivers pending messages of this thread.
void PumpMessages();

// Delivers this thread's messages until the handle is signalled or the time
// is up; true when it was signalled.
bool WaitPumping(HANDLE handle, DWORD milliseconds);

// Answers the messages other threads send to this one, and takes no other,
// until the handle is signalled or the time is up; true when it was
// signalled. A thread that waits so inside a window's creation or a viewer's
// callback still lets another thread's SendMessage through.
bool WaitAnsweringSent(HANDLE handle, DWORD milliseconds);

// A thread of its own, as a host's worker thread: it runs what it is given
// and pumps its messages in between, until Stop ends it (and with it every
// window it owns).
class WindowThread {
public:
    WindowThread();
    ~WindowThread();
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    // Runs `work` on the thread and waits for it, pumping the caller's
    // messages meanwhile.
    void Run(const std::function<void()>& work);
    // Starts `work` on the thread and returns at once with an event that is
    // set when it has ended; the caller closes the event, and `work` must
    // live until then.
    HANDLE Begin(const std::function<void()>& work);
    // The thread stops pumping messages, as a hung thread does, until Resume.
    void Pause();
    void Resume();
    // Ends the thread and waits for it.
    void Stop();
    DWORD Id() const { return id_; }

private:
    static DWORD WINAPI Main(void* self);
    HANDLE thread_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE resume_ = nullptr;
    DWORD id_ = 0;
};

// Texts as the ANSI functions give them, in the system's ANSI code page.
std::string ControlText(HWND window, int control);
std::string WindowText(HWND window);

// Texts as the window holds them, whatever the system's ANSI code page: a
// control's text, a list view column's header, and a list view item's text
// (column 0 the row's item, 1 its first sub-item).
std::wstring ControlTextW(HWND window, int control);
std::wstring ColumnHeaderW(HWND list, int column);
std::wstring ListItemTextW(HWND list, int row, int column);
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

// Top-level windows of this process with the given caption that the plug-in
// copy made.
std::vector<HWND> WindowsWithCaption(const Plugin& plugin, const std::string& caption);

// Every top-level window of this process made by the module loaded at this
// address, whatever its caption; still found after the module was unloaded.
std::vector<HWND> WindowsOfModule(HMODULE module);

bool IsTopmost(HWND window);

#endif  // ZELQ_TESTS_WIN32_PLUGIN_HARNESS_H
