// Switching channels and answering the plug-in's position query.
#ifndef ZELQ_HOST_TUNING_H
#define ZELQ_HOST_TUNING_H

#include <windows.h>

// Tunes the channel with the given index of the channel table: the host's
// own display follows, then the plug-in gets the channel's full record, on
// this thread or (g_Host.tuneFromThread) on a tuning thread this one waits
// for.
void TuneChannel(int index);

// Answers the position query (WM_USER with wParam 0x01022003, lParam the
// 208-byte record): writes the tuned channel's position at offset 12 when the
// record's size field says 208, and leaves a record of any other size as it
// is. Returns true for the query, false for any other message.
bool AnswerPositionQuery(UINT message, WPARAM wParam, LPARAM lParam);

// Refreshes the labels that show the tuned channel and the queries answered.
void UpdateTuningLabels();

#endif  // ZELQ_HOST_TUNING_H
