// zelq-list on POSIX systems: the arguments as they come (UTF-8), the
// terminal's width, the standard streams' bytes as they are, and the signals
// that stop a program.
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "channel_list/list_rewrite.h"
#include "shared/console.h"

namespace {

void RemoveTempAndStop(int signal) {
    if (const char* temp = ActiveTempPath()) unlink(temp);
    // The signal's own effect, now with the default handling.
    struct sigaction action = {};
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

bool WriteStandardStream(StandardStream stream, const char* text, std::size_t size, OutputError* error) {
    const int descriptor = stream == kStandardOutput ? STDOUT_FILENO : STDERR_FILENO;
    while (size > 0) {
        const ssize_t written = write(descriptor, text, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            const int code = written < 0 ? errno : ENOSPC;
            // A pipe whose reader left ends the program with SIGPIPE before
            // this, unless the signal is ignored.
            error->Kind = code == ENOSPC || code == EDQUOT || code == EFBIG ? OutputError::kDiskFull
                          : code == EPIPE                                    ? OutputError::kPipeClosed
                                                                             : OutputError::kOther;
            error->SystemCode = code;
            return false;
        }
        text += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

void SetUpStandardStreams() { signal(SIGPIPE, SIG_IGN); }

void EndForClosedPipe() {
    signal(SIGPIPE, SIG_DFL);
    raise(SIGPIPE);
}

void RemoveTempWhenStopped() {
    struct sigaction action = {};
    action.sa_handler = RemoveTempAndStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
}
