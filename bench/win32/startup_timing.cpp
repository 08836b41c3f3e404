// Times the plug-in's start with a 10,000-line list against its start with an
// empty one, under the real window system (Wine on the build machines): the
// difference is what loading the list into the list view costs.
//
// Usage: StartupTiming.exe [lines] [repetitions]
// Needs ZelqEditor.dll beside it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "bench_host.h"
#include "shared/host_api.h"
#include "resources/resource.h"

namespace {

// A list of distinct channels in canonical form, names of 8 to 20 letters.
std::string MakeList(int lines) {
    std::string text;
    unsigned seed = 12345;
    for (int i = 0; i < lines; ++i) {
        seed = seed * 1103515245u + 12345u;
        char name[24];
        const int length = 8 + static_cast<int>((seed >> 16) % 13);
        for (int c = 0; c < length; ++c) name[c] = static_cast<char>('a' + (seed >> (c % 16)) % 26);
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
        name[length] = '\0';
        char line[80];
        std::snprintf(line, sizeof line, "[ 1 %08X%04X ] [%s]\r\n", static_cast<unsigned>(i) * 2654435761u,
                      seed & 0xFFFF, name);
        text += line;
    }
    return text;
}

struct Timing {
    double Start;  // On_Start: creating the window and loading the list
    double Show;   // showing the window and painting it
};

// Loads a fresh copy of the plug-in beside a list of the given content and
// times its start and its first paint.
bool TimeOnce(const std::string& list, int run, HWND host, Timing* timing) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string directory = std::string(temp) + "zelq-timing-" + std::to_string(GetCurrentProcessId()) +
                                  "-" + std::to_string(run);
    CreateDirectoryA(directory.c_str(), nullptr);
    const std::string dll = directory + "\\ZelqEditor.dll";
    if (!CopyFileA((ProgramDirectory() + "\\ZelqEditor.dll").c_str(), dll.c_str(), FALSE)) return false;
    HANDLE file = CreateFileA((directory + "\\ChannelList.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, list.data(), static_cast<DWORD>(list.size()), &written, nullptr);
    CloseHandle(file);

    HMODULE module = LoadLibraryA(dll.c_str());
    if (!module) return false;
    OnStartFn start = Export<OnStartFn>(module, "On_Start");
    OnMenuSelectFn menuSelect = Export<OnMenuSelectFn>(module, "On_Menu_Select");
    unsigned char startByte = 0;
    int startValue = 0;

    const double before = NowMicroseconds() / 1000.0;
    HWND editor = reinterpret_cast<HWND>(static_cast<INT_PTR>(start(0, host, 0, 0, &startByte, 0, &startValue)));
    const double started = NowMicroseconds() / 1000.0;
    menuSelect(IDM_CHANNEL_EDITOR);
    UpdateWindow(editor);
    RedrawWindow(editor, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const double shown = NowMicroseconds() / 1000.0;
    ShowWindow(editor, SW_HIDE);
    timing->Start = started - before;
    timing->Show = shown - started;

    // The plug-in tears its windows down, then its copy and its folder go.
    if (OnExitFn exit = Export<OnExitFn>(module, "On_Exit")) exit();
    FreeLibrary(module);
    for (const char* name : {"\\ChannelList.ini", "\\ChannelList.lck", "\\ZelqEditor.dll"}) {
        DeleteFileA((directory + name).c_str());
    }
    RemoveDirectoryA(directory.c_str());
    return editor != nullptr;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 5;
    HWND host = MakeHostWindow();
    const std::string full = MakeList(lines);

    std::vector<double> emptyStart, emptyShow, fullStart, fullShow;
    int run = 0;
    for (int i = 0; i < repetitions; ++i) {
        Timing timing;
        if (!TimeOnce("", ++run, host, &timing)) {
            std::fprintf(stderr, "StartupTiming: cannot start the plug-in\n");
            return 1;
        }
        emptyStart.push_back(timing.Start);
        emptyShow.push_back(timing.Show);
        if (!TimeOnce(full, ++run, host, &timing)) {
            std::fprintf(stderr, "StartupTiming: cannot start the plug-in\n");
            return 1;
        }
        fullStart.push_back(timing.Start);
        fullShow.push_back(timing.Show);
    }

    std::printf("Plug-in start under the window system, median of %d runs:\n", repetitions);
    std::printf("  %-28s %10s %10s\n", "", "On_Start", "first show");
    std::printf("  %-28s %8.1f ms %8.1f ms\n", "empty list", Median(emptyStart), Median(emptyShow));
    std::printf("  %-28s %8.1f ms %8.1f ms\n", (std::to_string(lines) + "-line list").c_str(), Median(fullStart),
                Median(fullShow));
    std::printf("  %-28s %8.1f ms\n", "cost of the list", Median(fullStart) - Median(emptyStart));
    return 0;
}
