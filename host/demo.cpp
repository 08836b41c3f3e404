#include "host/demo.h"

#include <windows.h>

#include "host/channels.h"
#include "host/host_state.h"
#include "host/report.h"
#include "host/screenshot.h"
#include "host/tuning.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR kDemoTimerId = 1;
constexpr UINT kFirstStepDelayMs = 500;
// Time the session may take before the watchdog ends it: a plug-in that
// blocks (a modal message box nobody answers, a hang) must not hang a script.
constexpr DWORD kWatchdogMs = 60000;
constexpr int kExitDemoFailed = 3;
constexpr int kExitDemoTimedOut = 4;

// The channels the session tunes, by index in the channel table.
constexpr int kFirstChannel = 0;   // Euronews, HotBird
constexpr int kSecondChannel = 2;  // Al Jazeera, ArabSat 2A

std::string g_OutputDir;

struct DemoStep {
    const char* title;
    bool (*run)(std::string* error);
    UINT pauseAfterMs;  // time for the windows to settle and paint before the next step
};

// Joins with the separator the directory already uses ('/' from a Unix shell).
std::string JoinPath(const std::string& directory, const char* name) {
    if (directory.empty()) return name;
    const char last = directory.back();
    if (last == '\\' || last == '/') return directory + name;
    const bool slashes = directory.find('/') != std::string::npos && directory.find('\\') == std::string::npos;
    return directory + (slashes ? "/" : "\\") + name;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates the directory and any missing parents.
bool MakeDirectories(const std::string& path) {
    for (std::string::size_type i = 1; i < path.size(); ++i) {
        if ((path[i] == '\\' || path[i] == '/') && path[i - 1] != ':') {
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        }
    }
    CreateDirectoryA(path.c_str(), nullptr);
    return IsDirectory(path);
}

// The text of a control of the editor window, as UTF-8 for the log.
std::string EditorText(int controlId) {
    char text[256] = "";
    GetDlgItemTextA(g_Host.editorWindow, controlId, text, sizeof(text));
    return Cp1256ToUtf8(text);
}

BOOL CALLBACK CountVisible(HWND window, LPARAM count) {
    if (IsWindowVisible(window)) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Visible top-level windows of this thread: the host's and the plug-in's.
int VisibleWindowCount() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountVisible, reinterpret_cast<LPARAM>(&count));
    return count;
}

BOOL CALLBACK Repaint(HWND window, LPARAM) {
    if (IsWindowVisible(window)) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        UpdateWindow(window);
    }
    return TRUE;
}

bool Tune(int index) {
    LogLine("tune " + Cp1256ToUtf8(kTestChannels[index].name) + " (position " +
            std::to_string(kTestChannels[index].position) + ")");
    TuneChannel(index);
    return true;
}

bool TuneFirst(std::string*) { return Tune(kFirstChannel); }
bool TuneSecond(std::string*) { return Tune(kSecondChannel); }

