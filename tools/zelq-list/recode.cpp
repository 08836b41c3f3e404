// recode utf-8: names a text editor saved as UTF-8 stored in the list's code
// page again, so that the plug-in shows them as they were typed.
#include <ostream>

#include "edit_plan.h"
#include "messages.h"
#include "name_text.h"
#include "row_text.h"
#include "typed_name.h"
#include "utf8_text.h"
#include "zelq_list.h"

namespace {

struct RecodeEdit {
    std::ostream& Err;  // where the names that cannot be stored are told, all but the last
};

bool PlanEdit(const EditSession& session, RecodeEdit& recode, EditPlan* plan, std::string* error) {
    const ListIndex& index = session.List.Index;
    std::vector<std::string> refused;
    for (std::size_t row = 0; row < index.RowCount; ++row) {
        const std::string whole = WholeRowName(index, row);
        if (!NameReadsAsUtf8(whole.data(), whole.size(), session.Page.Number)) continue;
        std::string name;
        std::string why;
        if (!ListName(whole, session.Page, &name, &why)) {
            refused.push_back(RowAt(session, row) + why);
            continue;
        }
        const IndexRow& fields = index.Rows[row];
        plan->AtPlace[row].NewLine = plan->AddLine(FormattedLine(fields.Flag, fields.Code, name));
    }
    if (refused.empty()) return true;
    for (std::size_t i = 0; i + 1 < refused.size(); ++i) ReportError(recode.Err, refused[i]);
    *error = refused.back() + "; " + std::to_string(refused.size()) + " name" + Plural(refused.size()) +
             " cannot be stored in code page " + std::to_string(session.Page.Number) + ", nothing was changed";
    return false;
}

void DescribeEdit(const EditSession& session, const EditPlan& plan, const RecodeEdit&, std::ostream& out) {
    DescribeRewrittenRows(session, plan, "recode", "", out);
}

}  // namespace

int RecodeNames(const ListOptions& options, const std::string& from, std::ostream& out, std::ostream& err) {
    const std::string encoding = LowerAscii(from);
    if (encoding != "utf-8" && encoding != "utf8") {
        ReportError(err, "recode: \"" + EscapeControls(from) + "\" is not an encoding recode knows (utf-8)");
        return kExitError;
    }
    return RunEdit(options, false, RecodeEdit{err}, out, err);
}
