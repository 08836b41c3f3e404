#include "list_open.h"

#include <cstdlib>
#include <cstring>

#include "file_ops.h"
#include "side_paths.h"

namespace {

// What a writer other than the start may wait, once it holds the lock, for
// files other programs hold.
constexpr unsigned kFileWaitMs = 1000;

char* CopyOf(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    char* const copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

// Removes a side file a writer before left; one that stays is noted.
void RemoveLeftFile(const char* path, OpenedList* list) {
    if (RemoveIfThere(path) || list->SideFileLeft) return;
    list->SideError = g_LastFileError;
    list->SideFileLeft = CopyOf(path);
}

// Under the lock: the list in its place, and nothing a writer before left
// beside it. The backup is the list while the list is missing, so it is put
// back first, and removed only when the list is known to be there; the
// temporary file is never the list, and goes.
ListOpenResult Recover(const ListPaths& paths, bool absentIsEmpty, OpenedList* list) {
    PathKind kind;
    if (!g_ListFileOps.Probe(paths.Real, &kind)) return kListUnreadable;
    if (kind == kPathFolder) {
        SetFileError(kFileErrorIsFolder);
        return kListUnreadable;
    }
    if (kind == kPathMissing) {
        PathKind backup = kPathFile;
        const bool told = g_ListFileOps.Probe(paths.Backup, &backup) != 0;
        if (!told || backup == kPathFile) {
            if (!told || !RenameFile(paths.Backup, paths.Real)) {
                SetFileError(kFileErrorListInBackup, g_LastFileError.SystemCode);
                list->SidePath = CopyOf(paths.Backup);
                return kListCopyWaits;
            }
        } else {
            RemoveLeftFile(paths.Temp, list);
            if (!absentIsEmpty) {
                SetFileError(kFileErrorNotFound);
                return kListAbsent;
            }
            return kListOpened;
        }
    }
    list->Exists = true;
    RemoveLeftFile(paths.Temp, list);
    RemoveLeftFile(paths.Backup, list);
    return kListOpened;
}

}  // namespace

ListOpenResult OpenListToChange(const char* path, ListWriter writer, bool absentIsEmpty, std::uint64_t maxSize,
                                OpenedList* list) {
    list->Lock = ListLock{nullptr};
    EmptyListIndex(&list->Index);
    list->Exists = false;
    list->SideFileLeft = nullptr;
    list->SideError = FileError{kFileErrorNone, 0, false};
    list->SidePath = nullptr;
    BeginWaits(writer == kWriterStart ? kStartWaitMs : kListLockWaitMs);

    ListPaths paths;
    if (!ResolveListPaths(path, &paths)) return kListUnreadable;
    // Only "no such file" means there is no list: a path that cannot be
    // looked at now (a network folder that does not answer, a folder that is
    // not there) ends the writer, and no lock file is made beside a folder.
    // No list and no copy of one: nothing to lock, and no lock file is made
    // beside it either, unless the writer makes the list.
    PathKind kind;
    PathKind backup;
    const bool known = g_ListFileOps.Probe(path, &kind) != 0;
    if (known && kind == kPathFolder) SetFileError(kFileErrorIsFolder);
    ListOpenResult result = !known || kind == kPathFolder ? kListUnreadable : kListOpened;
    if (result == kListOpened && !absentIsEmpty && kind == kPathMissing &&
        g_ListFileOps.Probe(paths.Backup, &backup) && backup == kPathMissing) {
        SetFileError(kFileErrorNotFound);
        result = kListAbsent;
    }
    if (result != kListOpened) {
        FreeListPaths(&paths);
        return result;
    }
    if (!LockList(path, &list->Lock)) {
        FreeListPaths(&paths);
        return kListNotLocked;
    }
    if (writer != kWriterStart) BeginWaits(kFileWaitMs);
    result = Recover(paths, absentIsEmpty, list);
    FreeListPaths(&paths);
    if (result == kListOpened && list->Exists && !ReadListIndex(path, maxSize, &list->Index)) {
        result = kListUnreadable;
    }
    return result;
}

void CloseOpenedList(OpenedList* list) {
    FreeListIndex(&list->Index);
    UnlockList(&list->Lock);
    std::free(list->SideFileLeft);
    std::free(list->SidePath);
    list->SideFileLeft = nullptr;
    list->SidePath = nullptr;
}
