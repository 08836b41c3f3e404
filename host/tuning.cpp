#include "host/tuning.h"

#include <cstdio>

#include "host/channels.h"
#include "host/host_state.h"
#include "host/host_window.h"

static_assert(kPositionQueryMessage == WM_USER, "the position query is WM_USER");

namespace {

// How often the plug-in has asked for the satellite position, in words.
void TimesAsked(unsigned count, char* text, int size) {
    if (count == 0) {
        std::snprintf(text, static_cast<size_t>(size), "has not asked for the satellite position yet");
    } else if (count == 1) {
        std::snprintf(text, static_cast<size_t>(size), "has asked for the satellite position once");
    } else {
        std::snprintf(text, static_cast<size_t>(size), "has asked for the satellite position %u times", count);
    }
}

struct TuneTask {
    OnChannelChangeFn onChannelChange;
    ChannelRecord record;
};

DWORD WINAPI TuneOnThread(void* parameter) {
    const TuneTask* task = static_cast<const TuneTask*>(parameter);
    task->onChannelChange(task->record);
    return 0;
}

// Hands the record to the plug-in on a tuning thread of its own and waits
// for that thread without taking any messages, as a viewer whose window
// thread waits for its tuner does: a plug-in that waited for this thread in
// turn would hang the viewer.
void ChangeChannelFromThread(const ChannelRecord& record) {
    TuneTask task = {g_Host.plugin.onChannelChange, record};
    HANDLE thread = CreateThread(nullptr, 0, TuneOnThread, &task, 0, nullptr);
    if (thread == nullptr) {
        task.onChannelChange(task.record);
        return;
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

}  // namespace

// The name stands alone on its line: Arabic text followed by numbers would be
// reordered by the bidirectional layout.
void UpdateTuningLabels() {
    char text[256];
    char asked[80];
    TimesAsked(g_Host.queriesAnswered, asked, sizeof(asked));
    if (g_Host.currentChannel < 0) {
        SetWindowTextA(g_Host.channelLabel, "No channel tuned: choose one below or from the Channels menu.");
        std::snprintf(text, sizeof(text), "The plug-in %s.", asked);
    } else {
        const TestChannel& channel = kTestChannels[g_Host.currentChannel];
        std::snprintf(text, sizeof(text), "Tuned: %s", channel.name);
        SetWindowTextA(g_Host.channelLabel, text);
        char position[32];
        FormatPosition(channel.position, position, sizeof(position));
        std::snprintf(text, sizeof(text), "%s%s, transponder %lu MHz%s.   The plug-in %s.",
                      channel.position == 0 ? "no satellite position" : "satellite at ",
                      channel.position == 0 ? "" : position,
                      static_cast<unsigned long>(channel.tuneValue / 1000),
                      channel.validWord == 0 ? ", no channel data" : "", asked);
    }
    SetWindowTextA(g_Host.detailLabel, text);
}

void TuneChannel(int index) {
    if (index < 0 || index >= kTestChannelCount) return;
    const TestChannel& channel = kTestChannels[index];

    // The host's own state first: the plug-in may ask for the position as
    // soon as it has the record.
    g_Host.currentChannel = index;
    g_Host.currentPosition = channel.position;
    SendMessageA(g_Host.channelList, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    CheckMenuRadioItem(g_Host.channelsMenu, kCommandFirstChannel, kCommandFirstChannel + kTestChannelCount - 1,
                       kCommandFirstChannel + index, MF_BYCOMMAND);
    UpdateTuningLabels();

    ChannelRecord record;
    FillChannelRecord(channel, &record);
    if (g_Host.plugin.onChannelChange == nullptr) return;
    if (g_Host.tuneFromThread) {
        ChangeChannelFromThread(record);
    } else {
        g_Host.plugin.onChannelChange(record);
    }
}

bool AnswerPositionQuery(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kPositionQueryMessage || wParam != kPositionQueryWParam || lParam == 0) return false;
    PositionQuery* query = reinterpret_cast<PositionQuery*>(lParam);
    // A record of another size is not the query this host knows; leave it untouched.
    if (query->Size != kPositionQuerySize) return true;
    query->SatPosition = g_Host.currentPosition;
    ++g_Host.queriesAnswered;
    UpdateTuningLabels();
    return true;
}
