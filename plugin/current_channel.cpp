#include "current_channel.h"

#include <windows.h>

#include <cstring>

#include "../channel_list/add_channel.h"
#include "../shared/plugin_state.h"
#include "../shared/window_ops.h"
#include "lifecycle.h"
#include "../ui/spin_lock.h"

namespace {

// The latest record, all bytes zero until the first channel change, and how
// many changes there have been.
ChannelRecord g_Latest;
unsigned g_Changes = 0;

// Guards g_Latest and g_Changes, each held only for the copy of one record.
volatile LONG g_Lock = 0;

}  // namespace

void StoreChannel(const ChannelRecord& record) {
    SpinLock lock(&g_Lock);
    std::memcpy(&g_Latest, &record, sizeof record);
    ++g_Changes;
}

void CopyChannelName(char (&name)[kChannelNameFieldSize + 1]) {
    {
        SpinLock lock(&g_Lock);
        std::memcpy(name, g_Latest.ChannelName, kChannelNameFieldSize);
    }
    name[kChannelNameFieldSize] = '\0';
}

int AddTunedChannel() {
    // The add waits for the viewer's answer to the position query, and the
    // viewer may call the plug-in meanwhile: an On_Exit then waits for the
    // add (and for the copy below) to end.
    ViewerCall call;
    if (!call.Allowed()) {
        // A stop has come and the editor is about to go: the status line
        // keeps no earlier outcome meanwhile.
        SetControlText(IDC_STATUS, "");
        return 0;
    }
    unsigned taken = 0;
    {
        SpinLock lock(&g_Lock);
        std::memcpy(&g_State.CurrentChannel, &g_Latest, sizeof g_Latest);
        taken = g_Changes;
    }
    const int added = AddCurrentChannel();
    SpinLock lock(&g_Lock);
    if (g_Changes == taken) g_Latest.RecPosition = g_State.CurrentChannel.RecPosition;
    return added;
}

void ForgetChannel() {
    SpinLock lock(&g_Lock);
    std::memset(&g_Latest, 0, sizeof g_Latest);
    ++g_Changes;
}
