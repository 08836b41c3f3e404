// Appending one channel's line to a list: the one way a line is ever added,
// by the plug-in's add button and by the command-line program's add.
#ifndef ZELQ_CHANNEL_LIST_APPEND_CHANNEL_H
#define ZELQ_CHANNEL_LIST_APPEND_CHANNEL_H

#include <cstdint>

#include "list_open.h"

enum AppendResult {
    kAppended,        // the line is in the list, on the disk
    kAlreadyShown,    // the list shows a row for the channel: nothing written
    kAppendFailed,    // nothing written (the reason is in list->Files.Error)
};

// Appends "[ FLAG CODE ] [NAME]" CR LF to the list at `path` (created when
// there is none) unless the list shows a row for the channel already: the
// refusal is the load's own reading. The name must read back as it is (see
// FitNameForList). Holds the list's lock from the read to the append. With
// `write` false, only tells what an append would do. A list larger than
// `maxSize` bytes is not read, and nothing is appended (kFileErrorTooLarge).
// The list is opened as `list`, which tells the caller what was found and
// why nothing was written; the caller closes it (CloseOpenedList).
AppendResult AppendChannelLine(OpenedList* list, const char* path, std::uint8_t flag, const std::uint8_t code[6],
                               const char* name, bool write, std::uint64_t maxSize);

#endif  // ZELQ_CHANNEL_LIST_APPEND_CHANNEL_H
