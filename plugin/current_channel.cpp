#include "current_channel.h"

#include <windows.h>

#include <cstring>

#include "../channel_list/add_channel.h"
#include "../shared/plugin_state.h"

namespace {

// The latest record, all bytes zero until the first channel change, and how
// many changes there have been.
ChannelRecord g_Latest;
unsigned g_Changes = 0;

// Guards g_Latest and g_Changes. It is held only for the copy of one record,
// so a spin that gives way to the holder is enough; it needs no setup and no
// teardown, so it works from the DLL's load to its unload.
volatile LONG g_Lock = 0;

class ChannelLock {
public:
    ChannelLock() {
        for (unsigned spins = 0; InterlockedCompareExchange(&g_Lock, 1, 0) != 0; ++spins) {
            // Sleep(0) gives way to a thread of the same priority; Sleep(1)
            // to any, a holder of lower priority included.
            Sleep(spins < 64 ? 0 : 1);
        }
    }
    ~ChannelLock() { InterlockedExchange(&g_Lock, 0); }
    ChannelLock(const ChannelLock&) = delete;
    ChannelLock& operator=(const ChannelLock&) = delete;
};

}  // namespace

void StoreChannel(const ChannelRecord& record) {
    ChannelLock lock;
    std::memcpy(&g_Latest, &record, sizeof record);
    ++g_Changes;
}

void CopyChannelName(char (&name)[kChannelNameFieldSize + 1]) {
    {
        ChannelLock lock;
        std::memcpy(name, g_Latest.ChannelName, kChannelNameFieldSize);
    }
    name[kChannelNameFieldSize] = '\0';
}

int AddTunedChannel() {
    unsigned taken = 0;
    {
        ChannelLock lock;
        std::memcpy(&g_State.CurrentChannel, &g_Latest, sizeof g_Latest);
        taken = g_Changes;
    }
    const int added = AddCurrentChannel();
    ChannelLock lock;
    if (g_Changes == taken) g_Latest.RecPosition = g_State.CurrentChannel.RecPosition;
    return added;
}

void ForgetChannel() {
    ChannelLock lock;
    std::memset(&g_Latest, 0, sizeof g_Latest);
    ++g_Changes;
}