// A command of the Plug-in menu, sent the way a click on the item arrives:
// the host's window forwards it to On_Menu_Select.
void ChooseMenuCommand(int command) {
    SendMessageA(g_Host.mainWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

bool ShowEditor(std::string* error) {
    ChooseMenuCommand(IDM_CHANNEL_EDITOR);
    if (!IsWindowVisible(g_Host.editorWindow)) {
        *error = "the editor window is not visible after command 40701";
        return false;
    }
    LogLine("editor shows current channel: " + EditorText(IDC_CHANNEL));
    return true;
}

// What a click on the add button sends its dialog.
bool PressAdd(std::string*) {
    HWND button = GetDlgItem(g_Host.editorWindow, IDC_ADD);
    const unsigned queriesBefore = g_Host.queriesAnswered;
    SendMessageA(g_Host.editorWindow, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    LogLine("position queries answered for the add: " + std::to_string(g_Host.queriesAnswered - queriesBefore));
    LogLine("status: " + EditorText(IDC_STATUS));
    LogLine("channels in the file: " + EditorText(IDC_COUNT));
    return true;
}

bool PaintAll(std::string*) {
    EnumThreadWindows(GetCurrentThreadId(), Repaint, 0);
    return true;
}

bool Shoot(const char* name, std::string* error) {
    const std::string path = JoinPath(g_OutputDir, name);
    if (!SaveScreenshot(path, error)) return false;
    LogLine("saved " + path);
    return true;
}

bool ShootEditor(std::string* error) { return Shoot("01-editor.bmp", error); }
bool ShootAbout(std::string* error) { return Shoot("02-about.bmp", error); }

bool OpenAbout(std::string* error) {
    const int before = VisibleWindowCount();
    ChooseMenuCommand(IDM_ABOUT);
    if (VisibleWindowCount() <= before) {
        *error = "no About window opened after command 40702";
        return false;
    }
    return true;
}

bool Close(std::string*) {
    g_Host.exitCode = 0;
    PostMessageA(g_Host.mainWindow, WM_CLOSE, 0, 0);
    return true;
}

const DemoStep kSteps[] = {
    {"tune the first channel", TuneFirst, 300},
    {"show the editor", ShowEditor, 300},
    {"tune the second channel", TuneSecond, 300},
    {"press the add button", PressAdd, 300},
    {"paint", PaintAll, 500},
    {"screenshot the editor", ShootEditor, 100},
    {"open About", OpenAbout, 300},
    {"paint", PaintAll, 500},
    {"screenshot About", ShootAbout, 100},
    {"close", Close, 0},
};
constexpr int kStepCount = static_cast<int>(sizeof(kSteps) / sizeof(kSteps[0]));

int g_NextStep = 0;

void CALLBACK OnDemoTimer(HWND window, UINT, UINT_PTR, DWORD) {
    // One shot per step; a step that runs a message loop of its own cannot
    // start the next one early.
    KillTimer(window, kDemoTimerId);
    if (g_NextStep >= kStepCount) return;
    const DemoStep& step = kSteps[g_NextStep++];
    std::string error;
    if (!step.run(&error)) {
        ReportError(std::string("demo failed at \"") + step.title + "\": " + error);
        g_Host.exitCode = kExitDemoFailed;
        PostMessageA(g_Host.mainWindow, WM_CLOSE, 0, 0);
        return;
    }
    if (g_NextStep < kStepCount) SetTimer(window, kDemoTimerId, step.pauseAfterMs, OnDemoTimer);
}

DWORD WINAPI Watchdog(LPVOID) {
    Sleep(kWatchdogMs);
    ReportError("demo did not finish within " + std::to_string(kWatchdogMs / 1000) + " seconds");
    ExitProcess(kExitDemoTimedOut);
}

}  // namespace

bool StartDemo(const std::string& outputDir, std::string* error) {
    if (g_Host.editorWindow == nullptr) {
        *error = "the plug-in has no editor window to show";
        return false;
    }
    if (!MakeDirectories(outputDir)) {
        *error = "cannot create the directory " + outputDir;
        return false;
    }
    g_OutputDir = outputDir;

    // The plug-in's editor opens at the top left; the host goes to the bottom
    // right, so that the screenshots show both.
    RECT host;
    RECT workArea;
    if (GetWindowRect(g_Host.mainWindow, &host) && SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0)) {
        const int width = host.right - host.left;
        const int height = host.bottom - host.top;
        SetWindowPos(g_Host.mainWindow, nullptr, workArea.right - width > 0 ? workArea.right - width : 0,
                     workArea.bottom - height > 0 ? workArea.bottom - height : 0, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    if (watchdog != nullptr) CloseHandle(watchdog);
    // Until the last step says otherwise, closing the window means failure.
    g_Host.exitCode = kExitDemoFailed;
    if (SetTimer(g_Host.mainWindow, kDemoTimerId, kFirstStepDelayMs, OnDemoTimer) == 0) {
        *error = "cannot start the demo timer";
        return false;
    }
    return true;
}
