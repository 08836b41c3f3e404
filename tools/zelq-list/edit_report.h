// Telling what an edit came to, the same way for every command that writes
// the list: what it changed, a line each, then its last line ("wrote N rows";
// for a dry run "would write N rows"), or why the list was not written.
#ifndef ZELQ_TOOLS_ZELQ_LIST_EDIT_REPORT_H
#define ZELQ_TOOLS_ZELQ_LIST_EDIT_REPORT_H

#include <cstddef>
#include <new>
#include <ostream>
#include <string>

#include "channel_list/list_rewrite.h"
#include "edit_session.h"
#include "program_output.h"

struct EditOutcome {
    bool Begun;            // the rewrite could be begun (a dry run's comparison always is)
    RewriteResult Result;  // for a dry run: kRewriteWritten when it would write, else kRewriteUnchanged
    std::size_t Rows;      // the rows of the new list
};

// The last line of an edit that was written: "PATH: wrote N rows".
std::string WrittenLine(const EditSession& session, const EditOutcome& outcome);

// The last line, or the error; returns the exit code.
int ReportEditEnd(const EditSession& session, const EditOutcome& outcome, std::ostream& out, std::ostream& err);

// Tells the outcome; returns the exit code. When the edit changed the list
// (or a dry run would), `describe(out)` first tells what changed. Once the
// list is written, a failure to tell it (the output cannot be written, memory
// runs out) is told as one that left the change made: kExitChangedUnreported.
template <typename Describe>
int ReportEdit(const EditSession& session, const EditOutcome& outcome, const Describe& describe, std::ostream& out,
               std::ostream& err) {
    const bool changed = outcome.Begun && outcome.Result == kRewriteWritten;
    try {
        if (changed) describe(out);
        return ReportEditEnd(session, outcome, out, err);
    } catch (const std::bad_alloc&) {
        if (!changed || session.Options.DryRun) throw;
        return ReportChangeUntold(err, "not enough memory to tell all that was done", WrittenLine(session, outcome));
    }
}

#endif  // ZELQ_TOOLS_ZELQ_LIST_EDIT_REPORT_H
