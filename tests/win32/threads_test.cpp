// A viewer that calls the plug-in from more than one thread: channel changes
// and menu commands from a thread other than the one that owns the plug-in's
// windows must return at once, whatever that thread is doing, and the add
// must see one channel whole however fast the channels change.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "channel_list/entry_code.h"
#include "plugin_harness.h"
#include "resources/resource.h"

namespace {

const char kAboutCaption[] = "Yoxa Zelq ~ Channel Editor";

DWORD WINAPI RunWork(void* work) {
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}

// Runs `work` on a new thread while this one takes no messages at all, as a
// viewer's window thread that waits for its tuning thread does. True when
// the work ended within the time; the thread is waited for either way.
bool FinishesWithoutUs(const std::function<void()>& work, DWORD milliseconds) {
    HANDLE thread = CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
    if (!thread) return false;
    const bool finished = WaitForSingleObject(thread, milliseconds) == WAIT_OBJECT_0;
    if (!finished) WaitPumping(thread, 60000);  // it waits for this thread: let it go
    CloseHandle(thread);
    return finished;
}

TEST(Threads, CallsFromAnotherThreadReturnWhileTheWindowsThreadWaits) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    plugin.MenuSelect(IDM_ABOUT);
    PumpMessages();
    const std::vector<HWND> about = WindowsWithCaption(plugin, kAboutCaption);
    ASSERT_EQ(about.size(), 1u);

    const struct {
        const char* What;
        std::function<void()> Call;
    } calls[] = {
        {"a channel change", [&] { plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 130)); }},
        {"Channel Editor", [&] { plugin.MenuSelect(IDM_CHANNEL_EDITOR); }},
        {"About, already open", [&] { plugin.MenuSelect(IDM_ABOUT); }},
        {"a second channel change", [&] { plugin.ChannelChange(MakeChannel("BBC World", 0x2345, 130)); }},
    };
    for (const auto& call : calls) {
        EXPECT_TRUE(FinishesWithoutUs(call.Call, 30000)) << call.What << " waited for the windows' thread";
    }

    // Once this thread takes its messages, the editor shows what was asked.
    PumpMessages();
    EXPECT_EQ(ControlText(editor, IDC_CHANNEL), "BBC World");
    EXPECT_EQ(ControlText(editor, IDC_STATUS), "");
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_TRUE(IsTopmost(editor));
    EXPECT_EQ(WindowsWithCaption(plugin, kAboutCaption), about);

    // The add takes the channel the worker gave.
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    const std::string list = ReadFileBytes(plugin.ListPath());
    EXPECT_EQ(list.substr(list.size() < 13 ? 0 : list.size() - 13), "[BBC World]\r\n") << list;
    plugin.Exit();
}

// The channel of a tuning step: its name tells its ident, and its frequency
// differs with it, so a line mixing two channels shows.
ChannelRecord TuningStep(unsigned step) {
    const std::uint16_t ident = static_cast<std::uint16_t>(1 + step % 4000);
    char name[32];
    std::snprintf(name, sizeof name, "Channel %u", ident);
    return MakeChannel(name, ident, 130, 10'000'000 + 1000u * ident);
}

// The line the add writes for a channel of TuningStep.
std::string LineOf(unsigned ident) {
    const EntryCode code = EncodeEntryCode(static_cast<std::uint16_t>(ident), 130, 10'000'000 + 1000u * ident);
    char line[64];
    std::snprintf(line, sizeof line, "[ 1 %02X%02X%02X%02X%02X%02X ] [Channel %u]\r\n", code.Bytes[0], code.Bytes[1],
                  code.Bytes[2], code.Bytes[3], code.Bytes[4], code.Bytes[5], ident);
    return line;
}

TEST(Threads, AnAddWhileChannelsChangeOnAWorkerWritesOneChannelWhole) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);

    volatile LONG stop = 0;
    HANDLE tuning = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::function<void()> tune = [&] {
        for (unsigned step = 0; !stop; ++step) {
            plugin.ChannelChange(TuningStep(step));
            if (step == 0) SetEvent(tuning);
        }
    };
    HANDLE tuner = CreateThread(nullptr, 0, RunWork, &tune, 0, nullptr);
    ASSERT_NE(tuner, nullptr);
    // The presses begin once there is a channel to add.
    EXPECT_EQ(WaitForSingleObject(tuning, 60000), WAIT_OBJECT_0);
    CloseHandle(tuning);
    for (int press = 0; press < 300; ++press) {
        SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
        if (press % 20 == 0) PumpMessages();
    }
    InterlockedExchange(&stop, 1);
    EXPECT_TRUE(WaitPumping(tuner, 60000));
    CloseHandle(tuner);

    const std::string list = ReadFileBytes(plugin.ListPath());
    std::set<unsigned> added;
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t end = list.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "a line without its end: " << list.substr(start);
        const std::string line = list.substr(start, end + 1 - start);
        unsigned ident = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "[ 1 %*12s ] [Channel %u]", &ident), 1) << line;
        EXPECT_EQ(line, LineOf(ident)) << "a line of two channels";
        EXPECT_TRUE(added.insert(ident).second) << "channel " << ident << " added twice";
        start = end + 1;
    }
    EXPECT_FALSE(added.empty());
    PumpMessages();
    plugin.Exit();
}

}  // namespace
