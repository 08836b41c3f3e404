#include "list_lock.h"

#include <cstdlib>
#include <cstring>

#include "file_ops.h"
#include "side_paths.h"

namespace {

constexpr unsigned kLockRetryMs = 10;

char* CopyOf(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    char* const copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

}  // namespace

bool LockList(const char* listPath, ListLock* lock) {
    *lock = ListLock{nullptr};
    // A lock file is made only beside what may be a list.
    PathKind kind;
    if (!ProbeListPath(listPath, &kind)) return false;
    lock->LockPath = NewSidePath(listPath, kSideLock);
    if (!lock->LockPath) return false;
    // What UnlockList needs to remove a lock file, where it can be removed.
    if (g_ListFileOps.RemoveLock) {
        lock->ListPath = CopyOf(listPath);
        if (!lock->ListPath) {
            UnlockList(lock);
            SetFileError(kFileErrorNoMemory);
            return false;
        }
    }
    // Another writer holds the lock for as long as it reads and writes the
    // list: tried again every few milliseconds, within the writer's waits.
    bool locked = false;
    do {
        lock->Handle = nullptr;
        locked = g_ListFileOps.TryLock(lock->LockPath, &lock->Handle) != 0;
    } while (!locked && g_LastFileError.Kind == kFileErrorLockBusy && PauseWithinWaits(kLockRetryMs));
    if (!locked) {
        lock->Handle = nullptr;
        UnlockList(lock);
        return false;
    }
    // Sharing the lock with the list's other users is a courtesy to them: the
    // lock is held either way.
    if (g_ListFileOps.ShareLock) {
        const FileError kept = g_LastFileError;
        g_ListFileOps.ShareLock(lock->Handle, lock->LockPath, listPath);
        g_LastFileError = kept;
    }
    return true;
}

void UnlockList(ListLock* lock) {
    if (lock->Handle) {
        // A lock file made beside a list that was never made guards nothing
        // and would stay beside no list. It goes while the lock is held, so
        // no other writer holds it then; one that waited on it finds it gone
        // and takes a new one. A lock file another writer made stays.
        PathKind kind;
        if (lock->ListPath) {
            const FileError kept = g_LastFileError;
            if (g_ListFileOps.Probe(lock->ListPath, &kind) && kind == kPathMissing) {
                g_ListFileOps.RemoveLock(lock->Handle, lock->LockPath);
            }
            g_LastFileError = kept;
        }
        g_ListFileOps.Unlock(lock->Handle);
    }
    std::free(lock->ListPath);
    std::free(lock->LockPath);
    *lock = ListLock{nullptr};
}
