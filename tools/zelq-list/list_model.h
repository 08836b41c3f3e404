// The list as the plug-in reads it, line by line: which lines are its rows,
// which are later lines of a channel that it drops, and which do not read.
// Built on the core's own reading (ReadListLines), so that every command sees
// exactly the rows the plug-in shows.
//
// It is kept small, since a list may be large: the file's bytes once, and for
// each line a few numbers; a line's fields are read again from its bytes when
// they are needed.
#ifndef ZELQ_TOOLS_ZELQ_LIST_LIST_MODEL_H
#define ZELQ_TOOLS_ZELQ_LIST_LIST_MODEL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "channel_list/list_file.h"
#include "channel_list/list_line.h"

enum ItemKind : std::uint8_t {
    kItemRow,         // the first line of its channel: a row of the list
    kItemDuplicate,   // a later line of a channel: dropped at the plug-in's next start
    kItemUnreadable,  // does not read: shown nowhere, kept byte for byte
};

struct ListItem {
    std::uint32_t Start;  // the line's bytes in the file: from its indentation ...
    std::uint32_t End;    // ... up to and with its line break
    std::uint32_t Line;   // the line of text it starts on, counting from 1
    std::uint32_t Row;    // the row this line is (kItemRow) or repeats (kItemDuplicate)
    ItemKind Kind;
};

struct ListModel {
    FileBytes File;                    // {nullptr, 0} for a list that does not exist yet
    std::vector<ListItem> Items;       // every line, in file order
    std::vector<std::uint32_t> RowItem;  // the item of each row
    std::size_t RowCount() const { return RowItem.size(); }
};

// Reads the list at `path`. Returns false with a one-line message when it
// cannot be read; with `mayBeMissing`, a list that does not exist is an empty
// one.
bool ReadListModel(const std::string& path, bool mayBeMissing, ListModel* model, std::string* error);

// The same for bytes already in memory, which the model then owns (freed by
// FreeListModel).
bool MakeListModel(FileBytes file, ListModel* model, std::string* error);

void FreeListModel(ListModel* model);

// An item's line read again: its fields, name, fault and place.
ListLine ItemLine(const ListModel& model, std::size_t item);

// The line of a row.
ListLine RowLine(const ListModel& model, std::size_t row);

// The line of text where the white space after an item (or before the first
// item) begins.
std::size_t LineAfter(const ListModel& model, const ListItem& item);

// Where the list's content begins: past a byte-order mark.
const char* ContentStart(const ListModel& model);

// The message for a file that cannot be read: "cannot read PATH: why".
std::string CannotReadMessage(const std::string& path);

// The largest list this build of the program reads. A 32-bit program has
// room for a smaller list than the plug-in's core accepts.
std::uint64_t MaxListSize();

#endif  // ZELQ_TOOLS_ZELQ_LIST_LIST_MODEL_H
