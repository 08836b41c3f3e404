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
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "channel_list/list_file.h"
#include "code_page.h"
#include "list_model.h"
#include "zelq_list.h"

constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

// What an edit does to the rows.
struct EditPlan {
    // The row that takes each row's place, by the rows' old numbers (from 0);
    // kNoRow where a row is removed.
    std::vector<std::size_t> RowAtPlace;
    std::map<std::size_t, std::string> NewLine;  // old row -> its new line, CR LF included
    std::vector<std::string> Added;              // lines added after the last line
    std::vector<std::string> Messages;           // what the edit does, one line each
};

// An edit in progress: the list read under its lock (no lock for a dry run).
struct EditSession {
    ListOptions Options;
    bool DryRun;
    CodePage Page;
    ListModel Model;
    ListLock Lock;
    bool Locked;
};

// Loads the code page, takes the lock (unless a dry run) and reads the list.
// Returns kExitOk, or kExitError after writing the error.
int OpenEdit(const ListOptions& options, bool dryRun, EditSession* session, std::ostream& err);

// Releases the lock and the list.
void CloseEdit(EditSession* session);

// A plan that keeps every row in its place.
EditPlan KeepAllRows(const ListModel& model);

// Writes the list as the plan changes it into `out` (a rewrite, or a
// comparison for a dry run); the plan's messages gain one for every later
// line of a channel the edit removes.
void WriteEditedContent(const EditSession& session, EditPlan* plan, ListRewrite* out);

// Writes the edited list (a dry run writes nothing) and prints the plan's
// messages; returns the exit code.
int FinishEdit(EditSession* session, EditPlan* plan, std::ostream& out, std::ostream& err);

// Writes out the outcome of a rewrite; returns the exit code.
int ReportRewrite(const EditSession& session, RewriteResult result, std::size_t rows, std::ostream& out,
                  std::ostream& err);

// The message prefix for a line of the list: "PATH:LINE: ".
std::string At(const std::string& path, std::size_t line);

// The line of a row as the terminal shows it.
std::string ShownRowLine(const EditSession& session, std::size_t row);

// Parses a row number given on the command line (counting from 1) into a row
// index; false with a message when it is not a row of the list.
bool ParseRow(const std::string& text, std::size_t rowCount, std::size_t* row, std::string* error);

#endif  // ZELQ_TOOLS_ZELQ_LIST_EDIT_H
