#include "edit_plan.h"

#include <algorithm>

#include "channel_list/list_content.h"
#include "channel_list/list_line.h"
#include "row_text.h"

std::size_t LineSizeFor(std::size_t nameLength) {
    return kMaxLineLength - kMaxNameLength + nameLength + 1;  // and the NUL FormatLineWithName writes
}

namespace {

// A line of the plan: its block in the high bits, where it begins in the
// block in the low ones (a line in a block larger than kLineBlock begins it).
constexpr std::size_t kLineBlockBits = 16;
constexpr std::size_t kLineBlock = std::size_t{1} << kLineBlockBits;

}  // namespace

std::uint32_t EditPlan::AddLine(std::uint8_t flag, const std::uint8_t code[6], std::string_view name) {
    const std::size_t most = LineSizeFor(name.size());
    // A block is filled up to kLineBlock (it was made with room for that, so
    // it never moves); a longer line starts a block of its own, which holds
    // no other.
    if (LineBlocks.empty() || LineBlocks.back().size() + most > kLineBlock) {
        LineBlocks.emplace_back();
        LineBlocks.back().reserve(std::max(most, kLineBlock));
    }
    std::string& block = LineBlocks.back();
    const std::size_t start = block.size();
    block.resize(start + most);
    block.resize(start + FormatLineWithName(&block[start], most, flag, code, name.data(), name.size()));
    return static_cast<std::uint32_t>(((LineBlocks.size() - 1) << kLineBlockBits) | start);
}

std::string_view EditPlan::Line(std::uint32_t line) const {
    const std::string& block = LineBlocks[line >> kLineBlockBits];
    const std::size_t start = line & (kLineBlock - 1);
    // A name holds no line break: the line ends at its LF.
    return std::string_view(block).substr(start, block.find('\n', start) - start + 1);
}

std::string NewLineText(const EditSession& session, const EditPlan& plan, const PlannedRow& planned) {
    if (planned.NewLine != kOwnLineFlagOff && planned.NewLine != kOwnLineFlagOn) {
        return std::string(plan.Line(planned.NewLine));
    }
    // Made as far as it is shown: a longer name is cut past what a message
    // shows of the line.
    const ListIndex& index = session.List.Index;
    const IndexRow& fields = index.Rows[planned.OldRow];
    const std::size_t nameLength = std::min(RowNameLength(index, planned.OldRow), kShownLineMost);
    std::string line(LineSizeFor(nameLength), '\0');
    line.resize(FormatLineWithName(&line[0], line.size(), planned.NewLine == kOwnLineFlagOn ? 1 : 0, fields.Code,
                                   RowName(index, planned.OldRow), nameLength));
    return line;
}

std::uint32_t EditPlan::AddSource(std::uint32_t file, std::uint32_t line) {
    Sources.push_back(RowSource{file, line});
    return static_cast<std::uint32_t>(Sources.size() - 1);
}

namespace {

// Writes the list as the plan changes it into `out` (a rewrite, or a
// comparison for a dry run), and the later lines of a channel it had to
// remove into `removed`. Allocates nothing: `rowWritten` has a flag for each
// row, `removed` room for every later line and `flagged` for the longest
// line whose flag changes, so that once a rewrite has
// begun nothing stops it half way (running out of memory would leave its
// temporary file behind).
void WriteEditedContent(const EditSession& session, const EditPlan& plan, ListRewrite* out,
                        std::vector<bool>* rowWritten, std::vector<std::uint32_t>* removed, std::string* flagged) {
    const ListIndex& index = session.List.Index;
    ListContent content;
    BeginListContent(&content, out, index);
    const auto writeRow = [&](const PlannedRow& planned) {
        if (planned.NewLine == kOwnLineFlagOff || planned.NewLine == kOwnLineFlagOn) {
            const std::size_t size = FormatLineWithName(
                &(*flagged)[0], flagged->size(), planned.NewLine == kOwnLineFlagOn ? 1 : 0,
                index.Rows[planned.OldRow].Code, RowName(index, planned.OldRow), RowNameLength(index, planned.OldRow));
            WriteNewLine(&content, flagged->data(), size);
        } else if (planned.NewLine != kNoLine) {
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
    // Room for the longest line whose flag the edit changes.
    std::size_t longest = 0;
    for (const std::vector<PlannedRow>* rows : {&plan.AtPlace, &plan.Added}) {
        for (const PlannedRow& planned : *rows) {
            if (planned.NewLine == kOwnLineFlagOff || planned.NewLine == kOwnLineFlagOn) {
                longest = std::max(longest, LineSizeFor(RowNameLength(index, planned.OldRow)));
            }
        }
    }
    std::string flagged(longest, '\0');
    ListRewrite rewrite;
    if (session.Options.DryRun) {
        BeginListComparison(&rewrite, index.File);
        WriteEditedContent(session, plan, &rewrite, &rowWritten, removed, &flagged);
        outcome.Result = ListRewriteDiffers(&rewrite) ? kRewriteWritten : kRewriteUnchanged;
    } else if (!BeginListRewrite(&rewrite, &session.List.Files, index.File)) {
        outcome.Begun = false;
    } else {
        WriteEditedContent(session, plan, &rewrite, &rowWritten, removed, &flagged);
        outcome.Result = FinishListRewrite(&rewrite);
    }
    return outcome;
}

void DescribeRemoved(const EditSession& session, const std::vector<std::uint32_t>& removed, std::ostream& out) {
    const ListIndex& index = session.List.Index;
    // The lines are in file order: their numbers are counted on the way.
    std::size_t counted = 0;
    std::uint32_t number = 1;
    for (const std::uint32_t line : removed) {
        for (; counted < line; ++counted) {
            number += static_cast<std::uint32_t>(CountLineBreaks(EntryStart(index, counted), EntryEnd(index, counted)));
        }
        out << At(session.Options.ListPath, number) << "remove a later line of row "
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
            << " -> " << ShownText(session.Page, NewLineText(session, plan, plan.AtPlace[row])) << '\n';
    }
}
