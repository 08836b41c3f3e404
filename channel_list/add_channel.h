// Adding the channel the viewer is tuned to to the list file.
#ifndef ZELQ_CHANNEL_LIST_ADD_CHANNEL_H
#define ZELQ_CHANNEL_LIST_ADD_CHANNEL_H

// Appends the current channel to the list file unless a line for the same
// channel is already there, and shows the outcome in the editor window's
// status line: added, already in the list, or why nothing was written (no
// channel, no position, the viewer did not answer, the list in use or not
// writable). Returns 1 when a line was appended, 0 otherwise.
int AddCurrentChannel();

#endif  // ZELQ_CHANNEL_LIST_ADD_CHANNEL_H
