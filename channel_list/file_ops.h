// Every file operation the list code makes, in one table that each platform
// fills (unix/file_ops_posix.cpp, windows/file_ops_win32.cpp) and that tests
// swap entry by entry to inject failures. The platforms only report what the
// system says; what the list code makes of it (a read-only list is left
// alone, a flush a file system does not do counts as done, a file a scanner
// holds is tried again) is decided here, once, for both.
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

// How a file is opened.
enum FileOpenMode {
    kOpenRead,       // an existing file, for reading
    kOpenAppend,     // an existing file; every write goes to its end, whole
    kOpenWrite,      // an existing file, for writing and cutting it back
    kOpenCreateNew,  // a new file for writing; fails when the name is taken
};

// What a path names.
enum PathKind {
    kPathMissing,  // nothing, in a folder that exists
    kPathFile,
    kPathFolder,
};

// Why the last failed operation failed, as far as a user needs to know.
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

struct FileError {
    FileErrorKind Kind;
    long SystemCode;  // errno, or Windows' GetLastError(); 0 when the list code set the error itself
    bool MayPass;     // the kind of failure a scanner or indexer holding the file for a moment causes
};

// The error of the last operation that failed. Only failures set it.
extern FileError g_LastFileError;

void SetFileError(FileErrorKind kind, long systemCode = 0, bool mayPass = false);

// The system's own words for an error code, one line, UTF-8.
void DescribeSystemError(long code, char* out, std::size_t size);

struct ListFileOps {
    int (*Open)(const char* path, FileOpenMode mode, ListFile** file);
    // What the path names. 0 when that cannot be told (the folder it would be
    // in does not exist, no permission, a network error).
    int (*Probe)(const char* path, PathKind* kind);
    // Whether the file is read-only for this user: its read-only attribute
    // on Windows; elsewhere no write permission for this user, or for anyone
    // (which binds root too). 0 when that cannot be told.
    int (*ReadOnly)(const char* path, bool* readOnly);
    int (*Size)(ListFile* file, std::uint64_t* size);
    // Reads up to `size` bytes; *got is 0 at the end of the file.
    int (*Read)(ListFile* file, void* buffer, std::size_t size, std::size_t* got);
    // Writes all of it, in one system call where the system allows.
    int (*Write)(ListFile* file, const void* data, std::size_t size);
    int (*Sync)(ListFile* file);  // the file's data to the disk
    int (*Truncate)(ListFile* file, std::uint64_t size);
    int (*Close)(ListFile* file);
    // Puts `from` in the place of `to`, `to` keeping what the system keeps
    // on a file (its permissions), and the old `to` under the name `backup`
    // in the same folder, where the system keeps one (Windows' ReplaceFileW;
    // elsewhere the rename is one step and no backup is made). On a failure
    // the files may be where the system's documentation says that failure
    // leaves them: both under their own names, or `to` missing with the old
    // list under `backup` and `from` still under its own name.
    int (*Replace)(const char* from, const char* to, const char* backup);
    // Gives `from` the name `to`, which must not exist, in the same folder.
    int (*Rename)(const char* from, const char* to);
    int (*Remove)(const char* path);
    // Where the file at `path` really lives (a symbolic link followed), as a
    // new string for std::free; the path itself where there is no link.
    int (*Resolve)(const char* path, char** real);
    // How many names (hard links) the file at `path` has.
    int (*LinkCount)(const char* path, unsigned* count);
    // Takes the exclusive lock on the lock file at `path` (created when
    // missing) without waiting: kFileErrorLockBusy when another holds it.
    // The list code waits, through Pause.
    int (*TryLock)(const char* path, void** lock);
    int (*Unlock)(void* lock);
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
    int (*ShareLock)(void* lock, const char* lockPath, const char* listPath) = nullptr;
    // Removes the held lock's file from `lockPath` while the lock is still
    // held, when this very TryLock made it and `lockPath` still names it;
    // the lock stays valid for Unlock. TryLock checks that its path still
    // names the file it locked, so a writer that waited on a removed file takes
    // the lock file made after it.
    int (*RemoveLock)(void* lock, const char* lockPath) = nullptr;
};

extern ListFileOps g_ListFileOps;

// The list code's own use of the table.

// Opens an existing file to change it (kOpenAppend, kOpenWrite): a read-only
// file is the user's wish to keep it as it is, also where the system would
// let this user write it (an administrator, root), so it is refused
// (kFileErrorDenied).
bool OpenToChange(const char* path, FileOpenMode mode, ListFile** file);

// What the path names, where a list may be: false, with the reason in
// g_LastFileError, when that cannot be told now (a network folder that does
// not answer) or the path names a folder (kFileErrorIsFolder), which is no
// list and beside which nothing is made.
bool ProbeListPath(const char* path, PathKind* kind);

// Flushes a written file to the disk. A file system that answers that it
// does not flush (kFileErrorNotSupported: some network redirectors) has
// taken the data all the same, so that counts as flushed; any other failure
// is a failure.
bool SyncFile(ListFile* file);

// The waits of one writer. A writer of the list may pause, in all, for the
// time it was given here: while another writer holds the lock, and between
// tries of an operation that another program's handle stopped. The start of
// the plug-in gets about a second for everything, so that the viewer never
// freezes for long; the time is counted in what Pause says it waited, so
// tests fake it.
void BeginWaits(unsigned totalMs);
// Pauses for `ms`, or for what is left when that is less. False, without
// pausing, when nothing is left.
bool PauseWithinWaits(unsigned ms);

// Puts `from` in the place of `to`, the old `to` under `backup` (see
// ListFileOps::Replace), refusing a read-only `to`. Replaces, renames and
// removes are tried again, within the writer's waits, while the system
// answers that another program holds the file (a virus scanner, an indexer,
// a sync client opens files for a few milliseconds) or that it is being
// deleted; an access denied by the file's own permissions is not waited out.
bool ReplaceFile(const char* from, const char* to, const char* backup);
bool RenameFile(const char* from, const char* to);
bool RemoveFile(const char* path);
// The same, and a file that is not there counts as removed.
bool RemoveIfThere(const char* path);

// The platform's operations, for tests that restore them.
ListFileOps DefaultListFileOps();

#endif  // ZELQ_CHANNEL_LIST_FILE_OPS_H
