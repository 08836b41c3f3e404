// recode utf-8: names a text editor saved as UTF-8 stored in the list's code
// page again, so that the plug-in shows them as they were typed.
#include <memory>
#include <ostream>

#include "edit.h"
#include "name_text.h"
#include "row_text.h"
#include "utf8_text.h"
#include "zelq_list.h"

int RecodeNames(const ListOptions& options, const std::string& from, std::ostream& out, std::ostream& err) {
    std::string encoding;
    for (const char c : from) encoding += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (encoding != "utf-8" && encoding != "utf8") {
        err << "zelq-list: recode: \"" << EscapeControls(from) << "\" is not an encoding recode knows (utf-8)\n";
        return kExitError;
    }
    return RunEdit(options, false, out, err, [&](const EditSession& session, EditPlan* plan, std::string* error) {
        auto recoded = std::make_shared<std::vector<std::uint32_t>>();
        std::vector<std::string> refused;
        for (std::size_t row = 0; row < session.Model.RowCount(); ++row) {
            const ListLine line = RowLine(session.Model, row);
            if (!NameReadsAsUtf8(line.Name, line.NameLength)) continue;
            std::string name;
            std::string why;
            if (!ListName(std::string(line.Name, line.NameLength), session.Page, &name, &why)) {
                refused.push_back(At(options.ListPath, line.LineNumber) + why);
                continue;
            }
            plan->AtPlace[row].NewLine = plan->AddLine(FormattedLine(line.Entry.Flag, line.Entry.Code, name));
            recoded->push_back(static_cast<std::uint32_t>(row));
        }
        if (!refused.empty()) {
            for (std::size_t i = 0; i + 1 < refused.size(); ++i) err << "zelq-list: " << refused[i] << '\n';
            *error = refused.back() + "; " + std::to_string(refused.size()) + " name" + Plural(refused.size()) +
                     " cannot be stored in code page " + std::to_string(session.Page.Number) + ", nothing was changed";
            return false;
        }
        plan->Describe = [&session, plan, recoded](std::ostream& out) {
            for (const std::uint32_t row : *recoded) {
                const std::string& text = plan->Lines[plan->AtPlace[row].NewLine];
                out << RowAt(session, row)
                    << "recode row " << row + 1 << ": " << ShownRowLine(session, row) << " -> "
                    << ShownText(session.Page, text) << '\n';
            }
        };
        return true;
    });
}
