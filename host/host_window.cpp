#include "host/host_window.h"

#include <cstdio>
#include <cstring>

#include "host/channels.h"
#include "host/host_state.h"
#include "host/tuning.h"
#include "resources/resource.h"

namespace {

constexpr char kWindowClass[] = "VistroxMainWindow";
constexpr int kMargin = 8;
// List box columns (name, position, note), in dialog units.
constexpr int kListNameWidth = 110;
constexpr int kListPositionWidth = 40;
// The main window's size, and the least width it is given beside the editor.
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 420;
constexpr int kMinWidthBeside = 420;
constexpr int kGap = 8;

HWND CreateChild(const char* className, DWORD style, HWND parent, int id) {
    HWND child = CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

void CreateControls(HWND window) {
    g_Host.channelLabel = CreateChild("STATIC", SS_LEFT | SS_NOPREFIX, window, 0);
    g_Host.detailLabel = CreateChild("STATIC", SS_LEFT | SS_NOPREFIX, window, 0);
    // Tab-separated columns: each is laid out on its own, so an Arabic name
    // does not pull the position beside it into its right-to-left run.
    g_Host.channelList = CreateChild("LISTBOX", WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY |
                                     LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS, window, 0);
    int tabStops[] = {kListNameWidth, kListNameWidth + kListPositionWidth};
    SendMessageA(g_Host.channelList, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(tabStops));
    for (int i = 0; i < kTestChannelCount; ++i) {
        char position[32];
        FormatPosition(kTestChannels[i].position, position, sizeof(position));
        char item[160];
        std::snprintf(item, sizeof(item), "%s\t%s\t%s", kTestChannels[i].name, position, kTestChannels[i].note);
        SendMessageA(g_Host.channelList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
}

// Height of a line of the labels' font.
int LineHeight(HWND label) {
    HDC dc = GetDC(label);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    return metrics.tmHeight > 0 ? metrics.tmHeight : 16;
}

// The tuned channel's name on one line, what Vistrox knows of it on the next
// two (it wraps in a narrow window), the channel list below.
void LayOut(int width, int height) {
    const int inner = width - 2 * kMargin;
    const int line = LineHeight(g_Host.detailLabel);
    MoveWindow(g_Host.channelLabel, kMargin, kMargin, inner, line, TRUE);
    MoveWindow(g_Host.detailLabel, kMargin, kMargin + line, inner, 2 * line, TRUE);
    const int listTop = kMargin * 2 + line * 3;
    MoveWindow(g_Host.channelList, kMargin, listTop, inner, height - listTop - kMargin, TRUE);
}

HMENU CreateMenuBar() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, kCommandExit, "E&xit");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");

    g_Host.channelsMenu = CreatePopupMenu();
    for (int i = 0; i < kTestChannelCount; ++i) {
        AppendMenuA(g_Host.channelsMenu, MF_STRING, static_cast<UINT_PTR>(kCommandFirstChannel + i),
                    kTestChannels[i].name);
    }
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(g_Host.channelsMenu), "&Channels");
    return bar;
}

// Menu commands: the plug-in's go to On_Menu_Select, the rest are the host's.
void OnMenuCommand(HWND window, int id) {
    if (id == IDM_CHANNEL_EDITOR || id == IDM_ABOUT) {
        if (g_Host.plugin.onMenuSelect != nullptr) g_Host.plugin.onMenuSelect(id);
    } else if (id == kCommandExit) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else if (id >= kCommandFirstChannel && id < kCommandFirstChannel + kTestChannelCount) {
        TuneChannel(id - kCommandFirstChannel);
    }
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (AnswerPositionQuery(message, wParam, lParam)) return 0;
    switch (message) {
        case WM_CREATE:
            CreateControls(window);
            return 0;
        case WM_SIZE:
            LayOut(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_COMMAND:
            if (lParam == 0) {
                OnMenuCommand(window, LOWORD(wParam));
            } else if (reinterpret_cast<HWND>(lParam) == g_Host.channelList && HIWORD(wParam) == LBN_SELCHANGE) {
                TuneChannel(static_cast<int>(SendMessageA(g_Host.channelList, LB_GETCURSEL, 0, 0)));
            }
            return 0;
        case WM_CLOSE:
            // The plug-in is told once, before the viewer goes: On_Exit closes
            // its windows.
            if (g_Host.started && !g_Host.exited) {
                g_Host.exited = true;
                g_Host.plugin.onExit();
            }
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(g_Host.exitCode);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

bool CreateHostWindow(HINSTANCE instance, std::string* error) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassA(&windowClass) == 0) {
        *error = "Vistrox cannot open its window.";
        return false;
    }
    g_Host.mainWindow = CreateWindowExA(0, kWindowClass, "Vistrox", WS_OVERLAPPEDWINDOW, 20, 20, kWindowWidth, kWindowHeight, nullptr,
                                        CreateMenuBar(), instance, nullptr);
    if (g_Host.mainWindow == nullptr) {
        *error = "Vistrox cannot open its window.";
        return false;
    }
    UpdateTuningLabels();
    return true;
}

void SetHostCaption(const char* pluginName) {
    char caption[300];
    std::snprintf(caption, sizeof(caption), "Vistrox - %s", pluginName[0] != '\0' ? pluginName : "(unnamed plug-in)");
    SetWindowTextA(g_Host.mainWindow, caption);
}

void PlaceMainWindow() {
    RECT work;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) return;
    RECT editor = {work.left, work.top, work.left, work.top};
    if (g_Host.editorWindow != nullptr) GetWindowRect(g_Host.editorWindow, &editor);

    int x = editor.right + kGap;
    int y = work.top;
    if (work.right - x < kMinWidthBeside) {
        // Too narrow beside the editor: below it, at the left, where About
        // (in the middle of the screen) leaves the menu bar's items free.
        x = work.left;
        y = editor.bottom + kGap;
    }
    const int width = work.right - x < kWindowWidth ? work.right - x : kWindowWidth;
    const int height = work.bottom - y < kWindowHeight ? work.bottom - y : kWindowHeight;
    if (width <= 0 || height <= 0) return;  // no room at all: leave it where it is
    SetWindowPos(g_Host.mainWindow, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool AttachPluginMenu() {
    HMENU bar = GetMenu(g_Host.mainWindow);
    HMENU pluginMenu = LoadMenuA(g_Host.plugin.module, "EXTERN");
    const bool found = pluginMenu != nullptr;
    if (!found) {
        pluginMenu = CreatePopupMenu();
        AppendMenuA(pluginMenu, MF_STRING, IDM_CHANNEL_EDITOR, "Channel Editor");
        AppendMenuA(pluginMenu, MF_STRING, IDM_ABOUT, "About");
    }
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(pluginMenu), "&Plug-in");
    DrawMenuBar(g_Host.mainWindow);
    return found;
}

bool RouteDialogMessage(MSG* message) {
    HWND active = GetActiveWindow();
    if (active == nullptr || active == g_Host.mainWindow) return false;
    char className[16] = "";
    GetClassNameA(active, className, sizeof(className));
    if (std::strcmp(className, "#32770") != 0) return false;  // only dialogs
    return IsDialogMessageA(active, message) != FALSE;
}
