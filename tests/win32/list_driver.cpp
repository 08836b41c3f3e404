// ListDriver.exe: a small viewer that drives ZelqEditor.dll from the command
// line, so that tests can run several viewers against one list at once and
// watch what each was told.
//
//   ListDriver.exe FOLDER start
//       starts the plug-in from FOLDER (which holds ZelqEditor.dll) and prints
//       "rows N" with the count the editor window shows.
//   ListDriver.exe FOLDER add IDENT POSITION NAME
//       starts it, tunes the channel and presses the add button; prints
//       "added", "refused" or "nothing" after the status the window shows.
//   ListDriver.exe FOLDER stress PREFIX FIRST COUNT
//       COUNT rounds of a start and an add of channel FIRST + round, named
//       PREFIX and the round; prints "added NAME" for every add the window
//       reported.
//   ListDriver.exe FOLDER churn COUNT
//       COUNT rounds of appending a lower-case copy of a line (one write,
//       under the list's lock, as a writer that knows the lock would) and a
//       start, whose load then rewrites the list. The append takes the lock
//       because Wine's append is not atomic between processes: an unlocked
//       append racing the plug-in's locked one at the end of the file can
//       overwrite it, which Windows' atomic append never does. The unlocked
//       writer is covered by the unit tests' fault tables instead.
//
// FOLDER is UTF-8. The program answers the position query with the position
// of the channel it tuned, as a viewer does.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "resources/resource.h"
#include "shared/arabic_texts.h"
#include "shared/host_api.h"
#include "host_stub.h"

namespace {

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    return wide;
}

// Tunes the channel and presses add; returns what the status line says.
const char* Add(const StubPlugin& plugin, HWND editor, unsigned ident, unsigned position, const std::string& name) {
    ChannelRecord record;
    std::memset(&record, 0, sizeof record);
    std::strncpy(record.ChannelName, name.c_str(), sizeof record.ChannelName - 1);
    record.TuneValue = 11'747'000;
    record.ChannelIdent = static_cast<std::uint16_t>(ident);
    record.ValidWord = 1;
    record.RecPosition = position;
    g_StubPosition = position;
    plugin.ChannelChange(record);
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    const std::string status = StubControlText(editor, IDC_STATUS);
    if (status == kTextAdded) return "added";
    if (status == kTextAlreadyInList) return "refused";
    return "nothing";
}

// Holds the list's lock as every writer of the list takes it: byte 0 of the
// lock file beside it, exclusively. Waits up to a minute; returns the handle
// that holds it, or INVALID_HANDLE_VALUE.
HANDLE LockList(const std::wstring& folder) {
    const std::wstring path = folder + L"\\ChannelList.lck";
    const DWORD start = GetTickCount();
    do {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            OVERLAPPED at;
            ZeroMemory(&at, sizeof at);
            if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return file;
            CloseHandle(file);
        }
        Sleep(5);
    } while (GetTickCount() - start < 60000);
    return INVALID_HANDLE_VALUE;
}

void UnlockList(HANDLE lock) {
    OVERLAPPED at;
    ZeroMemory(&at, sizeof at);
    UnlockFileEx(lock, 0, 1, 0, &at);
    CloseHandle(lock);
}

int Usage() {
    std::fprintf(stderr, "usage: ListDriver FOLDER start | add IDENT POSITION NAME | stress PREFIX FIRST COUNT\n");
    return 2;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** wideArgs = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 3) return Usage();
    std::string args[8];
    for (int i = 0; i < argc && i < 8; ++i) {
        char text[1024];
        WideCharToMultiByte(CP_UTF8, 0, wideArgs[i], -1, text, sizeof text, nullptr, nullptr);
        args[i] = text;
    }
    StubPlugin plugin;
    if (!LoadStubPlugin(Wide(args[1]), &plugin)) return 1;
    HWND host = MakeStubHostWindow();
    const std::string& command = args[2];
    if (command == "start" && argc == 3) {
        HWND editor = StartStubPlugin(plugin, host);
        std::printf("rows %s\n", StubControlText(editor, IDC_COUNT).c_str());
    } else if (command == "add" && argc == 6) {
        HWND editor = StartStubPlugin(plugin, host);
        std::printf("%s\n", Add(plugin, editor, static_cast<unsigned>(std::strtoul(args[3].c_str(), nullptr, 0)),
                                static_cast<unsigned>(std::strtoul(args[4].c_str(), nullptr, 0)), args[5]));
    } else if (command == "stress" && argc == 6) {
        const unsigned first = static_cast<unsigned>(std::strtoul(args[4].c_str(), nullptr, 0));
        const unsigned count = static_cast<unsigned>(std::strtoul(args[5].c_str(), nullptr, 0));
        for (unsigned round = 0; round < count; ++round) {
            HWND editor = StartStubPlugin(plugin, host);
            const std::string name = args[3] + "-" + std::to_string(round);
            if (std::strcmp(Add(plugin, editor, first + round, 130, name), "added") == 0) {
                std::printf("added %s\n", name.c_str());
                std::fflush(stdout);
            }
            DestroyWindow(editor);
        }
    } else if (command == "churn" && argc == 4) {
        const unsigned count = static_cast<unsigned>(std::strtoul(args[3].c_str(), nullptr, 0));
        const std::wstring list = Wide(args[1]) + L"\\ChannelList.ini";
        static const char kCopy[] = "[ 1 a271914ba85c ] [copy]\r\n";
        for (unsigned round = 0; round < count; ++round) {
            HANDLE lock = LockList(Wide(args[1]));
            if (lock == INVALID_HANDLE_VALUE) {
                std::fprintf(stderr, "churn: the list's lock stayed busy for a minute\n");
                return 1;
            }
            HANDLE file = CreateFileW(list.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            DWORD written = 0;
            const bool appended = file != INVALID_HANDLE_VALUE &&
                                  WriteFile(file, kCopy, sizeof kCopy - 1, &written, nullptr) &&
                                  written == sizeof kCopy - 1;
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
            UnlockList(lock);
            if (!appended) {
                std::fprintf(stderr, "churn: cannot append to the list\n");
                return 1;
            }
            DestroyWindow(StartStubPlugin(plugin, host));
        }
    } else {
        return Usage();
    }
    std::fflush(stdout);
    return 0;
}
