// zelq-list on Windows: the command line as Windows holds it (UTF-16), the
// console's width, text to a console as UTF-16 and bytes anywhere else, and
// the console's stop events.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "channel_list/list_rewrite.h"
#include "shared/console.h"

namespace {

BOOL WINAPI RemoveTempOnStop(DWORD) {
    if (const char* temp = ActiveTempPath()) {
        wchar_t wide[MAX_PATH];
        // The main thread may hold it open; it goes once that handle closes.
        if (MultiByteToWideChar(CP_UTF8, 0, temp, -1, wide, MAX_PATH) > 0) DeleteFileW(wide);
    }
    return FALSE;  // and then the system's own handling: the program ends
}

HANDLE StreamHandle(StandardStream stream) {
    return GetStdHandle(stream == kStandardOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

// Whether the stream is a console: only a console's handle has a console
// mode. A redirected stream (a file, a pipe) takes bytes.
bool IsConsole(StandardStream stream) {
    static int known[2] = {-1, -1};
    int& console = known[stream == kStandardOutput ? 0 : 1];
    if (console < 0) {
        DWORD mode = 0;
        console = GetConsoleMode(StreamHandle(stream), &mode) ? 1 : 0;
    }
    return console == 1;
}

// Records why a write failed; returns false for the caller to return.
bool Fail(DWORD code, OutputError* error) {
    switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        error->Kind = OutputError::kDiskFull;
        break;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
        error->Kind = OutputError::kPipeClosed;
        break;
    default:
        error->Kind = OutputError::kOther;
        break;
    }
    error->SystemCode = static_cast<long>(code);
    return false;
}

bool WriteBytes(HANDLE handle, const char* text, std::size_t size, OutputError* error) {
    while (size > 0) {
        const DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle, text, piece, &written, nullptr)) return Fail(GetLastError(), error);
        if (written == 0) return Fail(ERROR_DISK_FULL, error);
        text += written;
        size -= written;
    }
    return true;
}

// The most UTF-16 units one WriteConsoleW is given: consoles of older
// Windows refuse a single write much larger.
constexpr std::size_t kConsolePiece = 8192;

// The text as UTF-16 through WriteConsoleW, which shows every character
// whatever the console's code pages are (and leaves them as they are). The
// console gets whole lines, as far as they fit a piece, and never half of a
// surrogate pair.
bool WriteConsoleText(HANDLE handle, const char* text, std::size_t size, OutputError* error) {
    std::vector<wchar_t> wide;
    while (size > 0) {
        // Whole characters of at most 1 GiB at a time, within an int.
        std::size_t part = size > (1u << 30) ? (1u << 30) : size;
        while (part < size && part > 0 && (static_cast<unsigned char>(text[part]) & 0xC0) == 0x80) --part;
        const int units = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(part), nullptr, 0);
        if (units <= 0) return Fail(GetLastError(), error);
        wide.resize(static_cast<std::size_t>(units));
        MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(part), wide.data(), units);
        std::size_t at = 0;
        while (at < wide.size()) {
            std::size_t end = wide.size() - at > kConsolePiece ? at + kConsolePiece : wide.size();
            if (end < wide.size()) {
                std::size_t lineEnd = end;
                while (lineEnd > at && wide[lineEnd - 1] != L'\n') --lineEnd;
                if (lineEnd > at) {
                    end = lineEnd;
                } else if (IS_HIGH_SURROGATE(wide[end - 1])) {
                    --end;
                }
            }
            DWORD written = 0;
            if (!WriteConsoleW(handle, &wide[at], static_cast<DWORD>(end - at), &written, nullptr)) {
                return Fail(GetLastError(), error);
            }
            if (written == 0) return Fail(ERROR_WRITE_FAULT, error);
            at += written;
        }
        text += part;
        size -= part;
    }
    return true;
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

bool WriteStandardStream(StandardStream stream, const char* text, std::size_t size, OutputError* error) {
    const HANDLE handle = StreamHandle(stream);
    return IsConsole(stream) ? WriteConsoleText(handle, text, size, error) : WriteBytes(handle, text, size, error);
}

void SetUpStandardStreams() {}

void EndForClosedPipe() {}

void RemoveTempWhenStopped() { SetConsoleCtrlHandler(RemoveTempOnStop, TRUE); }
