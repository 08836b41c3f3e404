// The file layer of one list, as a database's VFS layer is: the platform's
// operations (file_ops.h) as the list code uses them, with the list's paths
// worked out once (side_paths.h), the lock held on it, the time its writer
// may still wait, and why its last failed operation failed. Every writer
// and reader of a list carries one; nothing of it is global. What the list
// code makes of the system's answers is decided here.
#ifndef ZELQ_CHANNEL_LIST_LIST_FILES_H
#define ZELQ_CHANNEL_LIST_LIST_FILES_H

#include "file_ops.h"
#include "side_paths.h"

struct ListFiles {
    ListPaths Paths{};        // where the list really is, and its side files (ResolveListPaths)
    void* Lock = nullptr;     // the list's lock while it is held (LockList)
    FileError Error;          // why the last failed operation failed
    unsigned WaitLeftMs = 0;  // what the writer may still pause, in milliseconds
    // A flush of data or names was refused or failed: what was written is in
    // place, but whether it would survive a power cut is not known.
    bool Unconfirmed = false;

    // Keeps a failure as the last error; true when the operation was done.
    bool Did(const FileError& answer);
    // Sets the last error; returns false for the caller to return.
    bool Fail(FileErrorKind kind, long systemCode = 0);

    // The waits of one writer. A writer of the list may pause, in all, for
    // the time it is given: while another writer holds the lock, and between
    // tries of an operation that another program's handle stopped. The time
    // is counted in what Pause says it waited, so tests fake it.
    void BeginWaits(unsigned totalMs) { WaitLeftMs = totalMs; }
    // Pauses for `ms`, or for what is left when that is less. False, without
    // pausing, when nothing is left.
    bool Pause(unsigned ms);

    // Whether the path is known to name what is expected; keeps no error.
    bool Is(const char* path, PathKind expected);
    // Opens an existing file to change it (kOpenAppend, kOpenWrite); a file
    // known to be read-only is refused (kFileErrorDenied).
    bool OpenToChange(const char* path, FileOpenMode mode, ListFile** file);
    // Flushes a written file to the disk. A file system that answers that
    // it does not flush (some network redirectors) has taken the data all
    // the same, so that counts as done, but Unconfirmed.
    bool Sync(ListFile* file);
    // Makes the names given and taken in the folder of the file at `path`
    // durable (ListFileOps::SyncNames). They are in place either way: a
    // failure only leaves the write Unconfirmed.
    void SyncNames(const char* path);

    // Puts `from` in the place of `to`, the old `to` under `backup` (see
    // ListFileOps::Replace), refusing a read-only `to`. Replaces, renames and
    // removes are tried again, within the writer's waits, while the system
    // answers that another program holds the file (a virus scanner, an
    // indexer, a sync client opens files for a few milliseconds) or that it
    // is being deleted; an access denied by the file's own permissions is not
    // waited out.
    bool Replace(const char* from, const char* to, const char* backup);
    bool Rename(const char* from, const char* to);
    bool Remove(const char* path);
    // The same, and a file that is not there counts as removed.
    bool RemoveIfThere(const char* path);
    // Removes a file if it can, keeping the last error as it was.
    void RemoveQuietly(const char* path);
};

#endif  // ZELQ_CHANNEL_LIST_LIST_FILES_H
