// merge: the channels of other lists that the list does not show, added after
// its last line in their order. Each list is read as the plug-in reads it, so
// a channel comes from its first line there, and from the first list that
// holds it.
#include <algorithm>
#include <ostream>

#include "edit_plan.h"
#include "read_list.h"
#include "row_text.h"
#include "zelq_list.h"

namespace {

struct MergeEdit {
    const std::vector<std::string>& Files;
};

bool PlanEdit(const EditSession& session, MergeEdit& merge, EditPlan* plan, std::string* error) {
    // The other lists are read one at a time, each into an index of its own,
    // whose rows are its channels' first lines. The channels the list shows
    // are found through its own index, and those added from the lists before
    // in a sorted array of their keys.
    std::vector<std::uint32_t> added;
    for (const std::string& file : merge.Files) {
        ListIndex other;
        if (!ReadList(file, &other, error)) return false;
        if (other.RowCount == 0) {
            // A CSV, or any other file given by mistake.
            FreeListIndex(&other);
            *error = file + " holds no line of a channel list; merge adds the channels of other lists (import reads "
                            "a CSV)";
            return false;
        }
        const std::size_t before = added.size();
        const auto isNew = [&](std::size_t row) {
            std::size_t shown;
            const std::uint32_t key = RowKey(other, row);
            return !FindChannelRow(session.List.Index, key, &shown) &&
                   !std::binary_search(added.begin(), added.begin() + static_cast<std::ptrdiff_t>(before), key);
        };
        // The new rows are counted first, so that the arrays of added rows are
        // sized once.
        std::size_t fresh = 0;
        for (std::size_t row = 0; row < other.RowCount; ++row) {
            if (!isNew(row)) continue;
            ++fresh;
        }
        added.reserve(before + fresh);
        plan->Added.reserve(plan->Added.size() + fresh);
        plan->Sources.reserve(plan->Sources.size() + fresh);
        const std::uint32_t source = static_cast<std::uint32_t>(plan->SourceFiles.size());
        plan->SourceFiles.push_back(file);
        // The rows in file order, each with the line of text it starts on,
        // counted as the entries go by (no number is kept for each line).
        std::uint32_t number = 1;
        for (std::size_t line = 0; line < other.LineCount; ++line) {
            const std::size_t row = EntryRow(other, line);
            if (EntryKind(other, line) == kIndexRow && isNew(row)) {
                added.push_back(RowKey(other, row));
                // A name over 30 bytes goes whole, on a line of its own.
                PlannedRow planned;
                planned.NewLine =
                    plan->AddLine(other.Rows[row].Flag, other.Rows[row].Code,
                                  std::string_view(RowName(other, row), RowNameLength(other, row)));
                planned.Source = plan->AddSource(source, number);
                plan->Added.push_back(planned);
            }
            number += static_cast<std::uint32_t>(CountLineBreaks(EntryStart(other, line), EntryEnd(other, line)));
        }
        FreeListIndex(&other);
        std::sort(added.begin() + static_cast<std::ptrdiff_t>(before), added.end());
        std::inplace_merge(added.begin(), added.begin() + static_cast<std::ptrdiff_t>(before), added.end());
    }
    return true;
}

void DescribeEdit(const EditSession& session, const EditPlan& plan, const MergeEdit&, std::ostream& out) {
    for (std::size_t i = 0; i < plan.Added.size(); ++i) {
        const RowSource& source = plan.Sources[plan.Added[i].Source];
        out << At(plan.SourceFiles[source.File], source.Line) << "add as row " << session.List.Index.RowCount + i + 1
            << ": " << ShownText(session.Page, plan.Line(plan.Added[i].NewLine)) << '\n';
    }
}

}  // namespace

int MergeLists(const ListOptions& options, const std::vector<std::string>& files, std::ostream& out,
               std::ostream& err) {
    return RunEdit(options, true, MergeEdit{files}, out, err);
}
