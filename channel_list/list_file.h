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
// Every failure leaves its reason in g_LastFileError (file_ops.h).
#ifndef ZELQ_CHANNEL_LIST_LIST_FILE_H
#define ZELQ_CHANNEL_LIST_LIST_FILE_H

#include <cstddef>
#include <cstdint>

#include "file_ops.h"

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

// The files beside a list that are named after it: its name with its
// extension replaced ("ChannelList.ini" -> "ChannelList.lck"), so their paths
// are no longer than the list's own. A list whose own extension is ".lck"
// keeps it ("x.lck" -> "x.lck.lck"), so a list is never its own lock file.
//
// The lock file, "ChannelList.lck": empty, hidden on Windows, and left in
// place (deleting it would let two writers lock two different files of one
// name). Returns false when the path does not fit `size` bytes.
bool ListLockPath(const char* listPath, char* out, std::size_t size);

// The temporary file a rewrite writes before it replaces the list:
// "~ChannelList.tm". One name per list: only the holder of the list's lock
// writes one, so a writer that finds it takes it for what a stopped writer
// left behind, and removes it. Returns false when it does not fit.
bool ListTempPath(const char* listPath, char* out, std::size_t size);

struct ListLock {
    void* Handle;
};

// Takes the list's lock, waiting at most kListLockWaitMs. Returns false when
// another writer holds it that long (kFileErrorLockBusy), or the lock file
// cannot be made. No lock file is made where the list's folder does not
// exist, or for a path that names a folder.
bool LockList(const char* listPath, ListLock* lock);
void UnlockList(ListLock* lock);

// Replaces and removes retry for about a second in all while the system
// answers that another program holds the file (a virus scanner, an indexer,
// a sync client opens files for a few milliseconds).
bool ReplaceFile(const char* from, const char* to);
bool RemoveFile(const char* path);

// The temporary file of the rewrite in progress, or null: what a program that
// is being stopped removes before it ends. Set and cleared by the rewrite;
// safe to read from a signal handler or a console control handler.
const char* ActiveTempPath();

// The outcome of a rewrite.
enum RewriteResult {
    kRewriteWritten,      // the list now holds the new content
    kRewriteUnchanged,    // the new content equals the list: nothing was written
    kRewriteListChanged,  // the list is no longer what was read (or is gone): left alone
    kRewriteFailed,       // the temporary file could not be made, written, synced or put in place
};

// A rewrite in progress. The new content is compared with the list as it was
// read; the temporary file is made only at the first byte that differs.
struct ListRewrite {
    const char* ListPath;
    const FileBytes* Original;
    char* RealPath;          // where the list really lives (a symbolic link followed)
    char* TempPath;          // beside RealPath, named after it
    std::size_t Matched;     // bytes so far equal to the original's start
    ListFile* Temp;
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
// file is synced to the disk and closed, the list is read again and compared
// byte for byte with `original`, and only then replaced. Frees what Begin
// took.
RewriteResult FinishListRewrite(ListRewrite* rewrite);

// Ends a rewrite without writing anything.
void CancelListRewrite(ListRewrite* rewrite);

#endif  // ZELQ_CHANNEL_LIST_LIST_FILE_H
