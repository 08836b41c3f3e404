// Changing the list: the lock, the read, the new content and the one safe
// rewrite, shared by every command that edits.
//
// An edit changes only the lines it names. Every other line stays byte for
// byte where it is (unreadable lines, blank lines and lines not in canonical
// form included); `normalise` is the command that does what the plug-in's
// start does. One rule keeps the rows what the command says: a later line of
// a channel stays only while the channel's row still comes before it, since
// otherwise the plug-in would show that older line in the row's place.
//
// A command that edits is two plain functions over the list as read: one
// plans the edit, the other tells what the edit did once it is made (or, for
// a dry run, what it would do). RunEdit does the rest.
#ifndef ZELQ_TOOLS_ZELQ_LIST_EDIT_SESSION_H
#define ZELQ_TOOLS_ZELQ_LIST_EDIT_SESSION_H

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "channel_list/list_index.h"
#include "channel_list/list_lock.h"
#include "channel_list/list_rewrite.h"
#include "code_page.h"
#include "zelq_list.h"

constexpr std::uint32_t kNoRow = 0xFFFFFFFFu;
constexpr std::uint32_t kNoLine = 0xFFFFFFFFu;
constexpr std::uint32_t kNoSource = 0xFFFFFFFFu;

// What stands in one place of the edited list.
struct PlannedRow {
    std::uint32_t OldRow = kNoRow;     // the list's row that goes here (its line, unless NewLine)
    std::uint32_t NewLine = kNoLine;   // a line of the plan's Lines written here instead
    std::uint32_t Source = kNoSource;  // where it came from: one of the plan's Sources
    bool Empty() const { return OldRow == kNoRow && NewLine == kNoLine; }
};

// A line of another file that a row came from.
struct RowSource {
    std::uint32_t File;  // one of the plan's SourceFiles
    std::uint32_t Line;
};

// What an edit does to the rows.
struct EditPlan {
    std::vector<PlannedRow> AtPlace;  // one for each row's place in the list, in order
    std::vector<PlannedRow> Added;    // rows after the last line of the list
    // The new lines, CR LF included, one after another in one buffer (an
    // edit that adds a whole list's rows holds no string for each).
    std::string LineBytes;
    std::vector<std::uint32_t> LineStarts;
    std::vector<std::string> SourceFiles;
    std::vector<RowSource> Sources;

    // Adds a new line; returns its index.
    std::uint32_t AddLine(const std::string& line);
    // A new line.
    std::string_view Line(std::uint32_t index) const;
    // Adds where a row came from; returns its index.
    std::uint32_t AddSource(std::uint32_t file, std::uint32_t line);
};

// An edit in progress: the list read under its lock (no lock for a dry run).
struct EditSession {
    ListOptions Options;
    CodePage Page;
    ListIndex Index;
    std::vector<std::uint32_t> LineNumbers;  // of each entry of the index
    ListLock Lock;
    bool Locked;
};

// A command that edits: `Plan` decides what changes (false with a message
// when it cannot), `Describe` tells what the edit did, one line each. Both
// get the command's own arguments, `Input`.
struct EditCommand {
    bool (*Plan)(const EditSession& session, const void* input, EditPlan* plan, std::string* error);
    void (*Describe)(const EditSession& session, const EditPlan& plan, const void* input, std::ostream& out);
    const void* Input;
};

// Reads the list under its lock, plans the edit, writes the result (a dry
// run writes nothing) and tells what was done; returns the exit code. A
// list that does not exist is an error unless `createsList`, when it is an
// empty list the edit makes.
int RunEdit(const ListOptions& options, bool createsList, const EditCommand& command, std::ostream& out,
            std::ostream& err);

// Loads the code page and opens the list as every writer does
// (OpenListToChange: the lock, a list left under the backup name put back,
// what an earlier writer left beside it removed, the read); a dry run only
// reads it. Returns kExitOk, or kExitError after writing the error.
int OpenEdit(const ListOptions& options, bool createsList, EditSession* session, std::ostream& err);

// Releases the lock and the list.
void CloseEdit(EditSession* session);

// Writes out the outcome of a rewrite; returns the exit code. Once the list
// is written, `describe` (when given) tells what was done, before the last
// line. A failure after the write (the output cannot be written, memory runs
// out) is told as one that left the change made: kExitChangedUnreported.
int ReportRewrite(const EditSession& session, RewriteResult result, std::size_t rows,
                  void (*describe)(const void* context, std::ostream& out), const void* context, std::ostream& out,
                  std::ostream& err);

// Tells each row the plan writes anew in its place, in order: "VERB row
// R AFTER: OLD LINE -> NEW LINE".
void DescribeRewrittenRows(const EditSession& session, const EditPlan& plan, const std::string& verb,
                           const std::string& after, std::ostream& out);

// The message prefix for a line of a file: "PATH:LINE: ".
std::string At(const std::string& path, std::size_t line);

// The message prefix for a row's line of the list.
std::string RowAt(const EditSession& session, std::size_t row);

// The line of a row as the terminal shows it.
std::string ShownRowLine(const EditSession& session, std::size_t row);

// The line of text a row stands on.
std::size_t RowLineNumber(const EditSession& session, std::size_t row);

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

// The same check, with only why the name is refused ("is empty, and ..."),
// for a caller that quotes the name its own way.
bool CheckListName(const std::string& typed, const CodePage& page, std::string* name, std::string* why);

// The line a row gets with the given flag and name.
std::string FormattedLine(std::uint8_t flag, const std::uint8_t code[6], const std::string& name);

// A row's whole name as the list holds it.
std::string WholeRowName(const ListIndex& index, std::size_t row);

#endif  // ZELQ_TOOLS_ZELQ_LIST_EDIT_SESSION_H
