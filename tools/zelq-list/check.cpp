// check: every line the plug-in ignores, drops or changes at its next start.
#include <ostream>

#include "channel_list/normalise_list.h"
#include "code_page.h"
#include "findings.h"
#include "read_list.h"
#include "zelq_list.h"

namespace {

// The files a change of the list stopped before its end leaves beside it:
// the next change removes them, or puts the list back from its backup.
void MentionLeftovers(const ListPaths& paths, std::ostream& out) {
    if (ListFiles().Is(paths.Temp, kPathFile)) {
        out << paths.Temp << ": left by a change of the list that was stopped before its end; the next change removes it\n";
    }
    if (ListFiles().Is(paths.Backup, kPathFile)) {
        out << paths.Backup << ": the list before a change that was stopped before its end; the next change removes it\n";
    }
}

}  // namespace

int CheckList(const ListOptions& options, std::ostream& out, std::ostream& err) {
    CodePage page;
    OpenedList list;
    const int status = ReadListForCommand(options, &page, &list, err);
    const ListIndex& index = list.Index;
    if (status == kExitOk) {
        const FindingCounts counts = FindListChanges(index, LineNumbers(index), page, [&](const Finding& finding) {
            out << options.ListPath << ':' << finding.Line << ": " << finding.Text << '\n';
        });
        MentionLeftovers(list.Files.Paths, out);
        // Whether the next start writes the list is the core's own answer,
        // from the very content it would write.
        const bool rewrites = NormalisedListDiffers(index);
        out << options.ListPath << ": " << FindingsSummary(index, counts, rewrites) << '\n';
        CloseOpenedList(&list);
        return rewrites || counts.Of[kFindingUtf8Name] > 0 ? kExitFindings : kExitOk;
    }
    CloseOpenedList(&list);
    return status;
}
