// What the plug-in's next start does with each line of a list: the lines it
// ignores, drops, rewrites or shows cut, and the blank lines it removes; and
// names stored as UTF-8, which it shows garbled.
#ifndef ZELQ_TOOLS_ZELQ_LIST_FINDINGS_H
#define ZELQ_TOOLS_ZELQ_LIST_FINDINGS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "channel_list/list_index.h"
#include "code_page.h"

enum FindingKind {
    kFindingUnreadable,  // ignored, kept byte for byte
    kFindingDuplicate,   // dropped
    kFindingRewritten,   // written again in canonical form
    kFindingLongName,    // shown cut, kept byte for byte
    kFindingBlank,       // blank lines, removed
    kFindingUtf8Name,    // a name in UTF-8, shown garbled
    kFindingKinds,
};

struct Finding {
    FindingKind Kind;
    std::size_t Line;  // the line of text, counting from 1
    std::string Text;  // what happens to it and why
};

// Counts of the findings of each kind (blank lines counted one by one).
struct FindingCounts {
    std::size_t Of[kFindingKinds] = {};
};

// Calls `found` for every finding, in file order, one at a time (a large
// list's findings are never all held at once); returns their counts. It
// holds the line number of each row (for the duplicates it finds), and no
// more: a name is read only as far as a finding shows it.
FindingCounts FindListChanges(const ListIndex& index, const CodePage& page,
                              const std::function<void(const Finding&)>& found);

// Whether the finding means the next start writes the list differently.
bool FindingChangesList(const Finding& finding);

// "12 rows from 14 lines; 1 duplicate dropped, ...; the plug-in's next start
// rewrites the list" (without the path).
std::string FindingsSummary(const ListIndex& index, const FindingCounts& counts, bool rewrites);

#endif  // ZELQ_TOOLS_ZELQ_LIST_FINDINGS_H
