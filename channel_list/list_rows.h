// What a list shows, and the list in its normalised form: the one reading of
// the list that the load, the add and the command-line program share.
#ifndef ZELQ_CHANNEL_LIST_LIST_ROWS_H
#define ZELQ_CHANNEL_LIST_LIST_ROWS_H

#include <cstddef>
#include <cstdint>

#include "list_file.h"
#include "list_line.h"

// One row of the list: the first line of a channel.
struct ShownRow {
    const char* Name;          // the name's first byte in the file's bytes (not NUL-terminated)
    std::uint8_t NameLength;   // at most 30: what the row shows
    std::uint8_t Flag;
    std::uint8_t Code[6];      // code bytes 1 to 6 as read
    std::uint32_t LineNumber;  // the line of text it stands on, counting from 1
};

struct ShownRows {
    ShownRow* Rows;
    std::size_t Count;
    std::size_t Capacity;
};

// What a line of the list is to the plug-in's start.
enum LineRole {
    kRoleRow,         // the first line of its channel: a row
    kRoleLaterLine,   // a later line of a channel shown already: dropped
    kRoleUnreadable,  // does not read: shown nowhere, kept byte for byte
};

// Called for every line in file order; returns false to stop the reading.
using ListLineVisitor = bool (*)(void* context, const ListLine& line, LineRole role);

// Reads the list's bytes as the plug-in's start does and tells each line's
// role: the one reading of the list that the load, the add and the
// command-line program share. Returns false when memory runs out or the
// visitor stops it.
bool ReadListLines(const FileBytes& file, ListLineVisitor visit, void* context);

// The plug-in's start: every row, in file order, into `rows` (when given),
// and when `rewrite` is given, the normalised content into it: the
// byte-order mark if the file has one, then in file order each row's line in
// canonical form (or byte for byte when its name is longer than 30 bytes) and
// each unreadable line byte for byte; the white space between lines is not
// kept. Returns false, with no rows, when memory runs out.
bool NormaliseList(const FileBytes& file, ListRewrite* rewrite, ShownRows* rows);

void FreeShownRows(ShownRows* rows);

// Whether the plug-in's next start would write the list: its normalised
// content differs from the file and at least one line reads. Writes nothing.
bool NextLoadWouldRewrite(const FileBytes& file);

// Whether at least one line of the list reads.
bool ListShowsAnyRow(const FileBytes& file);

// Whether the list shows a row for the channel with these code bytes 1 to 4
// (see ChannelKey).
bool ListShowsChannel(const FileBytes& file, std::uint32_t channelKey);

#endif  // ZELQ_CHANNEL_LIST_LIST_ROWS_H
