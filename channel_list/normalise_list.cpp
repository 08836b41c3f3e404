#include "normalise_list.h"

#include "list_content.h"

namespace {

void WriteNormalisedContent(const ListIndex& index, ListRewrite* out) {
    ListContent content;
    BeginListContent(&content, out, index);
    for (std::size_t line = 0; line < index.LineCount; ++line) {
        const IndexKind kind = EntryKind(index, line);
        if (kind == kIndexBlank || kind == kIndexLaterLine) continue;
        const std::size_t row = kind == kIndexRow ? EntryRow(index, line) : 0;
        // A canonical line is already what the rewrite writes; a long name's
        // line and an unreadable one are kept as they are.
        if (kind == kIndexRow && !RowIsCanonical(index, row) && !RowHasLongName(index, row)) {
            char text[kMaxLineLength + 1];
            WriteNewLine(&content, text, FormatRowLine(index, row, text));
        } else {
            WriteKeptLine(&content, line);
        }
    }
}

}  // namespace

bool NormalisedListDiffers(const ListIndex& index) {
    if (index.RowCount == 0) return false;
    ListRewrite comparison;
    BeginListComparison(&comparison, index.File);
    WriteNormalisedContent(index, &comparison);
    return ListRewriteDiffers(&comparison);
}

RewriteResult RewriteNormalisedList(ListFiles* files, const ListIndex& index) {
    if (index.RowCount == 0) return kRewriteUnchanged;
    ListRewrite rewrite;
    if (!BeginListRewrite(&rewrite, files, index.File)) return kRewriteFailed;
    WriteNormalisedContent(index, &rewrite);
    return FinishListRewrite(&rewrite);
}
