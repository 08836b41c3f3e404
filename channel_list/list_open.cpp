#include "list_open.h"

#include "list_lock.h"

namespace {

// What a writer other than the start may wait, once it holds the lock, for
// files other programs hold.
constexpr unsigned kFileWaitMs = 1000;

// Removes a side file a writer before left; one that stays is noted.
void RemoveLeftFile(const char* path, OpenedList* list) {
    if (list->Files.RemoveIfThere(path) || list->SideFileLeft) return;
    list->SideError = list->Files.Error;
    list->SideFileLeft = path;
}

// What the list's path names: false, with the reason, when that cannot be
// told now (a network folder that does not answer) or it names a folder,
// which is no list and beside which nothing is made, or anything else that
// is not a file (reading refuses it as access denied).
bool ProbeList(ListFiles* files, PathKind* kind) {
    if (!files->Probe(files->Paths.Real, kind)) return false;
    if (*kind == kPathFolder) return files->Fail(kFileErrorIsFolder);
    return *kind == kPathFile || *kind == kPathMissing || files->Fail(kFileErrorDenied);
}

// Under the lock: the list in its place, and nothing a writer before left
// beside it. The backup is the list while the list is missing, so it is put
// back first, and removed only when the list is known to be there; the
// temporary file is never the list, and goes.
ListOpenResult Recover(bool absentIsEmpty, OpenedList* list) {
    ListFiles& files = list->Files;
    const ListPaths& paths = files.Paths;
    PathKind kind;
    if (!ProbeList(&files, &kind)) return kListUnreadable;
    if (kind == kPathMissing) {
        PathKind backup = kPathFile;
        const bool told = files.Probe(paths.Backup, &backup);
        if (told && backup != kPathFile) {
            RemoveLeftFile(paths.Temp, list);
            if (absentIsEmpty) return kListOpened;
            files.Fail(kFileErrorNotFound);
            return kListAbsent;
        }
        if (!told || !files.Rename(paths.Backup, paths.Real)) {
            files.Fail(kFileErrorListInBackup, files.Error.SystemCode);
            return kListCopyWaits;
        }
    }
    list->Exists = true;
    RemoveLeftFile(paths.Temp, list);
    RemoveLeftFile(paths.Backup, list);
    return kListOpened;
}

}  // namespace

bool ReadListIndex(ListFiles* files, const char* path, std::uint64_t maxSize, ListIndex* index) {
    EmptyListIndex(index);
    FileBytes bytes;
    if (!ReadListFile(files, path, maxSize, &bytes)) {
        index->File.Size = bytes.Size;  // the size of a file too large to read
        return false;
    }
    return IndexListBytes(bytes, index) || files->Fail(kFileErrorNoMemory);
}

ListOpenResult OpenListToChange(const char* path, ListWriter writer, bool absentIsEmpty, std::uint64_t maxSize,
                                OpenedList* list) {
    *list = OpenedList{};
    ListFiles& files = list->Files;
    files.BeginWaits(writer == kWriterStart ? kStartWaitMs : kListLockWaitMs);
    // Only "no such file" means there is no list: a path that cannot be
    // looked at now (a network folder that does not answer, a folder that is
    // not there) ends the writer, and no lock file is made beside a folder.
    // No list and no copy of one: nothing to lock, and no lock file is made
    // beside it either, unless the writer makes the list.
    PathKind kind;
    if (!ResolveListPaths(&files, path) || !ProbeList(&files, &kind)) return kListUnreadable;
    if (!absentIsEmpty && kind == kPathMissing && files.Is(files.Paths.Backup, kPathMissing)) {
        files.Fail(kFileErrorNotFound);
        return kListAbsent;
    }
    if (!LockList(&files)) return kListNotLocked;
    if (writer != kWriterStart) files.BeginWaits(kFileWaitMs);
    const ListOpenResult result = Recover(absentIsEmpty, list);
    if (result == kListOpened && list->Exists && !ReadListIndex(&files, files.Paths.Real, maxSize, &list->Index)) {
        return kListUnreadable;
    }
    return result;
}

ListOpenResult OpenListToLook(const char* path, bool absentIsEmpty, std::uint64_t maxSize, OpenedList* list) {
    *list = OpenedList{};
    ListFiles& files = list->Files;
    PathKind kind;
    if (!ResolveListPaths(&files, path) || !ProbeList(&files, &kind)) return kListUnreadable;
    list->Exists = kind == kPathFile;
    if (!list->Exists && !absentIsEmpty) {
        files.Fail(kFileErrorNotFound);
        return kListAbsent;
    }
    return !list->Exists || ReadListIndex(&files, files.Paths.Real, maxSize, &list->Index) ? kListOpened
                                                                                        : kListUnreadable;
}

void CloseOpenedList(OpenedList* list) {
    FreeListIndex(&list->Index);
    UnlockList(&list->Files);
    FreeListPaths(&list->Files.Paths);
    list->SideFileLeft = nullptr;
}
