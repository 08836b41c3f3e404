// zelq-list's entry point: the arguments as UTF-8, the terminal's width, and
// on Windows a console that takes UTF-8.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "channel_list/list_file.h"
#include "zelq_list.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>
#else
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

// Columns the table may take: $COLUMNS when set, else the terminal's width
// when the output is one, else no limit.
std::size_t TerminalWidth() {
    if (const char* columns = std::getenv("COLUMNS")) {
        const long value = std::strtol(columns, nullptr, 10);
        if (value > 0) return static_cast<std::size_t>(value);
    }
#if defined(_WIN32)
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
    }
#else
    struct winsize size;
    if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
#endif
    return 0;
}

#if defined(_WIN32)
// The command line as Windows holds it (UTF-16), in UTF-8.
std::vector<std::string> Utf8Arguments() {
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
#endif

// A program stopped in the middle of an edit (Ctrl-C, a closed console or
// terminal, a request to end) removes its temporary file first: a large
// list's copy would otherwise stay beside it until the next edit.
#if defined(_WIN32)
BOOL WINAPI RemoveTempOnStop(DWORD) {
    if (const char* temp = ActiveTempPath()) {
        wchar_t wide[MAX_PATH];
        // The main thread may hold it open; it goes once that handle closes.
        if (MultiByteToWideChar(CP_UTF8, 0, temp, -1, wide, MAX_PATH) > 0) DeleteFileW(wide);
    }
    return FALSE;  // and then the system's own handling: the program ends
}

void RemoveTempWhenStopped() { SetConsoleCtrlHandler(RemoveTempOnStop, TRUE); }
#else
void RemoveTempAndStop(int signal) {
    if (const char* temp = ActiveTempPath()) unlink(temp);
    // The signal's own effect, now with the default handling.
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
    raise(signal);
}

void RemoveTempWhenStopped() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = RemoveTempAndStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
#if defined(_WIN32)
    (void)argc;
    (void)argv;
    arguments = Utf8Arguments();
    SetConsoleOutputCP(CP_UTF8);
    // The program writes its own line breaks (CR LF where a format asks for
    // them), the same bytes on every system.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#else
    arguments.assign(argv, argv + argc);
#endif
    RemoveTempWhenStopped();
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    if (pointers.empty()) pointers.push_back("zelq-list");
    const int status = RunZelqList(static_cast<int>(pointers.size()), pointers.data(), std::cout, std::cerr,
                                   TerminalWidth());
    std::cout.flush();
    return status;
}
