// Loading the list file into the editor window and rewriting it clean.
#ifndef ZELQ_CHANNEL_LIST_LOAD_LIST_H
#define ZELQ_CHANNEL_LIST_LOAD_LIST_H

// Reads the whole list file, shows the first line of every channel as a list
// row with its satellite name and check mark (later lines of a channel are
// dropped; lines that do not read are shown nowhere and hide nothing), sets
// RowCount and the count control, and rewrites the file in its normalised
// form, keeping every unreadable line byte for byte in its place. The
// rewrite holds the list's lock from the read to the replace; without the
// lock, or when the list changed meanwhile, the rows are shown and the file
// is left as it is. Returns 1 when the file holds the normalised content, 0
// otherwise.
int LoadChannelList();

#endif  // ZELQ_CHANNEL_LIST_LOAD_LIST_H
