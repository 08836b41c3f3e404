// What the plug-in's next start does with each line of a list: the lines it
// ignores, drops, rewrites or shows cut, and the blank lines it removes.
#ifndef ZELQ_TOOLS_ZELQ_LIST_FINDINGS_H
#define ZELQ_TOOLS_ZELQ_LIST_FINDINGS_H

#include <cstddef>
#include <string>
#include <vector>

#include "code_page.h"
#include "list_model.h"

enum FindingKind {
    kFindingUnreadable,  // ignored, kept byte for byte
    kFindingDuplicate,   // dropped
    kFindingRewritten,   // written again in canonical form
    kFindingLongName,    // shown cut, kept byte for byte
    kFindingBlank,       // blank lines, removed
};

struct Finding {
    FindingKind Kind;
    std::size_t Line;  // the line of text, counting from 1
    std::size_t Count; // blank lines: how many
    std::string Text;  // what happens to it and why
};

// Every finding, in file order.
std::vector<Finding> FindListChanges(const ListModel& model, const CodePage& page);

// Whether the finding means the next start writes the list differently.
bool FindingChangesList(const Finding& finding);

// "12 rows from 14 lines; 1 duplicate dropped, ...; the plug-in's next start
// rewrites the list" (without the path).
std::string FindingsSummary(const ListModel& model, const std::vector<Finding>& findings, bool rewrites);

#endif  // ZELQ_TOOLS_ZELQ_LIST_FINDINGS_H
