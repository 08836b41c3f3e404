// Reading the list file whole, the lock that writers of one list share, and
// the one safe way the list is ever rewritten.
//
// The list is the only thing the plug-in keeps, so it is never emptied in
// place. A rewrite goes to a temporary file beside the list, which reaches the
// disk before it replaces the list in one step, and only while the list is
// still byte for byte what was read. Writers of one list (every instance of
// the plug-in, and the command-line program) hold the list's lock from their
// read to their write. If anything fails on the way, the list stays exactly as
// it was and no temporary file remains.
//
// Paths are UTF-8 throughout; the Windows file operations turn them into
// UTF-16 for the wide functions, so any folder name Windows allows works.
#ifndef ZELQ_CHANNEL_LIST_LIST_FILE_H
#define ZELQ_CHANNEL_LIST_LIST_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// How a file is opened.
enum FileOpenMode {
    kOpenRead,       // an existing file, for reading
    kOpenAppend,     // for writing at its end, created when missing; writes are not buffered
    kOpenCreateNew,  // a new file for writing; fails when the name is taken
};

// Every file operation the list code makes. Each returns 1 on success and 0
// on failure. They default to the platform's implementation (one per
// platform); tests swap single entries to inject failures.
struct ListFileOps {
    int (*Open)(const char* path, FileOpenMode mode, std::FILE** file);
    int (*Exists)(const char* path);  // 1 when something (a file or a folder) has this name
    int (*Size)(std::FILE* file, std::uint64_t* size);
    // Reads up to `size` bytes; *got is 0 at the end of the file.
    int (*Read)(std::FILE* file, void* buffer, std::size_t size, std::size_t* got);
    int (*Write)(std::FILE* file, const void* data, std::size_t size);  // all of it, or failure
    int (*Flush)(std::FILE* file);     // the stream's buffer to the system; checks the error state
    int (*Sync)(std::FILE* file);      // the file's data to the disk
    int (*Truncate)(std::FILE* file, std::uint64_t size);
    int (*Close)(std::FILE* file);
    // Puts `from` in the place of `to` in one step; the change reaches the disk.
    int (*Replace)(const char* from, const char* to);
    int (*Remove)(const char* path);
    // Takes the exclusive lock on the lock file at `path` (created when
    // missing), waiting at most `waitMs` milliseconds for another holder.
    int (*Lock)(const char* path, unsigned waitMs, void** lock);
    int (*Unlock)(void* lock);
};

extern ListFileOps g_ListFileOps;

// The platform's operations, for tests that restore them.
ListFileOps DefaultListFileOps();

// A whole file's bytes, NUL-terminated for convenience.
struct FileBytes {
    char* Data;
    std::size_t Size;
};

// The largest list file read: far beyond any real channel list (some twenty
// million lines), and small enough to fit a 32-bit process. A larger file is
// treated as one that cannot be read, and is left as it is.
constexpr std::size_t kMaxListFileSize = std::size_t{1} << 30;

// Reads the file's bytes. Returns false, with nothing allocated, when the file
// cannot be opened or read (including when the path names a folder) or memory
// runs out.
bool ReadListFile(const char* path, FileBytes* bytes);

void FreeFileBytes(FileBytes* bytes);

// How long a writer waits for another writer of the same list.
constexpr unsigned kListLockWaitMs = 2000;

// The lock file beside the list: the list's name with its extension replaced
// by ".lck" ("ChannelList.ini" -> "ChannelList.lck"), so its path is no longer
// than the list's own. Returns false when it does not fit `size` bytes.
bool ListLockPath(const char* listPath, char* out, std::size_t size);

struct ListLock {
    void* Handle;
};

// Takes the list's lock, waiting at most kListLockWaitMs. Returns false when
// another writer holds it that long or the lock file cannot be made.
bool LockList(const char* listPath, ListLock* lock);
void UnlockList(ListLock* lock);

// The outcome of a rewrite.
enum RewriteResult {
    kRewriteWritten,      // the list now holds the new content
    kRewriteUnchanged,    // the new content equals the list: nothing was written
    kRewriteListChanged,  // the list is no longer what was read (or is gone): left alone
    kRewriteFailed,       // the temporary file could not be made, written, flushed or put in place
};

// A rewrite in progress. The new content is compared with the list as it was
// read; the temporary file is made only at the first byte that differs.
struct ListRewrite {
    const char* ListPath;
    const FileBytes* Original;
    char* TempPath;          // beside the list; no longer than the list's own path
    std::size_t Matched;     // bytes so far equal to the original's start
    std::FILE* Temp;
    bool Failed;
    std::size_t Buffered;
    char* Buffer;
};

// Starts a rewrite of the list at `path`, which was read as `original`; an
// original with no data ({nullptr, 0}) stands for a list that does not exist,
// which the rewrite then creates only while it still does not. The caller
// holds the list's lock until FinishListRewrite returns. Returns false when
// memory runs out.
bool BeginListRewrite(ListRewrite* rewrite, const char* path, const FileBytes& original);

// Starts a comparison: content is added as to a rewrite, but only compared
// with `original`; nothing is ever written. End it with ListRewriteDiffers.
void BeginListComparison(ListRewrite* rewrite, const FileBytes& original);

// Ends a comparison: whether the content added differs from the original.
bool ListRewriteDiffers(ListRewrite* rewrite);

// Adds bytes to the new content.
void AppendToRewrite(ListRewrite* rewrite, const char* data, std::size_t size);

// Ends the rewrite: when the new content differs from the list, the temporary
// file is flushed and synced to the disk and closed, the list is read again
// and compared byte for byte with `original`, and only then replaced. Frees
// what Begin took.
RewriteResult FinishListRewrite(ListRewrite* rewrite);

// Ends a rewrite without writing anything.
void CancelListRewrite(ListRewrite* rewrite);

#endif  // ZELQ_CHANNEL_LIST_LIST_FILE_H
