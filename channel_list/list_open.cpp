#include "list_open.h"

#include <cstring>

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
    if (!files->Did(g_ListFileOps.Probe(files->Paths.Real, kind))) return false;
    if (*kind == kPathFolder) return files->Fail(kFileErrorIsFolder);
    return *kind == kPathFile || *kind == kPathMissing || files->Fail(kFileErrorDenied);
}

bool HoldsNulRun(const FileBytes& bytes) {
    for (std::size_t run = 0, i = 0; i < bytes.Size; ++i) {
        run = bytes.Data[i] == '\0' ? run + 1 : 0;
        if (run == 4) return true;
    }
    return false;
}

// The last line of the bytes when no line break ends it (empty otherwise):
// its start, and whether it reads as a line of the list.
const char* OpenLastLine(const FileBytes& bytes, bool* reads) {
    const char* const end = bytes.Data + bytes.Size;
    const char* start = end;
    while (start > bytes.Data && start[-1] != '\n' && start[-1] != '\r') --start;
    LineReader reader = MakeLineReader(start, static_cast<std::size_t>(end - start));
    ListLine line;
    *reads = !NextListLine(&reader, &line) || line.Kind != kLineUnreadable;
    return start;
}

// How a list is damaged beside `backup`, or, with no backup, as the only
// copy of the list: empty, zero-filled, or cut mid-line (list_open.h).
ListDamage DamageOf(const FileBytes& list, const FileBytes* backup) {
    if (list.Size == 0) return !backup || backup->Size > 0 ? kDamageEmpty : kNotDamaged;
    if (HoldsNulRun(list) && !(backup && HoldsNulRun(*backup))) return kDamageZeroed;
    bool reads = true;
    const char* const last = OpenLastLine(list, &reads);
    const std::size_t length = static_cast<std::size_t>(list.Data + list.Size - last);
    if (reads) return kNotDamaged;
    bool backupReads = true;
    const bool same = backup && OpenLastLine(*backup, &backupReads) + length == backup->Data + backup->Size &&
                      std::memcmp(last, backup->Data + backup->Size - length, length) == 0;
    return same ? kNotDamaged : kDamageCut;
}

// Reads a copy of the list into `index` when it stands for the list: the
// backup beside a list that is damaged (`list`) or missing (null), or,
// without either, the temporary file when it is whole.
bool ReadStandIn(ListFiles* files, const char* path, const FileBytes* list, std::uint64_t maxSize,
                 ListIndex* index, ListDamage* damage) {
    ListFiles reader;
    if (!ReadListIndex(&reader, path, maxSize, index)) {
        files->Error = reader.Error;
        return false;
    }
    *damage = list ? DamageOf(*list, &index->File) : kNotDamaged;
    const bool stands = path == files->Paths.Backup ? !list || *damage != kNotDamaged
                                                    : index->RowCount > 0 && DamageOf(index->File, nullptr) == kNotDamaged;
    if (!stands) FreeListIndex(index);
    return stands;
}

// Finds the list as every reader and writer finds it, and reads it into the
// index: the list itself or, while it is missing or damaged, the copy a
// writer before it left. A writer (`change`) puts that copy in the list's
// place, the damaged list aside, and removes what else such a writer left; a
// reader only reads the copy.
ListOpenResult FindList(OpenedList* list, bool change, bool absentIsEmpty, std::uint64_t maxSize) {
    ListFiles& files = list->Files;
    const ListPaths& paths = files.Paths;
    PathKind kind;
    if (!ProbeList(&files, &kind)) return kListUnreadable;
    PathKind backup = kPathFile;
    const bool told = files.Did(g_ListFileOps.Probe(paths.Backup, &backup));
    // The copy that stands for the list waits under its own name, which
    // cannot be put back (or read) now: nothing is to be written.
    ListIndex copy;
    EmptyListIndex(&copy);
    const auto waits = [&] {
        FreeListIndex(&copy);
        files.Fail(kFileErrorListInBackup, files.Error.SystemCode);
        return kListCopyWaits;
    };
    if (kind == kPathFile) {
        if (!ReadListIndex(&files, paths.Real, maxSize, &list->Index)) return kListUnreadable;
        if (told && backup == kPathFile &&
            ReadStandIn(&files, paths.Backup, &list->Index.File, maxSize, &copy, &list->Damage)) {
            list->Source = kFromBackup;
        }
    } else if (!told || backup == kPathFile) {
        // A writer renames the backup unread; a reader reads it.
        list->Source = kFromBackup;
        if (!told || (!change && !ReadStandIn(&files, paths.Backup, nullptr, maxSize, &copy, &list->Damage))) {
            return waits();
        }
    } else if (files.Is(paths.Temp, kPathFile) &&
               ReadStandIn(&files, paths.Temp, nullptr, maxSize, &copy, &list->Damage)) {
        list->Source = kFromTemp;
    }
    if (list->Source != kFromList && change) {
        // The damaged list goes aside (an earlier one there goes), then the
        // copy takes the list's name; the renames reach the disk before the
        // writer goes on, so a cut cannot bring the damage back under a
        // write said to be done.
        const bool placed = (list->Damage == kNotDamaged ||
                             (files.RemoveIfThere(paths.Aside) && files.Rename(paths.Real, paths.Aside))) &&
                            files.Rename(list->Source == kFromBackup ? paths.Backup : paths.Temp, paths.Real);
        if (placed) files.SyncNames(paths.Real);
        if (!placed || (!copy.File.Data && !ReadListIndex(&files, paths.Real, maxSize, &copy))) return waits();
    }
    if (list->Source != kFromList) {
        FreeListIndex(&list->Index);
        list->Index = copy;
    }
    list->Exists = list->Source != kFromList || kind == kPathFile;
    if (change) {
        // What a writer before left beside a list that is there goes: the
        // temporary file never was the list, and a backup beside a list
        // found whole stood for nothing.
        RemoveLeftFile(paths.Temp, list);
        if (list->Exists) RemoveLeftFile(paths.Backup, list);
    }
    if (list->Exists || absentIsEmpty) return kListOpened;
    files.Fail(kFileErrorNotFound);
    return kListAbsent;
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
    if (!absentIsEmpty && kind == kPathMissing && files.Is(files.Paths.Backup, kPathMissing) &&
        files.Is(files.Paths.Temp, kPathMissing)) {
        files.Fail(kFileErrorNotFound);
        return kListAbsent;
    }
    if (!LockList(&files)) return kListNotLocked;
    if (writer != kWriterStart) files.BeginWaits(kFileWaitMs);
    return FindList(list, true, absentIsEmpty, maxSize);
}

ListOpenResult OpenListToLook(const char* path, bool absentIsEmpty, std::uint64_t maxSize, OpenedList* list) {
    *list = OpenedList{};
    if (!ResolveListPaths(&list->Files, path)) return kListUnreadable;
    return FindList(list, false, absentIsEmpty, maxSize);
}

void CloseOpenedList(OpenedList* list) {
    FreeListIndex(&list->Index);
    UnlockList(&list->Files);
    FreeListPaths(&list->Files.Paths);
    list->SideFileLeft = nullptr;
}
