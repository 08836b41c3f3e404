// check: every line the plug-in ignores, drops or changes at its next start.
#include <ostream>

#include "channel_list/normalise_list.h"
#include "channel_list/side_paths.h"
#include "code_page.h"
#include "findings.h"
#include "read_list.h"
#include "zelq_list.h"

namespace {

// The files a change of the list stopped before its end leaves beside it:
// the next change removes them, or puts the list back from its backup.
void MentionLeftovers(const std::string& path, std::ostream& out) {
    ListPaths paths;
    if (!ResolveListPaths(path.c_str(), &paths)) return;
    PathKind kind;
    if (g_ListFileOps.Probe(paths.Temp, &kind) && kind == kPathFile) {
        out << paths.Temp << ": left by a change of the list that was stopped before its end; the next change removes it\n";
    }
    if (g_ListFileOps.Probe(paths.Backup, &kind) && kind == kPathFile) {
        out << paths.Backup << ": the list before a change that was stopped before its end; the next change removes it\n";
    }
    FreeListPaths(&paths);
}

}  // namespace

int CheckList(const ListOptions& options, std::ostream& out, std::ostream& err) {
    CodePage page;
    ListIndex index;
    if (ReadListForCommand(options, &page, &index, err) != kExitOk) return kExitError;
    const FindingCounts counts = FindListChanges(index, page, [&](const Finding& finding) {
        out << options.ListPath << ':' << finding.Line << ": " << finding.Text << '\n';
    });
    MentionLeftovers(options.ListPath, out);
    // Whether the next start writes the list is the core's own answer, from
    // the very content it would write.
    const bool rewrites = NormalisedListDiffers(index);
    out << options.ListPath << ": " << FindingsSummary(index, counts, rewrites) << '\n';
    FreeListIndex(&index);
    return rewrites || counts.Of[kFindingUtf8Name] > 0 ? kExitFindings : kExitOk;
}
