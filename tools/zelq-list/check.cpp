// check: every line the plug-in ignores, drops or changes at its next start.
#include <cstdlib>
#include <cstring>
#include <ostream>

#include "channel_list/list_file.h"
#include "channel_list/list_rows.h"
#include "code_page.h"
#include "findings.h"
#include "list_model.h"
#include "zelq_list.h"

namespace {

// A temporary file of this list's name is what a writer stopped before its
// end left behind; the next writer removes it.
void MentionLeftovers(const std::string& path, std::ostream& out) {
    char* real = nullptr;
    if (!g_ListFileOps.Resolve(path.c_str(), &real)) return;
    std::string temp(std::strlen(real) + 16, '\0');
    PathKind kind;
    if (ListTempPath(real, &temp[0], temp.size()) && g_ListFileOps.Probe(temp.c_str(), &kind) &&
        kind == kPathFile) {
        temp.resize(std::strlen(temp.c_str()));
        out << temp << ": left by a change of the list that was stopped before its end; the next change removes it\n";
    }
    std::free(real);
}

}  // namespace

int CheckList(const ListOptions& options, std::ostream& out, std::ostream& err) {
    CodePage page;
    std::string error;
    if (!LoadCodePage(options.CodePage, &page, &error)) {
        err << "zelq-list: " << error << '\n';
        return kExitError;
    }
    ListModel model;
    if (!ReadListModel(options.ListPath, false, &model, &error)) {
        err << "zelq-list: " << error << '\n';
        return kExitError;
    }
    const FindingCounts counts = FindListChanges(model, page, [&](const Finding& finding) {
        out << options.ListPath << ':' << finding.Line << ": " << finding.Text << '\n';
    });
    MentionLeftovers(options.ListPath, out);
    // Whether the next start writes the list is the core's own answer, from
    // the very content it would write (a file in which no line reads is never
    // written, blank lines or not).
    const bool rewrites = NextLoadWouldRewrite(model.File);
    out << options.ListPath << ": " << FindingsSummary(model, counts, rewrites) << '\n';
    FreeListModel(&model);
    return rewrites || counts.Of[kFindingUtf8Name] > 0 ? kExitFindings : kExitOk;
}
