// An edit of the list in progress: the list read under its lock, as every
// writer reads it (a dry run only reads it), and where each of its rows
// stands, for what the edit tells.
#ifndef ZELQ_TOOLS_ZELQ_LIST_EDIT_SESSION_H
#define ZELQ_TOOLS_ZELQ_LIST_EDIT_SESSION_H

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "channel_list/list_open.h"
#include "code_page.h"
#include "zelq_list.h"

struct EditSession {
    ListOptions Options;
    CodePage Page;
    OpenedList List;                         // its lock (none for a dry run) and its index
    std::vector<std::uint32_t> RowLines;     // the line of text of each row
};

// Loads the code page and opens the list as every writer does
// (OpenListToChange: the lock, a list left under the backup name put back,
// what an earlier writer left beside it removed, the read); a dry run only
// reads it (OpenListToLook). A list that does not exist is an error unless
// `createsList`, when it is an empty list the edit makes. Returns kExitOk,
// or kExitError after writing the error.
int OpenEdit(const ListOptions& options, bool createsList, EditSession* session, std::ostream& err);

// The message prefix for a row's line of the list ("PATH:LINE: "), and that
// line as the terminal shows it.
std::string RowAt(const EditSession& session, std::size_t row);
std::string ShownRowLine(const EditSession& session, std::size_t row);

#endif  // ZELQ_TOOLS_ZELQ_LIST_EDIT_SESSION_H
