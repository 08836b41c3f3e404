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
// The temporary file a rewrite writes before it replaces the list,
// "~ChannelList.tm", beside the file the list really is (a symbolic link
// followed). One name per list: only the holder of the list's lock writes
// one, so a writer that finds it takes it for what a stopped writer left
// behind, and removes it.
#ifndef ZELQ_CHANNEL_LIST_SIDE_PATHS_H
#define ZELQ_CHANNEL_LIST_SIDE_PATHS_H

enum SideFile { kSideLock, kSideTemp };

// The path of the side file of the list at `listPath`, as a new string for
// std::free. Null, with the reason in g_LastFileError, when the path names no
// file (it ends in a separator: kFileErrorIsFolder) or memory runs out.
char* NewSidePath(const char* listPath, SideFile which);

// The file the list at `listPath` really is, and its temporary file beside
// it, as new strings for std::free. False, with the reason in g_LastFileError
// and nothing allocated, when they cannot be told.
bool ResolveListPaths(const char* listPath, char** realPath, char** tempPath);

#endif  // ZELQ_CHANNEL_LIST_SIDE_PATHS_H
