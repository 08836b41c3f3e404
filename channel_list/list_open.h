// Opening the list: the one way in for every writer, the plug-in's start and
// its add, and every command of the command-line program that writes. It
// takes the list's lock, puts back a list that a writer before it left
// missing or damaged, removes what such a writer left beside the list, and
// reads the list into the index, in that order. Every reader finds the list
// the same way, changing nothing.
//
// The backup is the list while the list is missing, or damaged beside it:
// empty while the backup is not, holding four NUL bytes in a row while the
// backup holds none, or ending, with no line break, in a line that does not
// read and is not how the backup ends (docs/list-file.md). The damaged list
// is then set aside. With neither there, a whole temporary file is the only
// copy left. Any other temporary file, and a backup beside a list that is
// not damaged, goes.
#ifndef ZELQ_CHANNEL_LIST_LIST_OPEN_H
#define ZELQ_CHANNEL_LIST_LIST_OPEN_H

#include <cstdint>

#include "list_files.h"
#include "list_index.h"

// Who opens the list, which decides how long it may wait.
enum ListWriter {
    kWriterStart,  // the plug-in's start, inside the viewer's window creation: about a second in all
    kWriterOther,  // an add or an edit: kListLockWaitMs for the lock, then about a second
};

// The most a start waits, for the lock and for files other programs hold.
constexpr unsigned kStartWaitMs = 1000;

enum ListOpenResult {
    kListOpened,        // locked and read; Exists tells whether there is a list (else the index is empty)
    kListAbsent,        // no list, nor a copy of one: nothing locked, nothing made (only when asked)
    kListNotLocked,     // the lock was not taken (the reason is in Files.Error)
    kListCopyWaits,     // no list (or a damaged one), and its copy waits under another name (the backup's, or
                        // the temporary file's: Source), which cannot be put back now: the writer must change
                        // nothing
    kListUnreadable,    // the list, or whether it is there, cannot be told (the reason is in Files.Error)
};

// Where the list that was read came from.
enum ListSource {
    kFromList,    // the list itself (or nothing: there is no list)
    kFromBackup,  // its backup, the list before a change that did not finish, while the list is missing or
                  // damaged
    kFromTemp,    // the only copy left: a new list whole and flushed that could not take the list's name
};

// How the list beside its backup was damaged.
enum ListDamage { kNotDamaged, kDamageEmpty, kDamageZeroed, kDamageCut };

struct OpenedList {
    ListFiles Files;  // its paths, its lock, its writer's waits and its last error
    ListIndex Index;
    bool Exists;
    ListSource Source;  // a writer put that file in the list's place, a reader read it instead
    ListDamage Damage;  // a writer set the damaged list aside (Files.Paths.Aside); a reader found it so
    // A file a writer before left beside the list that could not be removed
    // now (the reason is in SideError): a new list written would meet it, so
    // only a writer that writes no new file (the add, which appends) goes on.
    const char* SideFileLeft;
    FileError SideError;
};

// Opens the list at `path` for `writer`, reading at most `maxSize` bytes of
// it (kFileErrorTooLarge beyond). With `absentIsEmpty` false, a list that is
// missing with no copy of it anywhere is kListAbsent, and no lock file is
// made beside it. Whatever the result, CloseOpenedList releases what this
// took.
ListOpenResult OpenListToChange(const char* path, ListWriter writer, bool absentIsEmpty, std::uint64_t maxSize,
                                OpenedList* list);

// Opens the list at `path` to read it and change nothing (a dry run, show,
// check): no lock is taken, and nothing put back or removed. The results are
// those of OpenListToChange that apply.
ListOpenResult OpenListToLook(const char* path, bool absentIsEmpty, std::uint64_t maxSize, OpenedList* list);

// Releases the lock, the index and the paths.
void CloseOpenedList(OpenedList* list);

// Reads the file at `path` (see ReadListFile) and indexes it. Returns false,
// with the reason in files->Error and nothing held, when it cannot; for a
// file larger than `maxSize`, index->File.Size then tells its size.
bool ReadListIndex(ListFiles* files, const char* path, std::uint64_t maxSize, ListIndex* index);

#endif  // ZELQ_CHANNEL_LIST_LIST_OPEN_H
