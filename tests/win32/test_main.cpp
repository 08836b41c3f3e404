// Entry point of the end-to-end tests. Besides running the tests, the program
// doubles as the URL handler that the About window's link tests install: run
// as `--record-url <file> <url>` it writes the URL into the file and exits.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int RecordUrl(const char* file, const char* url) {
    FILE* out = std::fopen(file, "wb");
    if (!out) return 1;
    std::fputs(url, out);
    std::fclose(out);
    return 0;
}

// Whether a directory was made more than an hour ago: a test program running
// at the same time as this one may still be using a newer one.
bool IsStale(const WIN32_FIND_DATAA& found) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER made, current;
    made.LowPart = found.ftCreationTime.dwLowDateTime;
    made.HighPart = found.ftCreationTime.dwHighDateTime;
    current.LowPart = now.dwLowDateTime;
    current.HighPart = now.dwHighDateTime;
    const ULONGLONG kHour = 3600ull * 10000000ull;  // in 100-nanosecond units
    return current.QuadPart > made.QuadPart + kHour;
}

// Removes the directories earlier runs left: their DLL copies could not be
// deleted while those runs were loaded.
void RemoveStaleTestDirectories() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(temp) + "zelq-test-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!IsStale(found)) continue;
        const std::string directory = std::string(temp) + found.cFileName;
        WIN32_FIND_DATAA inner;
        HANDLE files = FindFirstFileA((directory + "\\*").c_str(), &inner);
        if (files != INVALID_HANDLE_VALUE) {
            do {
                const std::string path = directory + "\\" + inner.cFileName;
                if (!(inner.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(path.c_str());
                } else if (std::strcmp(inner.cFileName, ".") != 0 && std::strcmp(inner.cFileName, "..") != 0) {
                    RemoveDirectoryA(path.c_str());
                }
            } while (FindNextFileA(files, &inner));
            FindClose(files);
        }
        RemoveDirectoryA(directory.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--record-url") == 0) return RecordUrl(argv[2], argv[3]);
    RemoveStaleTestDirectories();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
