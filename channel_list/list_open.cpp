#include "list_open.h"

namespace {

// What a writer other than the start may wait, once it holds the lock, for
// files other programs hold.
constexpr unsigned kFileWaitMs = 1000;

// Removes a side file a writer before left; one that stays is noted.
void RemoveLeftFile(const char* path, OpenedList* list) {
    if (RemoveIfThere(path) || list->SideFileLeft) return;
    list->SideError = g_LastFileError;
    list->SideFileLeft = path;
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
        if (told && backup != kPathFile) {
            RemoveLeftFile(paths.Temp, list);
            if (absentIsEmpty) return kListOpened;
            SetFileError(kFileErrorNotFound);
            return kListAbsent;
        }
        if (!told || !RenameFile(paths.Backup, paths.Real)) {
            SetFileError(kFileErrorListInBackup, g_LastFileError.SystemCode);
            return kListCopyWaits;
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
    *list = OpenedList{};
    BeginWaits(writer == kWriterStart ? kStartWaitMs : kListLockWaitMs);

    if (!ResolveListPaths(path, &list->Paths)) return kListUnreadable;
    const ListPaths& paths = list->Paths;
    // Only "no such file" means there is no list: a path that cannot be
    // looked at now (a network folder that does not answer, a folder that is
    // not there) ends the writer, and no lock file is made beside a folder.
    // No list and no copy of one: nothing to lock, and no lock file is made
    // beside it either, unless the writer makes the list.
    PathKind kind;
    PathKind backup;
    if (!ProbeListPath(path, &kind)) return kListUnreadable;
    if (!absentIsEmpty && kind == kPathMissing && g_ListFileOps.Probe(paths.Backup, &backup) &&
        backup == kPathMissing) {
        SetFileError(kFileErrorNotFound);
        return kListAbsent;
    }
    if (!LockList(path, &list->Lock)) return kListNotLocked;
    if (writer != kWriterStart) BeginWaits(kFileWaitMs);
    const ListOpenResult result = Recover(paths, absentIsEmpty, list);
    if (result == kListOpened && list->Exists && !ReadListIndex(path, maxSize, &list->Index)) return kListUnreadable;
    return result;
}

ListOpenResult OpenListToLook(const char* path, bool absentIsEmpty, std::uint64_t maxSize, OpenedList* list) {
    *list = OpenedList{};
    PathKind kind;
    if (!ProbeListPath(path, &kind)) return kListUnreadable;
    list->Exists = kind == kPathFile;
    if (!list->Exists && !absentIsEmpty) {
        SetFileError(kFileErrorNotFound);
        return kListAbsent;
    }
    return !list->Exists || ReadListIndex(path, maxSize, &list->Index) ? kListOpened : kListUnreadable;
}


void CloseOpenedList(OpenedList* list) {
    FreeListIndex(&list->Index);
    UnlockList(&list->Lock);
    FreeListPaths(&list->Paths);
    list->SideFileLeft = nullptr;
}
