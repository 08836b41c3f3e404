// The list as the plug-in reads it, line by line: which lines are its rows,
// which are later lines of a channel that it drops, and which do not read.
// Built on the core's reader and its NormaliseList, so that every command
// sees exactly the rows the plug-in shows.
#ifndef ZELQ_TOOLS_ZELQ_LIST_LIST_MODEL_H
#define ZELQ_TOOLS_ZELQ_LIST_LIST_MODEL_H

#include <cstddef>
#include <string>
#include <vector>

#include "channel_list/list_file.h"
#include "channel_list/list_line.h"
#include "channel_list/list_rows.h"

enum ItemKind {
    kItemRow,         // the first line of its channel: a row of the list
    kItemDuplicate,   // a later line of a channel: dropped at the plug-in's next start
    kItemUnreadable,  // does not read: shown nowhere, kept byte for byte
};

struct ListItem {
    ItemKind Kind;
    std::size_t Row;  // the row this line is (kItemRow) or repeats (kItemDuplicate)
    ListLine Line;
};

struct ListModel {
    FileBytes File;
    ShownRows Rows;                    // as NormaliseList gives them
    std::vector<ListItem> Items;       // every line, in file order
    std::vector<std::size_t> RowItem;  // the item of each row
};

// Reads the list at `path`. Returns false with a one-line message when it
// cannot be read.
bool ReadListModel(const std::string& path, ListModel* model, std::string* error);

void FreeListModel(ListModel* model);

// The message for a list that cannot be read: "cannot read PATH", and why
// when the reason is that there is no such file.
std::string CannotReadMessage(const std::string& path);

// The line of text where the white space after an item (or before the first
// item) begins.
std::size_t LineAfter(const ListItem& item);

// Where the list's content begins: past a byte-order mark.
const char* ContentStart(const ListModel& model);

#endif  // ZELQ_TOOLS_ZELQ_LIST_LIST_MODEL_H
