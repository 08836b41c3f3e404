// Putting a list's new content together, line by line: the one way every
// rewritten list is made, by the plug-in's start and by every edit of the
// command-line program, so that a line kept byte for byte always reads as it
// did.
//
// Two rules keep it so. A line starts on a line of text of its own, unless it
// shared one with the line written just before it in the file as well. And a
// kept line that begins with the bytes of a byte-order mark never becomes the
// first thing in a file that has no mark, where the next reading would take
// those bytes for one and read the rest of the line.
#ifndef ZELQ_CHANNEL_LIST_LIST_CONTENT_H
#define ZELQ_CHANNEL_LIST_LIST_CONTENT_H

#include <cstddef>

#include "list_index.h"
#include "list_rewrite.h"

struct ListContent {
    ListRewrite* Out;
    const ListIndex* Index;  // the list as read: its byte-order mark starts the content too
    bool Empty;              // nothing written yet but the mark
    bool AtLineStart;        // what is written so far ends in a line break (or is empty)
    const char* LastEnd;     // one past the file bytes written last, or null
};

// Starts the new content of the list read as `index` in `out`, with the
// file's byte-order mark when it has one.
void BeginListContent(ListContent* content, ListRewrite* out, const ListIndex& index);

// A blank entry, the white space between lines, as it is (edits keep it; the
// plug-in's start drops it).
void WriteListGap(ListContent* content, std::size_t line);

// An entry of the index, a line of the file, byte for byte.
void WriteKeptLine(ListContent* content, std::size_t line);

// Whether the entry, kept and written first in the content, keeps the white
// space before it (or gets a line break): it begins with the bytes of a
// byte-order mark that the file does not have.
bool KeepsGapBefore(const ListIndex& index, std::size_t line);

// A line written anew: its text with its line break.
void WriteNewLine(ListContent* content, const char* text, std::size_t length);

#endif  // ZELQ_CHANNEL_LIST_LIST_CONTENT_H
