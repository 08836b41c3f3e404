// Times what the plug-in's keyboard hook adds to every message the viewer's
// loop takes on the editor's thread, under the real window system (Wine on
// the build machines). While one of the plug-in's windows is the thread's
// active window, the thread has a WH_GETMESSAGE hook, which runs for each
// message the viewer's GetMessage or PeekMessage takes off the queue: for
// most messages it only looks at the message's number; for a key it also
// asks which window the key is for. With the editor hidden there is no hook.
//
// Each round posts a batch of messages to a window of the viewer's and takes
// them through a plain GetMessage/TranslateMessage/DispatchMessage loop:
// before On_Start (no hook), with an empty hook of this program's own in the
// same place (what the system's calling of any hook costs), with a hidden
// dialog of this program's own made from the editor's template (what the
// windows themselves cost: under Wine every window of the thread makes its
// messages dearer), after On_Start with the editor hidden, and with the
// editor shown and active (its hook in place); the plug-in is stopped with
// On_Exit between rounds. The hidden editor less the program's own dialog is
// what plug-in code adds while the editor is hidden; the active editor's hook
// less the empty one is its procedure's own work. Each
// difference is taken within a round and the median of the rounds is shown,
// so that the shared machine's load, which moves the times of whole rounds,
// moves the differences less. (Each round takes Wine about two seconds to
// withdraw the shown editor: hence the few rounds.)
//
// Usage: HookCost.exe [messages per batch] [rounds]
// Needs ZelqEditor.dll beside it.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "bench/platform_info.h"
#include "bench_host.h"
#include "shared/host_api.h"

namespace {

// The kinds of message timed: one no hook looks into, and a key released over
// a window of the viewer's (a key up, so that TranslateMessage adds nothing).
struct MessageKind {
    const char* Name;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};

const MessageKind kKinds[] = {
    {"a message for the viewer's window", WM_APP + 7, 0, 0},
    {"a key for the viewer's window", WM_KEYUP, VK_F24, static_cast<LPARAM>(0xC0000001u)},
};

constexpr UINT kEndOfBatch = WM_APP + 8;

// A hook that does nothing but pass the message on.
LRESULT CALLBACK EmptyHook(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The procedure of the program's own copy of the editor's dialog: the
// dialog manager's defaults only.
INT_PTR CALLBACK NothingProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Microseconds per message for one batch taken through a plain loop.
double TimeBatch(HWND host, const MessageKind& kind, int messages) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    for (int i = 0; i < messages; ++i) PostMessageA(host, kind.Message, kind.WParam, kind.LParam);
    PostMessageA(host, kEndOfBatch, 0, 0);
    const double start = NowMicroseconds();
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == kEndOfBatch) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (NowMicroseconds() - start) / messages;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    // Below Windows' limit of 10,000 messages posted to one thread's queue.
    const int messages = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 15;
    if (messages <= 0 || messages > 9000 || rounds <= 0) {
        std::fprintf(stderr, "usage: HookCost.exe [messages per batch, up to 9000] [rounds]\n");
        return 2;
    }
    HWND host = MakeHostWindow();
    const std::string loadBefore = MachineLoad();

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string directory = std::string(temp) + "zelq-hook-cost-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(directory.c_str(), nullptr);
    const std::string dll = directory + "\\ZelqEditor.dll";
    HMODULE module = nullptr;
    if (CopyFileA((ProgramDirectory() + "\\ZelqEditor.dll").c_str(), dll.c_str(), FALSE)) {
        module = LoadLibraryA(dll.c_str());
    }
    OnStartFn start = module ? Export<OnStartFn>(module, "On_Start") : nullptr;
    OnExitFn exit = module ? Export<OnExitFn>(module, "On_Exit") : nullptr;
    OnMenuSelectFn menu = module ? Export<OnMenuSelectFn>(module, "On_Menu_Select") : nullptr;
    if (!start || !exit || !menu) {
        std::fprintf(stderr, "HookCost: cannot load the plug-in\n");
        return 1;
    }

