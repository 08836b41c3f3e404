// recode utf-8: names a text editor saved as UTF-8 stored in the list's code
// page again, so that the plug-in shows them as they were typed.
#include <ostream>

#include "channel_list/list_line.h"
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

// The name a row's name in UTF-8 is stored as; false with the message for
// the row when it cannot be stored.
bool RecodedName(const EditSession& session, std::size_t row, std::string* name, std::string* refusal) {
    const ListIndex& index = session.List.Index;
    const char* const whole = RowName(index, row);
    const std::size_t length = RowNameLength(index, row);
    // Every character takes a byte in the code page at least: a longer name
    // is refused before it is decoded (a name may be as long as the list).
    const std::size_t characters = CountUtf8Characters(whole, length);
    if (characters > kMaxNameLength) {
        *refusal = RowAt(session, row) + "the name \"" + CutText(std::string_view(whole, length), 60) + "\" has " +
                   std::to_string(characters) + " characters, and a name in the list holds at most 30 bytes";
        return false;
    }
    std::string why;
    if (!ListName(std::string(whole, length), session.Page, name, &why)) {
        *refusal = RowAt(session, row) + why;
        return false;
    }
    return true;
}

bool PlanEdit(const EditSession& session, RecodeEdit& recode, EditPlan* plan, std::string* error) {
    const ListIndex& index = session.List.Index;
    std::vector<std::string> refused;
    std::string name;
    std::string refusal;
    for (std::size_t row = 0; row < index.RowCount; ++row) {
        if (!NameReadsAsUtf8(RowName(index, row), RowNameLength(index, row), session.Page.Number)) continue;
        if (!RecodedName(session, row, &name, &refusal)) {
            refused.push_back(refusal);
            continue;
        }
        const IndexRow& fields = index.Rows[row];
        plan->AtPlace[row].NewLine = plan->AddLine(fields.Flag, fields.Code, name);
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
