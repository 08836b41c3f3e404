// check: every line the plug-in ignores, drops or changes at its next start.
#include <ostream>

#include "channel_list/normalise_list.h"
#include "code_page.h"
#include "findings.h"
#include "read_list.h"
#include "zelq_list.h"

namespace {

// The files a change of the list stopped before its end leaves beside it,
// what each holds, and what the next start or change makes of it.
void MentionLeftovers(const OpenedList& list, std::ostream& out) {
    const ListPaths& paths = list.Files.Paths;
    const bool standsIn[] = {list.Source == kFromTemp, list.Source == kFromBackup, false};
    const char* const files[] = {paths.Temp, paths.Backup, paths.Aside};
    static const char* const kLeftovers[][2] = {
        {"left by a change of the list that was stopped before its end; the next change removes it",
         "the new list of a change that could not give it the list's name, and the only copy of the list: the next "
         "start or change puts it in the list's place; do not delete it"},
        {"the list before a change that did not finish; the list is whole, and the next change removes this",
         "the list before a change that did not finish, and the list while the list is missing or damaged: the "
         "next start or change puts it back in its place; do not delete it"},
        {"a damaged list that its backup replaced, set aside: it is not the list; look at it, and delete it once "
         "it holds nothing you need",
         ""},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        if (ListFiles().Is(files[i], kPathFile)) out << files[i] << ": " << kLeftovers[i][standsIn[i]] << '\n';
    }
}

}  // namespace

int CheckList(const ListOptions& options, std::ostream& out, std::ostream& err) {
    CodePage page;
    OpenedList list;
    const int status = ReadListForCommand(options, &page, &list, err);
    const ListIndex& index = list.Index;
    if (status == kExitOk) {
        const FindingCounts counts = FindListChanges(index, page, [&](const Finding& finding) {
            out << options.ListPath << ':' << finding.Line << ": " << finding.Text << '\n';
        });
        MentionLeftovers(list, out);
        // Whether the next start writes the list is the core's own answer,
        // from the very content it would write.
        const bool rewrites = NormalisedListDiffers(index);
        out << options.ListPath << ": " << FindingsSummary(index, counts, rewrites) << '\n';
        // A copy that stands for the list is put in its place at the next start.
        const bool putBack = list.Source != kFromList;
        CloseOpenedList(&list);
        return rewrites || putBack || counts.Of[kFindingUtf8Name] > 0 ? kExitFindings : kExitOk;
    }
    CloseOpenedList(&list);
    return status;
}
