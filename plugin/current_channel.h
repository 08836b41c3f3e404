// The channel the viewer is tuned to, as On_Channel_Change hands it over.
//
// A viewer may call On_Channel_Change on any thread (a tuning thread, say),
// while the add button works on the editor's thread. The latest record is
// therefore kept here, copied in and out under a lock, and the add works on
// one snapshot of it: PluginState's CurrentChannel, which only the add's own
// thread writes, taken whole when the add starts. No line can then carry one
// channel's code and another channel's name.
#ifndef ZELQ_PLUGIN_CURRENT_CHANNEL_H
#define ZELQ_PLUGIN_CURRENT_CHANNEL_H

#include "../shared/host_api.h"

// Keeps a copy of the record as the latest; any thread.
void StoreChannel(const ChannelRecord& record);

// The latest record's name field, with a NUL after its 92 bytes; any thread.
void CopyChannelName(char (&name)[kChannelNameFieldSize + 1]);

// Adds the latest channel to the list (AddCurrentChannel) from a snapshot
// taken at its start. The position the viewer answered is kept in the latest
// record, as the add keeps it in CurrentChannel, unless the channel changed
// meanwhile. Returns AddCurrentChannel's result. On the editor's thread.
int AddTunedChannel();

// Forgets the latest record, as a fresh load has none (On_Exit).
void ForgetChannel();

#endif  // ZELQ_PLUGIN_CURRENT_CHANNEL_H
