// The files beside a list, named after the file the list really is (every
// link followed): its name with its extension replaced, so each is as long
// as a name with a three-letter extension, and four bytes longer than a
// shorter one (docs/list-file.md says when that does not fit).
//
// - "ChannelList.lck", the lock file: empty, hidden on Windows, left in place
//   (two writers must never lock two files of one name), but removed by its
//   maker beside a list that was never made (list_lock.h). A list named
//   "x.lck" has the lock file "x.lck.lck".
// - "~ChannelList.tm", the new list being written; "~ChannelList.bk", the
//   old list while the new one takes its place; "~ChannelList.dm", a damaged
//   list its backup replaced, set aside for its user. Only the holder of the
//   lock makes them, so one found beside the list was left by a writer
//   stopped before its end; list_open.h says what the next one makes of it.
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
