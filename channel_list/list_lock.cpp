#include "list_lock.h"

namespace {

constexpr unsigned kLockRetryMs = 10;

}  // namespace

bool LockList(ListFiles* files) {
    const ListPaths& paths = files->Paths;
    // A lock file is made only beside what may be a list.
    PathKind kind;
    if (!files->Did(g_ListFileOps.Probe(paths.Real, &kind))) return false;
    if (kind == kPathFolder) return files->Fail(kFileErrorIsFolder);
    // Another writer holds the lock for as long as it reads and writes the
    // list: tried again every few milliseconds, within the writer's waits.
    for (;;) {
        const FileError answer = g_ListFileOps.TryLock(paths.Lock, &files->Lock);
        if (files->Did(answer)) break;
        files->Lock = nullptr;
        if (answer.Kind != kFileErrorLockBusy || !files->Pause(kLockRetryMs)) return false;
    }
    // Sharing the lock with the list's other users is a courtesy to them: the
    // lock is held either way.
    if (g_ListFileOps.ShareLock) g_ListFileOps.ShareLock(files->Lock, paths.Lock, paths.Real);
    return true;
}

void UnlockList(ListFiles* files) {
    if (!files->Lock) return;
    // A lock file made beside a list that was never made guards nothing and
    // would stay beside no list. It goes while the lock is held, so no other
    // writer holds it then; one that waited on it finds it gone and takes a
    // new one. A lock file another writer made stays.
    if (g_ListFileOps.RemoveLock && files->Is(files->Paths.Real, kPathMissing)) {
        g_ListFileOps.RemoveLock(files->Lock, files->Paths.Lock);
    }
    g_ListFileOps.Unlock(files->Lock);
    files->Lock = nullptr;
}
