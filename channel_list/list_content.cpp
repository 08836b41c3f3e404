#include "list_content.h"

#include "list_line.h"

namespace {

constexpr char kLineBreak[] = "\r\n";

void Write(ListContent* content, const char* data, std::size_t size) {
    if (size == 0) return;
    AppendToRewrite(content->Out, data, size);
    content->Empty = false;
    content->AtLineStart = EndsInLineBreak(data, size);
}

// Ends the line of text written last, unless the next bytes continued it in
// the file too.
void StartLine(ListContent* content, const char* next) {
    if (!content->AtLineStart && !(next && next == content->LastEnd)) Write(content, kLineBreak, 2);
}

}  // namespace

void BeginListContent(ListContent* content, ListRewrite* out, const ListIndex& index) {
    content->Out = out;
    content->Index = &index;
    content->Empty = true;
    content->AtLineStart = true;
    content->LastEnd = nullptr;
    if (StartsWithByteOrderMark(index.File.Data, index.File.Size)) {
        AppendToRewrite(out, kByteOrderMark, kByteOrderMarkSize);
    }
}

void WriteListGap(ListContent* content, std::size_t line) {
    const char* const start = EntryStart(*content->Index, line);
    const char* const end = EntryEnd(*content->Index, line);
    Write(content, start, static_cast<std::size_t>(end - start));
    content->LastEnd = end;
}

void WriteKeptLine(ListContent* content, std::size_t line) {
    const ListIndex& index = *content->Index;
    const char* const start = EntryStart(index, line);
    const char* const end = EntryEnd(index, line);
    if (content->Empty && KeepsGapBefore(index, line)) {
        // The white space that stood before it in the file (the blank entry
        // before it), or a line break.
        if (line > 0 && EntryKind(index, line - 1) == kIndexBlank) {
            WriteListGap(content, line - 1);
        } else {
            Write(content, kLineBreak, 2);
        }
    }
    StartLine(content, start);
    Write(content, start, static_cast<std::size_t>(end - start));
    content->LastEnd = end;
}

bool KeepsGapBefore(const ListIndex& index, std::size_t line) {
    return !StartsWithByteOrderMark(index.File.Data, index.File.Size) &&
           StartsWithByteOrderMark(EntryStart(index, line),
                                   static_cast<std::size_t>(EntryEnd(index, line) - EntryStart(index, line)));
}

void WriteNewLine(ListContent* content, const char* text, std::size_t length) {
    StartLine(content, nullptr);
    Write(content, text, length);
    content->LastEnd = nullptr;
}
