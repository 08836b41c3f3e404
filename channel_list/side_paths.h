// The files beside a list that are named after it: its name with its
// extension replaced, so each is as long as the list's name with a
// three-letter extension, and four bytes longer than a name with a shorter
// extension or none (docs/list-file.md says when that does not fit).
//
// The lock file, "ChannelList.lck": empty, hidden on Windows, and left in
// place (deleting it would let two writers lock two different files of one
// name), but beside a list that was never made, where its maker removes it
// while still holding it (list_lock.h). A list whose own extension is
// ".lck" keeps it ("x.lck" -> "x.lck.lck"), so a list is never its own lock
// file.
//
// Three files beside the file the list really is (every link followed).
// Only the holder of the list's lock makes them, so a writer that finds them
// knows a writer before it stopped before its end (a crash, a power cut, a
// failure Windows documents), and knows what each holds:
//
// - "~ChannelList.tm", the new list being written. It is not taken for the
//   list: it may have been cut short, or never reached the disk. Only the
//   writer that wrote it whole and flushed it puts it in the list's place;
//   any writer that finds one beside the list or its backup removes it. With
//   neither there, a temporary file that is whole (it shows rows, and is not
//   damaged as list_open.h says) is the new list a writer flushed but could
//   not name, and takes the list's name.
// - "~ChannelList.bk", the old list, put there by the replace that puts the
//   new one in its place, and removed once the new one is there and on the
//   disk (or kept, where the file system would not flush it, until a later
//   reader finds the new one whole). It is whole (it was the list), so while
//   the list is missing or damaged it is the list, and the next writer puts
//   it back before anything else; it is removed only when the list is known
//   to be there, whole.
// - "~ChannelList.dm", a damaged list that its backup replaced, set aside
//   for its user to look at (list_open.h). No writer reads or removes it but
//   the next one that sets a damaged list aside.
#ifndef ZELQ_CHANNEL_LIST_SIDE_PATHS_H
#define ZELQ_CHANNEL_LIST_SIDE_PATHS_H

struct ListFiles;

// The file the list really is, and the files beside it, in one block of
// memory that Real begins.
struct ListPaths {
    char* Real;
    char* Lock;
    char* Temp;
    char* Backup;
    char* Aside;
};

// Works out the paths of the list at `listPath` into files->Paths, once for
// all its reading and writing. False, with the reason in files->Error and
// nothing held, when they cannot be told (a path that ends in a separator
// names a folder: kFileErrorIsFolder).
bool ResolveListPaths(ListFiles* files, const char* listPath);
void FreeListPaths(ListPaths* paths);

#endif  // ZELQ_CHANNEL_LIST_SIDE_PATHS_H
