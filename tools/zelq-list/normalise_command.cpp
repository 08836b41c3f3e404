// normalise: the list written as the plug-in's start writes it, through the
// same core function.
#include <ostream>

#include "channel_list/normalise_list.h"
#include "edit_session.h"
#include "findings.h"
#include "row_text.h"
#include "zelq_list.h"

namespace {

// The findings that the normalised list changes, one line each.
void DescribeNormalising(const EditSession& session, std::ostream& out) {
    FindListChanges(session.Index, session.LineNumbers, session.Page, [&](const Finding& finding) {
        if (FindingChangesList(finding)) out << At(session.Options.ListPath, finding.Line) << finding.Text << '\n';
    });
}

}  // namespace

int NormaliseListFile(const ListOptions& options, std::ostream& out, std::ostream& err) {
    EditSession session;
    int status = OpenEdit(options, false, &session, err);
    if (status != kExitOk) return status;
    const std::string& path = options.ListPath;
    const std::size_t rows = session.Index.RowCount;
    if (!NormalisedListDiffers(session.Index)) {
        out << path << ": nothing to change\n";
    } else if (options.DryRun) {
        DescribeNormalising(session, out);
        out << path << ": would write " << rows << " row" << Plural(rows) << "; dry run, nothing written\n";
    } else {
        const RewriteResult result = RewriteNormalisedList(path.c_str(), session.Index);
        const auto describe = [](const void* context, std::ostream& to) {
            DescribeNormalising(*static_cast<const EditSession*>(context), to);
        };
        status = ReportRewrite(session, result, rows, describe, &session, out, err);
    }
    CloseEdit(&session);
    return status;
}
