// Loading the list file into the editor window and rewriting it clean.
#ifndef ZELQ_CHANNEL_LIST_LOAD_LIST_H
#define ZELQ_CHANNEL_LIST_LOAD_LIST_H

// Reads the list file, drops every line that names a channel already seen
// (the first line of a channel wins), shows each remaining channel as a list
// row with its satellite name and check mark, sets RowCount and the count
// control, and rewrites the file in canonical form, keeping any unreadable
// rest of the file verbatim after the rewritten lines. Returns 1 when the file
// holds the rewritten content, 0 otherwise.
int LoadChannelList();

#endif  // ZELQ_CHANNEL_LIST_LOAD_LIST_H
