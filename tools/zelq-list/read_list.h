// Reading a list for a command: the core's index of it (the very reading of
// the plug-in's start), with the messages a user reads when it cannot be read.
#ifndef ZELQ_TOOLS_ZELQ_LIST_READ_LIST_H
#define ZELQ_TOOLS_ZELQ_LIST_READ_LIST_H

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "channel_list/list_open.h"
#include "code_page.h"
#include "zelq_list.h"

// The largest list this build of the program reads. A 32-bit program has
// room for a smaller list than the plug-in's core accepts.
std::uint64_t MaxListSize();

// Why a file could not be read (`error`); for a file too large, its `size`
// and the `limit`: "PATH is SIZE; zelq-list WHAT of at most LIMIT".
std::string ReadFailure(const std::string& path, std::uint64_t size, const FileError& error, const char* what,
                        std::uint64_t limit);

// Reads and indexes the list at `path`, up to MaxListSize() bytes. Returns
// false with a one-line message when it cannot be read.
bool ReadList(const std::string& path, ListIndex* index, std::string* error);

// What a command that only reads the list needs: the code page and the list
// as a writer would find it (OpenListToLook). Returns kExitOk, or kExitError
// after writing the error; CloseOpenedList releases the list either way.
int ReadListForCommand(const ListOptions& options, CodePage* page, OpenedList* list, std::ostream& err);

// The line of text each row of the index stands on (see NumberIndexRows).
std::vector<std::uint32_t> RowLineNumbers(const ListIndex& index);

// Whether two paths name the same existing file (also through a link, or
// written differently).
bool SameFile(const std::string& a, const std::string& b);

#endif  // ZELQ_TOOLS_ZELQ_LIST_READ_LIST_H
