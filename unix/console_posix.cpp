// zelq-list on POSIX systems: the arguments as they come (UTF-8), the
// terminal's width, and the signals that stop a program.
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>

#include "channel_list/list_rewrite.h"
#include "tools/zelq-list/console.h"

namespace {

void RemoveTempAndStop(int signal) {
    if (const char* temp = ActiveTempPath()) unlink(temp);
    // The signal's own effect, now with the default handling.
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
    raise(signal);
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::size_t TerminalColumns() {
    struct winsize size;
    if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 0;
}

void SetUpStandardStreams() {}

void RemoveTempWhenStopped() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = RemoveTempAndStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
}
