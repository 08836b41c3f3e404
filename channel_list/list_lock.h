// The lock that every writer of one list holds from its read to its write:
// every instance of the plug-in, and the command-line program. It sits
// beside the file the list really is (side_paths.h), so every path to one
// file takes the same lock.
#ifndef ZELQ_CHANNEL_LIST_LIST_LOCK_H
#define ZELQ_CHANNEL_LIST_LIST_LOCK_H

#include "list_files.h"

// How long a writer waits for another writer of the same list.
constexpr unsigned kListLockWaitMs = 2000;

// Takes the lock of the list whose paths `files` holds, waiting for another
// writer within the writer's waits (a writer other than the start gives it
// kListLockWaitMs). Returns false, with the reason in files->Error, when
// another writer holds it that long (kFileErrorLockBusy), or the lock file
// cannot be made. No lock file is made where the list's folder does not
// exist, or beside a folder. Where files have owners and permission bits,
// the lock file takes the list's, so that every user who may write the list
// may also lock it.
bool LockList(ListFiles* files);

// Releases the lock, if it is held. A lock file this lock made beside a list
// that still does not exist (the writer failed, or wrote nothing) is removed
// first, while the lock is still held, where the system allows.
void UnlockList(ListFiles* files);

#endif  // ZELQ_CHANNEL_LIST_LIST_LOCK_H
