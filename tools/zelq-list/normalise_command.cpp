// normalise: the list written as the plug-in's start writes it, through the
// same core function.
#include <ostream>

#include "channel_list/normalise_list.h"
#include "edit_report.h"
#include "edit_session.h"
#include "findings.h"
#include "messages.h"
#include "zelq_list.h"

int NormaliseListFile(const ListOptions& options, std::ostream& out, std::ostream& err) {
    EditSession session;
    const int status = OpenEdit(options, false, &session, err);
    if (status != kExitOk) return status;
    EditOutcome outcome{true, kRewriteUnchanged, session.List.Index.RowCount};
    if (NormalisedListDiffers(session.List.Index)) {
        outcome.Result = options.DryRun ? kRewriteWritten
                                        : RewriteNormalisedList(&session.List.Files, session.List.Index);
    }
    // The findings that the normalised list changes, one line each.
    const auto describe = [&](std::ostream& to) {
        FindListChanges(session.List.Index, session.Page, [&](const Finding& finding) {
            if (FindingChangesList(finding)) to << At(options.ListPath, finding.Line) << finding.Text << '\n';
        });
    };
    const int reported = ReportEdit(session, outcome, describe, out, err);
    CloseOpenedList(&session.List);
    return reported;
}
