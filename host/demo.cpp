#include "host/demo.h"

#include <windows.h>

#include <cstring>

#include "host/channels.h"
#include "host/host_state.h"
#include "host/report.h"
#include "host/screenshot.h"
#include "host/tuning.h"
#include "resources/resource.h"
#include "shared/arabic_texts.h"

namespace {

constexpr UINT_PTR kDemoTimerId = 1;
constexpr UINT kFirstStepDelayMs = 500;
// Time the session may take before the watchdog ends it: a plug-in that
// blocks (a modal message box nobody answers, a hang) must not hang a script.
constexpr DWORD kWatchdogMs = 60000;
constexpr int kExitDemoFailed = 3;
constexpr int kExitDemoTimedOut = 4;

// The channels the session tunes, by index in the channel table.
constexpr int kEuronews = 0;     // HotBird
constexpr int kEuronewsHd = 1;   // the same channel as Euronews
constexpr int kAlJazeera = 2;    // ArabSat 2A
constexpr int kNileChannel = 3;  // Nile Sat
constexpr int kDasErste = 5;     // Astra 1B-1H
constexpr int kTv5Monde = 6;     // EutelSat W3A

// The session adds three channels, then tries one already in the list. A
// viewer gives channel names in the system's code page; the table's Arabic
// names are Windows-1256 bytes, so on a system with another code page the
// session tunes channels with Latin names instead.
struct DemoChannels {
    int First;
    int Second;
    int Third;
    int Repeated;
};
constexpr DemoChannels kArabicSystemChannels = {kEuronews, kAlJazeera, kNileChannel, kEuronewsHd};
constexpr DemoChannels kOtherSystemChannels = {kEuronews, kDasErste, kTv5Monde, kEuronewsHd};
DemoChannels g_Channels = kArabicSystemChannels;

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

// The text of a control of the editor window, as UTF-8 for the log. Read
// with the wide function, it is what the user sees whatever the code page.
std::string EditorText(int controlId) {
    wchar_t text[256] = L"";
    GetDlgItemTextW(g_Host.editorWindow, controlId, text, 256);
    return WideToUtf8(text);
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
    char position[32];
    FormatPosition(kTestChannels[index].position, position, sizeof(position));
    LogLine("tuned " + Cp1256ToUtf8(kTestChannels[index].name) + " (" + position + ")");
    TuneChannel(index);
    return true;
}

bool TuneFirst(std::string*) { return Tune(g_Channels.First); }
bool TuneSecond(std::string*) { return Tune(g_Channels.Second); }
bool TuneThird(std::string*) { return Tune(g_Channels.Third); }
bool TuneRepeated(std::string*) { return Tune(g_Channels.Repeated); }

// A command of the Plug-in menu, sent the way a click on the item arrives:
// the host's window forwards it to the plug-in.
void ChooseMenuCommand(int command) {
    SendMessageA(g_Host.mainWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

bool ShowEditor(std::string* error) {
    ChooseMenuCommand(IDM_CHANNEL_EDITOR);
    if (!IsWindowVisible(g_Host.editorWindow)) {
        *error = "the editor window did not appear after choosing Channel Editor";
        return false;
    }
    LogLine("chose Channel Editor: the editor shows the current channel " + EditorText(IDC_CHANNEL));
    return true;
}

// The plug-in's status line in English, for the log.
std::string StatusMeaning(const std::string& status) {
    if (status == Cp1256ToUtf8(kTextAdded)) return " (the channel was added to the list)";
    if (status == Cp1256ToUtf8(kTextAlreadyInList)) return " (the channel is already in the list)";
    return "";
}

// What a click on the add button sends its dialog.
bool PressAdd(std::string*) {
    HWND button = GetDlgItem(g_Host.editorWindow, IDC_ADD);
    const unsigned queriesBefore = g_Host.queriesAnswered;
    SendMessageA(g_Host.editorWindow, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    LogLine(std::string("pressed the add button") +
            (g_Host.queriesAnswered > queriesBefore ? "; the plug-in asked Vistrox for the satellite position" : ""));
    const std::string status = EditorText(IDC_STATUS);
    if (status.empty()) {
        LogLine("the editor shows no outcome: there was nothing to add");
    } else {
        LogLine("the editor says: " + status + StatusMeaning(status));
    }
    const std::string count = EditorText(IDC_COUNT);
    LogLine("the list now holds " + count + (count == "1" ? " channel" : " channels"));
    return true;
}

bool PaintAll(std::string*) {
    EnumThreadWindows(GetCurrentThreadId(), Repaint, 0);
    return true;
}

bool Shoot(const char* name, std::string* error) {
    const std::string path = JoinPath(g_OutputDir, name);
    if (!SaveScreenshot(path, error)) return false;
    LogLine("saved a screenshot: " + path);
    return true;
}

bool ShootEditorAdded(std::string* error) { return Shoot("01-editor-added.bmp", error); }
bool ShootEditorRefused(std::string* error) { return Shoot("02-editor-refused.bmp", error); }
bool ShootAbout(std::string* error) { return Shoot("03-about.bmp", error); }

bool OpenAbout(std::string* error) {
    const int before = VisibleWindowCount();
    ChooseMenuCommand(IDM_ABOUT);
    if (VisibleWindowCount() <= before) {
        *error = "no About window appeared after choosing About";
        return false;
    }
    LogLine("chose About: the About window is open");
    return true;
}

// The window of this thread with the given caption, or null.
struct CaptionSearch {
    const char* Caption;
    HWND Found;
};

BOOL CALLBACK FindCaption(HWND window, LPARAM parameter) {
    CaptionSearch* search = reinterpret_cast<CaptionSearch*>(parameter);
    char caption[128] = "";
    GetWindowTextA(window, caption, sizeof(caption));
    if (IsWindowVisible(window) && std::strcmp(caption, search->Caption) == 0) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

HWND VisibleWindowWithCaption(const char* caption) {
    CaptionSearch search = {caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindCaption, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

constexpr char kAboutCaption[] = "Yoxa Zelq ~ Channel Editor";

// The user brings a window to the front, its first control takes the
// keyboard, and a key goes down and up there: queued as the keyboard queues
// it, so that it reaches the plug-in through the viewer's message loop.
void PressKeyIn(HWND window, UINT key) {
    SetForegroundWindow(window);
    SetFocus(GetNextDlgTabItem(window, nullptr, FALSE));
    HWND focus = GetFocus();
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(focus, WM_KEYDOWN, key, scan | 1);
    PostMessageA(focus, WM_KEYUP, key, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

bool PressEscInAbout(std::string* error) {
    HWND about = VisibleWindowWithCaption(kAboutCaption);
    if (about == nullptr) {
        *error = "the About window is not open";
        return false;
    }
    PressKeyIn(about, VK_ESCAPE);
    LogLine("pressed Esc in the About window");
    return true;
}

bool AboutClosed(std::string* error) {
    if (VisibleWindowWithCaption(kAboutCaption) != nullptr) {
        *error = "Esc did not close the About window";
        return false;
    }
    LogLine("the About window closed");
    return true;
}

bool PressEscInEditor(std::string*) {
    PressKeyIn(g_Host.editorWindow, VK_ESCAPE);
    LogLine("pressed Esc in the editor window");
    return true;
}

bool EditorHidden(std::string* error) {
    if (IsWindowVisible(g_Host.editorWindow)) {
        *error = "Esc did not hide the editor window";
        return false;
    }
    LogLine("the editor window is hidden");
    return true;
}

bool Close(std::string*) {
    LogLine("closing Vistrox");
    g_Host.exitCode = 0;
    PostMessageA(g_Host.mainWindow, WM_CLOSE, 0, 0);
    return true;
}

// Three channels added, then one refused: the editor shows rows, both
// outcomes and the count. Then Esc closes About and hides the editor, through
// whichever message loop the viewer runs.
const DemoStep kSteps[] = {
    {"tune the first channel", TuneFirst, 300},
    {"show the editor", ShowEditor, 300},
    {"add the first channel", PressAdd, 200},
    {"tune the second channel", TuneSecond, 200},
    {"add the second channel", PressAdd, 200},
    {"tune the third channel", TuneThird, 200},
    {"add the third channel", PressAdd, 300},
    {"paint", PaintAll, 500},
    {"screenshot the editor after an add", ShootEditorAdded, 100},
    {"tune the first channel again, by another name", TuneRepeated, 200},
    {"add it", PressAdd, 300},
    {"paint", PaintAll, 500},
    {"screenshot the editor after a refusal", ShootEditorRefused, 100},
    {"open About", OpenAbout, 300},
    {"paint", PaintAll, 500},
    {"screenshot About", ShootAbout, 100},
    {"press Esc in About", PressEscInAbout, 300},
    {"check that About closed", AboutClosed, 100},
    {"press Esc in the editor", PressEscInEditor, 300},
    {"check that the editor is hidden", EditorHidden, 100},
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
        ReportError(std::string("the demo failed at \"") + step.title + "\": " + error);
        g_Host.exitCode = kExitDemoFailed;
        PostMessageA(g_Host.mainWindow, WM_CLOSE, 0, 0);
        return;
    }
    if (g_NextStep < kStepCount) SetTimer(window, kDemoTimerId, step.pauseAfterMs, OnDemoTimer);
}

DWORD WINAPI Watchdog(LPVOID) {
    Sleep(kWatchdogMs);
    ReportError("the demo did not finish within " + std::to_string(kWatchdogMs / 1000) + " seconds");
    ExitProcess(kExitDemoTimedOut);
}

}  // namespace

bool StartDemo(const std::string& outputDir, std::string* error) {
    if (g_Host.editorWindow == nullptr) {
        *error = "the plug-in has no editor window to show";
        return false;
    }
    if (!MakeDirectories(outputDir)) {
        *error = "cannot create the folder " + outputDir + " for the screenshots";
        return false;
    }
    g_OutputDir = outputDir;
    g_Channels = GetACP() == 1256 ? kArabicSystemChannels : kOtherSystemChannels;
    LogLine("the system's ANSI code page is " + std::to_string(GetACP()));

    HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    if (watchdog != nullptr) CloseHandle(watchdog);
    // Until the last step says otherwise, closing the window means failure.
    g_Host.exitCode = kExitDemoFailed;
    if (SetTimer(g_Host.mainWindow, kDemoTimerId, kFirstStepDelayMs, OnDemoTimer) == 0) {
        *error = "cannot start the demo's steps";
        return false;
    }
    return true;
}
