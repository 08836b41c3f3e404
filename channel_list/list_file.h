// Reading the list file whole and replacing it safely.
//
// The list is the only thing the plug-in keeps, so it is never emptied in
// place: a rewrite goes to a temporary file beside the list, which then
// replaces the list in one step. If anything fails on the way the old list
// stays whole and the temporary file is removed.
#ifndef ZELQ_CHANNEL_LIST_LIST_FILE_H
#define ZELQ_CHANNEL_LIST_LIST_FILE_H

#include <cstddef>
#include <cstdio>

#include "list_line.h"

// The file operations behind reading, appending and rewriting. They default
// to the C library and the platform's atomic replace; tests swap single
// entries to inject failures.
struct ListFileOps {
    std::FILE* (*Open)(const char* path, const char* mode);
    std::size_t (*Read)(void* buffer, std::size_t size, std::FILE* file);
    std::size_t (*Write)(const void* data, std::size_t size, std::FILE* file);
    int (*Close)(std::FILE* file);                      // 0 on success, as fclose
    int (*Replace)(const char* from, const char* to);   // 1 on success
    int (*Remove)(const char* path);                    // 0 on success, as remove
};

extern ListFileOps g_ListFileOps;

// The defaults, for tests that restore them.
ListFileOps DefaultListFileOps();

// Replaces the file `to` with the file `from` in one step, so that `to` is at
// every moment either wholly old or wholly new. Returns 1 on success. One
// implementation per platform.
int ReplaceFileAtomically(const char* from, const char* to);

// Suffix of the temporary file written beside the list during a rewrite.
constexpr const char kTempSuffix[] = ".tmp";

// A whole file's bytes, NUL-terminated for convenience.
struct FileBytes {
    char* Data;
    std::size_t Size;
};

// The largest list file read: far beyond any real channel list (some twenty
// million lines), and small enough to fit a 32-bit process. A larger file is
// treated as one that cannot be read, and is left as it is.
constexpr std::size_t kMaxListFileSize = std::size_t{1} << 30;

// Reads the file's bytes in binary mode. Returns false, with nothing
// allocated, when the file cannot be opened or read (including when the path
// names a directory) or memory runs out.
bool ReadWholeFile(const char* path, FileBytes* bytes);

// Reads an already open file from its current position to its end.
bool ReadOpenFile(std::FILE* file, FileBytes* bytes);

void FreeFileBytes(FileBytes* bytes);

// Rewrites the list at `path` as the given entries, each formatted as the
// rewrite formats lines, followed by `tail` verbatim. `original` is the file
// as it was read; when the new content equals it nothing is written. The list
// is left exactly as it was, and no temporary file remains, when: it can no
// longer be opened for writing, its size differs from `original` (it changed
// since it was read), the temporary file cannot be made or written, or the
// replace fails. Returns 1 when the list holds the new content, 0 otherwise.
int RewriteListFile(const char* path, const ListEntry* entries, std::size_t count,
                    const char* tail, std::size_t tailSize, const FileBytes& original);

#endif  // ZELQ_CHANNEL_LIST_LIST_FILE_H
