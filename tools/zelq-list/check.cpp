// check: every line the plug-in ignores, drops or changes at its next start.
#include <ostream>

#include "code_page.h"
#include "findings.h"
#include "list_model.h"
#include "zelq_list.h"

int CheckList(const ListOptions& options, std::ostream& out, std::ostream& err) {
    CodePage page;
    std::string error;
    if (!LoadCodePage(options.CodePage, &page, &error)) {
        err << "zelq-list: " << error << '\n';
        return kExitError;
    }
    ListModel model;
    if (!ReadListModel(options.ListPath, &model, &error)) {
        err << "zelq-list: " << error << '\n';
        return kExitError;
    }
    const std::vector<Finding> findings = FindListChanges(model, page);
    bool changes = false;
    for (const Finding& finding : findings) {
        out << options.ListPath << ':' << finding.Line << ": " << finding.Text << '\n';
        changes = changes || FindingChangesList(finding);
    }
    out << options.ListPath << ": " << FindingsSummary(model, findings) << '\n';
    FreeListModel(&model);
    out.flush();
    if (!out) {
        err << "zelq-list: cannot write the output\n";
        return kExitError;
    }
    return changes ? kExitFindings : kExitOk;
}
