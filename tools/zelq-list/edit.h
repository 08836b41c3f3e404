// Changing the list: the lock, the read, the new content and the one safe
// rewrite, shared by every command that edits.
//
// An edit changes only the lines it names. Every other line stays byte for
// byte where it is (unreadable lines, blank lines and lines not in canonical
// form included); `normalise` is the command that does what the plug-in's
// start does. One rule keeps the rows what the command says: a later line of
// a channel stays only while the channel's row still comes before it, since
// otherwise the plug-in would show that older line in the row's place.
#ifndef ZELQ_TOOLS_ZELQ_LIST_EDIT_H
#define ZELQ_TOOLS_ZELQ_LIST_EDIT_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "channel_list/list_file.h"
#include "code_page.h"
#include "list_model.h"
#include "zelq_list.h"

constexpr std::uint32_t kNoRow = 0xFFFFFFFFu;
constexpr std::uint32_t kNoLine = 0xFFFFFFFFu;

// What stands in one place of the edited list.
struct PlannedRow {
    std::uint32_t OldRow = kNoRow;   // the list's row that goes here (its line, unless NewLine)
    std::uint32_t NewLine = kNoLine;  // a line of the plan's Lines written here instead
    bool Empty() const { return OldRow == kNoRow && NewLine == kNoLine; }
};

// What an edit does to the rows.
struct EditPlan {
    std::vector<PlannedRow> AtPlace;  // one for each row's place in the list, in order
    std::vector<PlannedRow> Added;    // rows after the last line of the list
    std::vector<std::string> Lines;   // new lines, CR LF included
    // Prints what the edit does, one line each (after it was written, or for
    // a dry run).
    std::function<void(std::ostream&)> Describe;

    // Adds a new line; returns its index.
    std::uint32_t AddLine(std::string line);
};

// An edit in progress: the list read under its lock (no lock for a dry run).
struct EditSession {
    ListOptions Options;
    CodePage Page;
    ListModel Model;
    ListLock Lock;
    bool Locked;
};

// Loads the code page, takes the lock (unless a dry run) and reads the list.
// A list that does not exist is an error unless `createsList`, when it is an
// empty list the edit makes. Returns kExitOk, or kExitError after writing the
// error.
int OpenEdit(const ListOptions& options, bool createsList, EditSession* session, std::ostream& err);

// Releases the lock and the list.
void CloseEdit(EditSession* session);

// A plan that keeps every row in its place.
EditPlan KeepAllRows(const ListModel& model);

// Writes the list as the plan changes it into `out` (a rewrite, or a
// comparison for a dry run). The later lines of a channel it had to remove
// go into `removed` (items).
void WriteEditedContent(const EditSession& session, const EditPlan& plan, ListRewrite* out,
                        std::vector<std::uint32_t>* removed);

// Writes the edited list (a dry run writes nothing) and prints what the plan
// does; returns the exit code.
int FinishEdit(EditSession* session, const EditPlan& plan, std::ostream& out, std::ostream& err);

// Writes out the outcome of a rewrite; returns the exit code.
int ReportRewrite(const EditSession& session, RewriteResult result, std::size_t rows, std::ostream& out,
                  std::ostream& err);

// Reads the list, lets `plan` decide what changes (false with a message
// when it cannot), and writes the result.
int RunEdit(const ListOptions& options, bool createsList, std::ostream& out, std::ostream& err,
            const std::function<bool(const EditSession&, EditPlan*, std::string*)>& plan);

// The message prefix for a line of a file: "PATH:LINE: ".
std::string At(const std::string& path, std::size_t line);

// The message prefix for a row's line of the list.
std::string RowAt(const EditSession& session, std::size_t row);

// The line of a row as the terminal shows it.
std::string ShownRowLine(const EditSession& session, std::size_t row);

// Parses a row number given on the command line (counting from 1) into a row
// index; false with a message when it is not a row of the list.
bool ParseRow(const std::string& text, std::size_t rowCount, std::size_t* row, std::string* error);

// Parses rows given as numbers and ranges, "2-5,9", into the set of row
// indexes (true in `rows`, which gets one entry per row of the list).
// Overlaps are fine; a backwards range or a row out of range is an error.
bool ParseRows(const std::string& text, std::size_t rowCount, std::vector<bool>* rows, std::string* error);

// A name typed in UTF-8 as the list stores it: in the code page, and reading
// back as itself (1 to 30 bytes, no "]", no control characters, not blank).
// False with a message saying why not.
bool ListName(const std::string& typed, const CodePage& page, std::string* name, std::string* error);

// The line a row gets with the given flag and name.
std::string FormattedLine(std::uint8_t flag, const std::uint8_t code[6], const std::string& name);

#endif  // ZELQ_TOOLS_ZELQ_LIST_EDIT_H
