// Every file operation the list code makes, in one table that each platform
// fills (unix/file_ops_posix.cpp, windows/file_ops_win32.cpp) and that tests
// swap entry by entry to inject failures. Each operation only answers what
// the system said: no error, or why it failed; what the list code makes of
// that is the file layer's (list_files.h), once, for both.
//
// Files are the system's own handles, not C streams: a write is one system
// call, and nothing sits in a buffer that a failed close could lose.
//
// Paths are UTF-8 throughout; the Windows operations turn them into UTF-16 for
// the wide functions, so any folder name Windows allows works.
#ifndef ZELQ_CHANNEL_LIST_FILE_OPS_H
#define ZELQ_CHANNEL_LIST_FILE_OPS_H

#include <cstddef>
#include <cstdint>

// An open file: the platform's handle, opaque to the list code.
struct ListFile;

// How an existing file is opened.
enum FileOpenMode {
    kOpenRead,    // for reading
    kOpenAppend,  // every write goes to its end, whole
    kOpenWrite,   // for writing and cutting it back
};

// What a path names.
enum PathKind {
    kPathMissing,  // nothing, in a folder that exists
    kPathFile,
    kPathFolder,
    kPathDevice,
    kPathPipe,
    kPathSocket,
};

// Why an operation failed, as far as a user needs to know.
enum FileErrorKind {
    kFileErrorNone,
    kFileErrorNotFound,     // no such file
    kFileErrorNoFolder,     // the folder it would be in does not exist
    kFileErrorIsFolder,     // a folder, not a file
    kFileErrorDenied,       // no permission, or a read-only file
    kFileErrorInUse,        // another program holds it open
    kFileErrorLockBusy,     // another writer of the list held its lock too long
    kFileErrorLinked,       // the list has other names (hard links), which a rewrite would part from it
    kFileErrorListInBackup,  // the list is missing, and its copy under the backup name cannot be put back now
    kFileErrorDiskFull,
    kFileErrorPathTooLong,  // longer than the system takes
    kFileErrorTooLarge,     // larger than a list is ever read
    kFileErrorNoMemory,
    kFileErrorNotSupported,  // the file system does not do it (a flush, on some network redirectors)
    kFileErrorOther,        // see SystemCode
};

// What an operation answered: Kind kFileErrorNone when it was done, which
// is the one answer that is false.
struct FileError {
    FileErrorKind Kind = kFileErrorNone;
    long SystemCode = 0;  // errno, or Windows' GetLastError(); 0 when the list code set the error itself
    bool MayPass = false;  // the kind of failure a scanner or indexer holding the file for a moment causes
    explicit operator bool() const { return Kind != kFileErrorNone; }
};

// The system's own words for an error code, one line, UTF-8.
void DescribeSystemError(long code, char* out, std::size_t size);

// Which file a path names: two paths name the same file when Volume and
// Number agree.
struct FileIdentity {
    std::uint64_t Volume;
    std::uint64_t Number;
    unsigned Links;  // its names (hard links)
};

struct ListFileOps {
    FileError (*Open)(const char* path, FileOpenMode mode, ListFile** file);
    // A new file for writing, failing when the name is taken, never made
    // through a link. Where files have owners and permission bits, it has
    // those of the file at `like` (never wider) before a byte is written;
    // with `like` null, a new file's.
    FileError (*Create)(const char* path, const char* like, ListFile** file);
    // What the path names: unknown (an error) when the folder it would be in
    // does not exist, without permission, or on a network error.
    FileError (*Probe)(const char* path, PathKind* kind);
    // Whether the file is read-only for this user: its read-only attribute
    // on Windows; elsewhere no write permission for this user, or for anyone
    // (which binds root too).
    FileError (*ReadOnly)(const char* path, bool* readOnly);
    FileError (*Size)(ListFile* file, std::uint64_t* size);
    // Reads up to `size` bytes; *got is 0 at the end of the file.
    FileError (*Read)(ListFile* file, void* buffer, std::size_t size, std::size_t* got);
    // Writes all of it, in one system call where the system allows.
    FileError (*Write)(ListFile* file, const void* data, std::size_t size);
    FileError (*Sync)(ListFile* file);  // the file's data to the disk
    // Makes the names given and taken so far in the folder of the file at
    // `path` (a rename, a replace, a new file, a removal) survive a power
    // cut: a sync of the folder on POSIX; on Windows, which documents no such
    // call, a flush of that file, which commits NTFS's log of every change
    // before it (docs/list-file.md).
    FileError (*SyncNames)(const char* path);
    FileError (*Truncate)(ListFile* file, std::uint64_t size);
    FileError (*Close)(ListFile* file);
    // Puts `from` in the place of `to`, `to` keeping what the system keeps
    // on a file (its permissions), and the old `to` under the name `backup`
    // in the same folder, where the system keeps one (Windows' ReplaceFileW;
    // elsewhere the rename is one step and no backup is made). On a failure
    // the files may be where the system's documentation says that failure
    // leaves them: both under their own names, or `to` missing with the old
    // list under `backup` and `from` still under its own name.
    FileError (*Replace)(const char* from, const char* to, const char* backup);
    // Gives `from` the name `to`, which must not exist, in the same folder.
    FileError (*Rename)(const char* from, const char* to);
    FileError (*Remove)(const char* path);
    // Where the file at `path` really lives, every link on the way followed
    // (the folders' too), as a new string for std::free: whichever path
    // names a file, its folder and name are the same. The file itself need
    // not exist; its folder must.
    FileError (*Resolve)(const char* path, char** real);
    FileError (*Identify)(const char* path, FileIdentity* identity);
    // Takes the exclusive lock on the lock file at `path` (created when
    // missing) without waiting: kFileErrorLockBusy when another holds it.
    // The list code waits, through Pause.
    FileError (*TryLock)(const char* path, void** lock);
    FileError (*Unlock)(void* lock);
    // Waits about `milliseconds`; returns how long it waited (a system's
    // sleep may last a clock tick longer than asked).
    unsigned (*Pause)(unsigned milliseconds);

    // Where a file has an owner, a group and permission bits of its own
    // (POSIX); null where the system has none of these (Windows, whose new
    // files take their folder's permissions), and the list code then does
    // without them.
    //
    // Gives the held lock's file at `lockPath` the group of the list at
    // `listPath` (and its owner, for root) and its permission bits, write
    // bringing read and the owner keeping both, as far as this user may set
    // them: whoever may write the list may then take its lock. Changes only
    // an empty file this user owns that `lockPath` itself names, and nothing
    // beside a missing list.
    FileError (*ShareLock)(void* lock, const char* lockPath, const char* listPath) = nullptr;
    // Removes the held lock's file from `lockPath` while the lock is still
    // held, when this very TryLock made it and `lockPath` still names it;
    // the lock stays valid for Unlock. TryLock checks that its path still
    // names the file it locked, so a writer that waited on a removed file takes
    // the lock file made after it.
    FileError (*RemoveLock)(void* lock, const char* lockPath) = nullptr;
};

// The platform's operations, which the list code uses; tests swap entries.
extern ListFileOps g_ListFileOps;
ListFileOps DefaultListFileOps();

#endif  // ZELQ_CHANNEL_LIST_FILE_OPS_H
