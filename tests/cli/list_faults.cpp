// zelq-list with faults injected through the core's file operations, so the
// CLI tests can make the list change during an edit, the replace fail or the
// lock be taken, at exactly the moment they mean:
//
//   zelq-list-faults list-changes ARGS...   the list gains a line while the new one is written
//   zelq-list-faults replace-fails ARGS...  the new list cannot be put in the list's place
//   zelq-list-faults hold-lock LIST SECONDS takes LIST's lock, prints "locked", holds it
//   zelq-list-faults hold-read-lock LIST SECONDS   (Windows) the same through a handle that may
//                                           only read the lock file, as an account that did not
//                                           make it gets
//
// ARGS are zelq-list's own; the list is ChannelList.ini in the current folder
// or the one --list names.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "channel_list/list_lock.h"
#include "zelq_list.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

std::string g_ListPath = "ChannelList.ini";
ListFileOps g_Real;
bool g_Changed = false;

// The temporary file reaches the disk just before the list is compared with
// what was read: the moment another program's write would hurt most.
FileError SyncAndChangeList(ListFile* file) {
    if (!g_Changed) {
        g_Changed = true;
        ListFile* list = nullptr;
        static const char kLine[] = "[ 1 1E702D4A7E41 ] [Added meanwhile]\r\n";
        if (g_Real.Open(g_ListPath.c_str(), kOpenAppend, &list).Kind == kFileErrorNone) {
            g_Real.Write(list, kLine, sizeof kLine - 1);
            g_Real.Close(list);
        }
    }
    return g_Real.Sync(file);
}

// As Windows answers while another program holds the list open without
// sharing it for deletion, for longer than the replace waits.
FileError FailReplace(const char*, const char*, const char*) { return FileError{kFileErrorInUse, 32, false}; }

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc < 2) {
        std::cerr << "usage: zelq-list-faults list-changes|replace-fails|hold-lock ...\n";
        return 3;
    }
    const std::string mode = argv[1];
    g_Real = g_ListFileOps;

    if (mode == "hold-lock" && argc == 4) {
        ListFiles files;
        const bool locked = ResolveListPaths(&files, argv[2]) && LockList(&files);
        if (locked) {
            std::cout << "locked" << std::endl;
            std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<long>(std::atof(argv[3]) * 1000)));
            UnlockList(&files);
        } else {
            std::cerr << "cannot take the lock\n";
        }
        FreeListPaths(&files.Paths);
        return locked ? 0 : 3;
    }

#if defined(_WIN32)
    if (mode == "hold-read-lock" && argc == 4) {
        ListFiles files;
        if (!ResolveListPaths(&files, argv[2])) return 3;
        HANDLE file = CreateFileA(files.Paths.Lock, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
        OVERLAPPED at;
        ZeroMemory(&at, sizeof at);
        if (file == INVALID_HANDLE_VALUE ||
            !LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            std::cerr << "cannot take the lock\n";
            return 3;
        }
        std::cout << "locked" << std::endl;
        Sleep(static_cast<DWORD>(std::atof(argv[3]) * 1000));
        CloseHandle(file);
        FreeListPaths(&files.Paths);
        return 0;
    }
#endif

    if (mode == "list-changes") {
        g_ListFileOps.Sync = SyncAndChangeList;
    } else if (mode == "replace-fails") {
        g_ListFileOps.Replace = FailReplace;
    } else {
        std::cerr << "unknown mode " << mode << '\n';
        return 3;
    }
    std::vector<const char*> arguments = {"zelq-list"};
    for (int i = 2; i < argc; ++i) {
        arguments.push_back(argv[i]);
        if (std::strcmp(argv[i], "--list") == 0 && i + 1 < argc) g_ListPath = argv[i + 1];
    }
    const int status = RunZelqList(static_cast<int>(arguments.size()), arguments.data(), std::cout, std::cerr, 0);
    std::cout.flush();
    return status;
}
