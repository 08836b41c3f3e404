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

void BeginListContent(ListContent* content, ListRewrite* out, const FileBytes& file) {
    content->Out = out;
    content->File = &file;
    content->Empty = true;
    content->AtLineStart = true;
    content->LastEnd = nullptr;
    if (StartsWithByteOrderMark(file.Data, file.Size)) AppendToRewrite(out, kByteOrderMark, kByteOrderMarkSize);
}

void WriteListGap(ListContent* content, const char* start, const char* end) {
    if (start == end) return;
    Write(content, start, static_cast<std::size_t>(end - start));
    content->LastEnd = end;
}

void WriteKeptLine(ListContent* content, const char* start, const char* end, const char* gapStart) {
    if (content->Empty && KeepsGapBefore(*content->File, start, end)) {
        // The white space that stood before it in the file, or a line break.
        if (gapStart < start) {
            Write(content, gapStart, static_cast<std::size_t>(start - gapStart));
        } else {
            Write(content, kLineBreak, 2);
        }
    }
    StartLine(content, start);
    Write(content, start, static_cast<std::size_t>(end - start));
    content->LastEnd = end;
}

bool KeepsGapBefore(const FileBytes& file, const char* start, const char* end) {
    return !StartsWithByteOrderMark(file.Data, file.Size) &&
           StartsWithByteOrderMark(start, static_cast<std::size_t>(end - start));
}

void WriteNewLine(ListContent* content, const char* text, std::size_t length) {
    StartLine(content, nullptr);
    Write(content, text, length);
    content->LastEnd = nullptr;
}
