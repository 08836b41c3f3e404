// The lock that every writer of one list holds from its read to its write:
// every instance of the plug-in, and the command-line program.
#ifndef ZELQ_CHANNEL_LIST_LIST_LOCK_H
#define ZELQ_CHANNEL_LIST_LIST_LOCK_H

// How long a writer waits for another writer of the same list.
constexpr unsigned kListLockWaitMs = 2000;

struct ListLock {
    void* Handle;
    char* LockPath = nullptr;
    // The list's path, kept where the system can remove a held lock file
    // (file_ops.h, RemoveLock), for UnlockList.
    char* ListPath = nullptr;
};

// Takes the list's lock (on its lock file, see side_paths.h), waiting for
// another writer within the writer's waits (BeginWaits, file_ops.h; a writer
// other than the start gives it kListLockWaitMs). Returns false, with the reason in g_LastFileError, when
// another writer holds it that long (kFileErrorLockBusy), or the lock file
// cannot be made. No lock file is made where the list's folder does not
// exist, or for a path that names a folder. Where files have owners and
// permission bits, the lock file takes the list's, so that every user who
// may write the list may also lock it.
bool LockList(const char* listPath, ListLock* lock);

// Releases the lock, if it was taken. A lock file this lock made beside a
// list that still does not exist (the writer failed, or wrote nothing) is
// removed first, while the lock is still held, where the system allows.
void UnlockList(ListLock* lock);

#endif  // ZELQ_CHANNEL_LIST_LIST_LOCK_H
