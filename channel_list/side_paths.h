// The files beside a list that are named after it: its name with its
// extension replaced, so their paths are no longer than the list's own (a
// name without a three-letter extension gets at most a few bytes more).
//
// The lock file, "ChannelList.lck": empty, hidden on Windows, and left in
// place (deleting it would let two writers lock two different files of one
// name), but beside a list that was never made, where its maker removes it
// while still holding it (list_lock.h). A list whose own extension is
// ".lck" keeps it ("x.lck" -> "x.lck.lck"), so a list is never its own lock
// file.
//
// Two files beside the file the list really is (a symbolic link followed),
// each no longer than the list's own name, so they fit wherever the list's
// path fits. Only the holder of the list's lock makes them, so a writer that
// finds them knows a writer before it stopped before its end (a crash, a
// power cut, a failure Windows documents), and knows what each holds:
//
// - "~ChannelList.tm", the new list being written. It is never taken for
//   the list: it may have been cut short, or never reached the disk. Only
//   the writer that wrote it whole and flushed it puts it in the list's
//   place; any writer that finds one removes it.
// - "~ChannelList.bk", the old list, put there by the replace that puts the
//   new one in its place, and removed once the new one is there. It is whole
//   (it was the list), so while the list is missing it is the list, and the
//   next writer puts it back before anything else; it is removed only when
//   the list is known to be there.
#ifndef ZELQ_CHANNEL_LIST_SIDE_PATHS_H
#define ZELQ_CHANNEL_LIST_SIDE_PATHS_H

enum SideFile { kSideLock, kSideTemp, kSideBackup };

// The path of the side file of the list at `listPath`, as a new string for
// std::free. Null, with the reason in g_LastFileError, when the path names no
// file (it ends in a separator: kFileErrorIsFolder) or memory runs out.
char* NewSidePath(const char* listPath, SideFile which);

// The file the list at `listPath` really is, and its side files beside it.
struct ListPaths {
    char* Real;
    char* Temp;
    char* Backup;
};

// Fills `paths` with new strings, freed by FreeListPaths. False, with the
// reason in g_LastFileError and nothing held, when they cannot be told.
bool ResolveListPaths(const char* listPath, ListPaths* paths);
void FreeListPaths(ListPaths* paths);

#endif  // ZELQ_CHANNEL_LIST_SIDE_PATHS_H
