// zelq-list on Windows: the command line as Windows holds it (UTF-16), the
// console's width, binary standard streams, and the console's stop events.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "channel_list/list_rewrite.h"
#include "tools/zelq-list/console.h"

namespace {

BOOL WINAPI RemoveTempOnStop(DWORD) {
    if (const char* temp = ActiveTempPath()) {
        wchar_t wide[MAX_PATH];
        // The main thread may hold it open; it goes once that handle closes.
        if (MultiByteToWideChar(CP_UTF8, 0, temp, -1, wide, MAX_PATH) > 0) DeleteFileW(wide);
    }
    return FALSE;  // and then the system's own handling: the program ends
}

}  // namespace

std::vector<std::string> ProgramArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return arguments;
    for (int i = 0; i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
        if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &text[0], size, nullptr, nullptr);
        text.resize(text.size() - 1);  // the terminating NUL
        arguments.push_back(text);
    }
    LocalFree(wide);
    return arguments;
}

std::size_t TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
    }
    return 0;
}

void SetUpStandardStreams() {
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void RemoveTempWhenStopped() { SetConsoleCtrlHandler(RemoveTempOnStop, TRUE); }
