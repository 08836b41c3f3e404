// The lock that every writer of one list holds from its read to its write:
// every instance of the plug-in, and the command-line program.
#ifndef ZELQ_CHANNEL_LIST_LIST_LOCK_H
#define ZELQ_CHANNEL_LIST_LIST_LOCK_H

// How long a writer waits for another writer of the same list.
constexpr unsigned kListLockWaitMs = 2000;

struct ListLock {
    void* Handle;
};

// Takes the list's lock (on its lock file, see side_paths.h), waiting at most
// kListLockWaitMs. Returns false, with the reason in g_LastFileError, when
// another writer holds it that long (kFileErrorLockBusy), or the lock file
// cannot be made. No lock file is made where the list's folder does not
// exist, or for a path that names a folder.
bool LockList(const char* listPath, ListLock* lock);

// Releases the lock, if it was taken.
void UnlockList(ListLock* lock);

#endif  // ZELQ_CHANNEL_LIST_LIST_LOCK_H
