// What an edit does to the rows, and how a command that edits runs.
//
// An edit changes only the lines it names. Every other line stays byte for
// byte where it is (unreadable lines, blank lines and lines not in canonical
// form included); `normalise` is the command that does what the plug-in's
// start does. One rule keeps the rows what the command says: a later line of
// a channel stays only while the channel's row still comes before it, since
// otherwise the plug-in would show that older line in the row's place.
//
// A command that edits is a struct of its own: what it was given, and what
// its plan makes of that. Two functions over it, found by its type, are the
// command's part, and RunEdit does the rest:
//   bool PlanEdit(const EditSession&, Command&, EditPlan*, std::string* error)
//     decides what changes (false with a message when it cannot);
//   void DescribeEdit(const EditSession&, const EditPlan&, const Command&, std::ostream&)
//     tells what the edit did (for a dry run, what it would do), a line each.
#ifndef ZELQ_TOOLS_ZELQ_LIST_EDIT_PLAN_H
#define ZELQ_TOOLS_ZELQ_LIST_EDIT_PLAN_H

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "edit_report.h"
#include "edit_session.h"
#include "messages.h"
#include "zelq_list.h"

constexpr std::uint32_t kNoRow = 0xFFFFFFFFu;
constexpr std::uint32_t kNoLine = 0xFFFFFFFFu;
constexpr std::uint32_t kNoSource = 0xFFFFFFFFu;
// The old row's own line with its flag cleared, or set to 1: made as it is
// written, so that an edit of every row's flag holds no new line for each.
constexpr std::uint32_t kOwnLineFlagOff = 0xFFFFFFFDu;
constexpr std::uint32_t kOwnLineFlagOn = 0xFFFFFFFEu;

// What stands in one place of the edited list.
struct PlannedRow {
    std::uint32_t OldRow = kNoRow;     // the list's row that goes here (its line, unless NewLine)
    std::uint32_t NewLine = kNoLine;   // written here instead: a line of the plan's (AddLine), or
                                       // kOwnLineFlagOff / kOwnLineFlagOn
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
    // The new lines, CR LF included, one after another in blocks of 64 KiB
    // (a line longer than that in a block of its own): an edit that adds a
    // whole list's rows holds no string for each, and never copies them as
    // they grow. A line is known by its block and where it begins in it,
    // and ends at its LF.
    std::vector<std::string> LineBlocks;
    std::vector<std::string> SourceFiles;
    std::vector<RowSource> Sources;

    // Adds the line of a channel with the given flag and name (of any
    // length), formatted in place; returns the line.
    std::uint32_t AddLine(std::uint8_t flag, const std::uint8_t code[6], std::string_view name);
    // A line added.
    std::string_view Line(std::uint32_t line) const;
    // Adds where a row came from; returns its index.
    std::uint32_t AddSource(std::uint32_t file, std::uint32_t line);
};

// The room FormatLineWithName needs for the line of a channel with a name of
// `nameLength` bytes.
std::size_t LineSizeFor(std::size_t nameLength);

// What a planned row's new line reads (NewLine other than kNoLine), as far as
// a message shows it (ShownLine).
std::string NewLineText(const EditSession& session, const EditPlan& plan, const PlannedRow& planned);

// Writes the list as the plan changes it (a dry run only compares it), and
// gives the later lines of a channel the edit had to remove.
EditOutcome WriteEdit(EditSession& session, const EditPlan& plan, std::vector<std::uint32_t>* removed);

// Tells each of those later lines.
void DescribeRemoved(const EditSession& session, const std::vector<std::uint32_t>& removed, std::ostream& out);

// Tells each row the plan writes anew in its place, in order: "VERB row
// R AFTER: OLD LINE -> NEW LINE".
void DescribeRewrittenRows(const EditSession& session, const EditPlan& plan, const char* verb, const char* after,
                           std::ostream& out);

// Reads the list under its lock, plans the edit, writes the result (a dry
// run writes nothing) and tells what was done; returns the exit code.
template <typename Command>
int RunEdit(const ListOptions& options, bool createsList, Command&& command, std::ostream& out, std::ostream& err) {
    EditSession session;
    int status = OpenEdit(options, createsList, &session, err);
    if (status != kExitOk) return status;
    EditPlan plan;  // every row in its place, until the command changes that
    plan.AtPlace.resize(session.List.Index.RowCount);
    for (std::uint32_t row = 0; row < plan.AtPlace.size(); ++row) plan.AtPlace[row].OldRow = row;
    std::string error;
    if (!PlanEdit(session, command, &plan, &error)) {
        ReportError(err, error);
        status = kExitError;
    } else {
        std::vector<std::uint32_t> removed;
        const EditOutcome outcome = WriteEdit(session, plan, &removed);
        const auto describe = [&](std::ostream& to) {
            DescribeEdit(session, plan, command, to);
            DescribeRemoved(session, removed, to);
        };
        status = ReportEdit(session, outcome, describe, out, err);
    }
    CloseOpenedList(&session.List);
    return status;
}

#endif  // ZELQ_TOOLS_ZELQ_LIST_EDIT_PLAN_H
