#include "edit_plan.h"

#include "channel_list/list_content.h"
#include "row_text.h"

std::uint32_t EditPlan::AddLine(const std::string& line) {
    LineStarts.push_back(static_cast<std::uint32_t>(LineBytes.size()));
    LineBytes += line;
    return static_cast<std::uint32_t>(LineStarts.size() - 1);
}

std::string_view EditPlan::Line(std::uint32_t index) const {
    const std::uint32_t end =
        index + 1 < LineStarts.size() ? LineStarts[index + 1] : static_cast<std::uint32_t>(LineBytes.size());
    return std::string_view(LineBytes).substr(LineStarts[index], end - LineStarts[index]);
}

std::uint32_t EditPlan::AddSource(std::uint32_t file, std::uint32_t line) {
    Sources.push_back(RowSource{file, line});
    return static_cast<std::uint32_t>(Sources.size() - 1);
}

namespace {

// Writes the list as the plan changes it into `out` (a rewrite, or a
// comparison for a dry run), and the later lines of a channel it had to
// remove into `removed`. Allocates nothing: `rowWritten` has a flag for each
// row and `removed` room for every later line, so that once a rewrite has
// begun nothing stops it half way (running out of memory would leave its
// temporary file behind).
void WriteEditedContent(const EditSession& session, const EditPlan& plan, ListRewrite* out,
                        std::vector<bool>* rowWritten, std::vector<std::uint32_t>* removed) {
    const ListIndex& index = session.List.Index;
    ListContent content;
    BeginListContent(&content, out, index);
    const auto writeRow = [&](const PlannedRow& planned) {
        if (planned.NewLine != kNoLine) {
            const std::string_view line = plan.Line(planned.NewLine);
            WriteNewLine(&content, line.data(), line.size());
        } else if (planned.OldRow != kNoRow) {
            WriteKeptLine(&content, RowEntry(index, planned.OldRow));
        }
        if (planned.OldRow != kNoRow) (*rowWritten)[planned.OldRow] = true;
    };

    for (std::size_t line = 0; line < index.LineCount; ++line) {
        switch (EntryKind(index, line)) {
        case kIndexBlank:
            WriteListGap(&content, line);
            break;
        case kIndexUnreadable:
            WriteKeptLine(&content, line);
            break;
        case kIndexRow:
            writeRow(plan.AtPlace[EntryRow(index, line)]);
            break;
        case kIndexLaterLine:
            if ((*rowWritten)[EntryRow(index, line)]) {
                WriteKeptLine(&content, line);
            } else {
                removed->push_back(static_cast<std::uint32_t>(line));
            }
            break;
        }
    }
    for (const PlannedRow& planned : plan.Added) writeRow(planned);
}

}  // namespace

EditOutcome WriteEdit(EditSession& session, const EditPlan& plan, std::vector<std::uint32_t>* removed) {
    const ListIndex& index = session.List.Index;
    EditOutcome outcome{true, kRewriteFailed, 0};
    for (const PlannedRow& planned : plan.AtPlace) outcome.Rows += planned.Empty() ? 0 : 1;
    for (const PlannedRow& planned : plan.Added) outcome.Rows += planned.Empty() ? 0 : 1;

    std::vector<bool> rowWritten(index.RowCount, false);
    std::size_t laterLines = 0;
    for (std::size_t line = 0; line < index.LineCount; ++line) laterLines += EntryKind(index, line) == kIndexLaterLine;
    removed->reserve(laterLines);
    ListRewrite rewrite;
    if (session.Options.DryRun) {
        BeginListComparison(&rewrite, index.File);
        WriteEditedContent(session, plan, &rewrite, &rowWritten, removed);
        outcome.Result = ListRewriteDiffers(&rewrite) ? kRewriteWritten : kRewriteUnchanged;
    } else if (!BeginListRewrite(&rewrite, &session.List.Files, index.File)) {
        outcome.Begun = false;
    } else {
        WriteEditedContent(session, plan, &rewrite, &rowWritten, removed);
        outcome.Result = FinishListRewrite(&rewrite);
    }
    return outcome;
}

void DescribeRemoved(const EditSession& session, const std::vector<std::uint32_t>& removed, std::ostream& out) {
    const ListIndex& index = session.List.Index;
    for (const std::uint32_t line : removed) {
        out << At(session.Options.ListPath, session.LineNumbers[line]) << "remove a later line of row "
            << EntryRow(index, line) + 1 << "'s channel, which would otherwise take its place: "
            << ShownLine(session.Page, EntryStart(index, line), EntryEnd(index, line)) << '\n';
    }
}

void DescribeRewrittenRows(const EditSession& session, const EditPlan& plan, const char* verb, const char* after,
                           std::ostream& out) {
    for (std::size_t row = 0; row < plan.AtPlace.size(); ++row) {
        const std::uint32_t line = plan.AtPlace[row].NewLine;
        if (line == kNoLine) continue;
        out << RowAt(session, row) << verb << " row " << row + 1 << after << ": " << ShownRowLine(session, row)
            << " -> " << ShownText(session.Page, plan.Line(line)) << '\n';
    }
}
