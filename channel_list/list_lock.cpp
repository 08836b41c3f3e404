#include "list_lock.h"

#include <cstdlib>

#include "file_ops.h"
#include "side_paths.h"

bool LockList(const char* listPath, ListLock* lock) {
    lock->Handle = nullptr;
    // A lock file is made only beside what may be a list.
    PathKind kind;
    if (!g_ListFileOps.Probe(listPath, &kind)) return false;
    if (kind == kPathFolder) {
        SetFileError(kFileErrorIsFolder);
        return false;
    }
    char* const lockPath = NewSidePath(listPath, kSideLock);
    if (!lockPath) return false;
    const bool locked = g_ListFileOps.Lock(lockPath, kListLockWaitMs, &lock->Handle) != 0;
    std::free(lockPath);
    if (!locked) lock->Handle = nullptr;
    return locked;
}

void UnlockList(ListLock* lock) {
    if (lock->Handle) g_ListFileOps.Unlock(lock->Handle);
    lock->Handle = nullptr;
}
