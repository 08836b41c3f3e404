// check: every line the plug-in ignores, drops or changes at its next start.
#include <ostream>

#include "channel_list/list_rows.h"
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
    for (const Finding& finding : findings) {
        out << options.ListPath << ':' << finding.Line << ": " << finding.Text << '\n';
    }
    // Whether the next start writes the list is the core's own answer, from
    // the very content it would write (a file in which no line reads is never
    // written, blank lines or not).
    const bool rewrites = NextLoadWouldRewrite(model.File);
    out << options.ListPath << ": " << FindingsSummary(model, findings, rewrites) << '\n';
    FreeListModel(&model);
    out.flush();
    if (!out) {
        err << "zelq-list: cannot write the output\n";
        return kExitError;
    }
    return rewrites ? kExitFindings : kExitOk;
}