    constexpr int kKindCount = sizeof kKinds / sizeof kKinds[0];
    std::vector<double> without[kKindCount], empty[kKindCount], dialog[kKindCount], hidden[kKindCount],
        active[kKindCount];
    // The list view class of the editor's template, for the program's own
    // copy of it.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    for (int round = 0; round < rounds; ++round) {
        // The previous round's On_Exit leaves the window system work to do:
        // a batch that is not counted takes it.
        TimeBatch(host, kKinds[0], messages);
        for (int k = 0; k < kKindCount; ++k) without[k].push_back(TimeBatch(host, kKinds[k], messages));
        HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, EmptyHook, nullptr, GetCurrentThreadId());
        if (!hook) {
            std::fprintf(stderr, "HookCost: cannot set a hook\n");
            return 1;
        }
        for (int k = 0; k < kKindCount; ++k) empty[k].push_back(TimeBatch(host, kKinds[k], messages));
        UnhookWindowsHookEx(hook);
        HWND own = CreateDialogParamA(module, MAKEINTRESOURCEA(101), nullptr, NothingProc, 0);
        if (!own) {
            std::fprintf(stderr, "HookCost: cannot make a dialog from the editor's template\n");
            return 1;
        }
        for (int k = 0; k < kKindCount; ++k) dialog[k].push_back(TimeBatch(host, kKinds[k], messages));
        DestroyWindow(own);
        unsigned char startByte = 0;
        int startValue = 0;
        HWND editor = reinterpret_cast<HWND>(static_cast<INT_PTR>(start(0, host, 0, 0, &startByte, 0, &startValue)));
        if (!editor) {
            std::fprintf(stderr, "HookCost: the plug-in made no editor window\n");
            return 1;
        }
        for (int k = 0; k < kKindCount; ++k) hidden[k].push_back(TimeBatch(host, kKinds[k], messages));
        menu(40701);  // Channel Editor: shown on top, and active
        if (GetActiveWindow() != editor) {
            std::fprintf(stderr, "HookCost: the editor did not become the active window\n");
            return 1;
        }
        for (int k = 0; k < kKindCount; ++k) active[k].push_back(TimeBatch(host, kKinds[k], messages));
        exit();
    }
    FreeLibrary(module);
    for (const char* name : {"\\ChannelList.lck", "\\ZelqEditor.dll"}) DeleteFileA((directory + name).c_str());
    RemoveDirectoryA(directory.c_str());

    std::printf("Keyboard hook on %s, load average %s at the start, %s at the end:\n", RunningSystem().c_str(),
                loadBefore.c_str(), MachineLoad().c_str());
    std::printf("microseconds per message a plain loop takes on the editor's thread, medians of %d rounds\n",
                rounds);
    std::printf("of %d messages (the differences taken within each round):\n", messages);
    std::printf("  %-34s %8s %11s %11s %8s %8s %13s %13s %13s\n", "", "no hook", "empty hook", "its dialog",
                "hidden", "active", "added hidden", "added active", "its own work");
    for (int k = 0; k < kKindCount; ++k) {
        std::vector<double> addedHidden, addedActive, ownWork;
        for (int round = 0; round < rounds; ++round) {
            addedHidden.push_back(hidden[k][round] - dialog[k][round]);
            addedActive.push_back(active[k][round] - without[k][round]);
            ownWork.push_back(active[k][round] - empty[k][round]);
        }
        std::printf("  %-34s %8.2f %11.2f %11.2f %8.2f %8.2f %13.2f %13.2f %13.2f\n", kKinds[k].Name,
                    Median(without[k]), Median(empty[k]), Median(dialog[k]), Median(hidden[k]), Median(active[k]),
                    Median(addedHidden), Median(addedActive), Median(ownWork));
    }
    return 0;
}
