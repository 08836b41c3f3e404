#include "host/report.h"

#include <windows.h>

#include "host/host_state.h"

namespace {

// A GUI program started from a console has no standard handles on Windows
// unless they were redirected; then it writes to the parent's console.
HANDLE OutputHandle(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) return handle;
    static HANDLE console = INVALID_HANDLE_VALUE;
    if (console == INVALID_HANDLE_VALUE && AttachConsole(ATTACH_PARENT_PROCESS)) {
        console = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    }
    return console;
}

void WriteLine(DWORD which, const std::string& text) {
    HANDLE handle = OutputHandle(which);
    if (handle == INVALID_HANDLE_VALUE) return;
    std::string line = "Vistrox: " + text + "\n";
    DWORD written = 0;
    WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

void ReportError(const std::string& text) {
    if (g_Host.demo) {
        WriteLine(STD_ERROR_HANDLE, text);
    } else {
        MessageBoxA(g_Host.mainWindow, text.c_str(), "Vistrox", MB_OK | MB_ICONERROR);
    }
}

void LogLine(const std::string& text) {
    if (g_Host.demo) WriteLine(STD_OUTPUT_HANDLE, text);
}

std::string Cp1256ToUtf8(const char* text) {
    const int wideLength = MultiByteToWideChar(1256, 0, text, -1, nullptr, 0);
    if (wideLength <= 0) return text;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(1256, 0, text, -1, &wide[0], wideLength);
    wide.resize(static_cast<size_t>(wideLength - 1));  // drop the NUL
    return WideToUtf8(wide);
}

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &utf8[0], length, nullptr, nullptr);
    return utf8;
}
