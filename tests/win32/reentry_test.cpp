// A viewer that calls the plug-in back while an add waits for its answer to
// the position query: the add sends the query to the viewer's window, and the
// viewer may do anything before it answers. Whatever it does, nothing
// crashes, and every line the add writes is one whole channel with its own
// satellite. A crash ends the program (see plugin_harness.h).
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "channel_list/entry_code.h"
#include "plugin_harness.h"
#include "resources/resource.h"
#include "shared/arabic_texts.h"

namespace {

const char kAboutCaption[] = "Yoxa Zelq ~ Channel Editor";
const char kEditorCaption[] = "Zelq ~ Channel Editor :: Ver 1.0 ::";

// The two channels: the one the user presses add for, and the one the viewer
// tunes while it answers.
struct Channel {
    const char* Name;
    std::uint16_t Ident;
    std::uint32_t Position;
    const char* Satellite;
};
const Channel kPressed = {"Al Jazeera", 0x1234, 130, "HotBird"};
const Channel kTunedMeanwhile = {"BBC World", 0x2345, 192, "Astra 1B-1H"};

std::string LineOf(const Channel& channel) {
    const EntryCode code = EncodeEntryCode(channel.Ident, channel.Position, 11'747'000);
    char line[96];
    std::snprintf(line, sizeof line, "[ 1 %02X%02X%02X%02X%02X%02X ] [%s]\r\n", code.Bytes[0], code.Bytes[1],
                  code.Bytes[2], code.Bytes[3], code.Bytes[4], code.Bytes[5], channel.Name);
    return line;
}

// The viewer tunes a channel: it knows its satellite from now on.
void Tune(const Plugin& plugin, const Channel& channel) {
    g_HostAnswer = channel.Position;
    plugin.ChannelChange(MakeChannel(channel.Name, channel.Ident, channel.Position));
}

void PressAdd(HWND editor) { SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0); }

class Reentry : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RunningAsViewer()) GTEST_SKIP() << "only the viewer is asked for the position";
        g_HostQueries.clear();
    }
    void TearDown() override { g_HostDuringQuery = nullptr; }
};

TEST_F(Reentry, WhatTheViewerDoesBeforeItAnswersTheQuery) {
    struct Case {
        const char* What;
        std::function<void(Plugin*, HWND editor)> During;
        std::vector<Channel> Written;  // in the order of the list
        bool Stops;                    // the plug-in is stopped once the add returns
        bool Restarts;                 // it is started afresh, and knows no channel
    };
    const Case cases[] = {
        {"On_Exit", [](Plugin* plugin, HWND) { plugin->Exit(); }, {kPressed}, true, false},
        {"On_Exit and FreeLibrary",
         [](Plugin* plugin, HWND) {
             plugin->Exit();
             UnloadPlugin(plugin);
         },
         {kPressed},
         true,
         false},
        {"a channel change", [](Plugin* plugin, HWND) { Tune(*plugin, kTunedMeanwhile); }, {kPressed}, false, false},
        {"the menu commands",
         [](Plugin* plugin, HWND) {
             plugin->MenuSelect(IDM_CHANNEL_EDITOR);
             plugin->MenuSelect(IDM_ABOUT);
         },
         {kPressed},
         false,
         false},
        {"a message loop in which the user adds the channel tuned meanwhile",
         [](Plugin* plugin, HWND editor) {
             Tune(*plugin, kTunedMeanwhile);
             PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
             PumpMessages();
         },
         {kTunedMeanwhile, kPressed},
         false,
         false},
        {"On_Exit, FreeLibrary, LoadLibrary and On_Start: the viewer reloads its plug-ins",
         [](Plugin* plugin, HWND) {
             plugin->Exit();
             UnloadPlugin(plugin);
             if (LoadPluginModule(plugin)) StartPlugin(*plugin);
         },
         {kPressed},
         false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Plugin plugin;
        ASSERT_TRUE(LoadPluginCopy(&plugin));
        const HMODULE base = plugin.Module;
        HWND editor = StartPlugin(plugin);
        ASSERT_NE(editor, nullptr);
        Tune(plugin, kPressed);
        g_HostDuringQuery = [&] { c.During(&plugin, editor); };
        PressAdd(editor);
        g_HostDuringQuery = nullptr;
        PumpMessages();

        std::string expected;
        for (const Channel& channel : c.Written) expected += LineOf(channel);
        EXPECT_EQ(ReadFileBytes(plugin.ListPath()), expected);

        // The DLL is still there: its own reference kept it while the add
        // waited.
        ASSERT_TRUE(IsDllLoaded(plugin.DllPath()));
        if (c.Stops) {
            // Torn down once the add returned, and a start after it begins
            // afresh with the list the add wrote.
            EXPECT_TRUE(WindowsOfModule(base).empty());
            if (!plugin.Module) {
                ASSERT_TRUE(LoadPluginModule(&plugin));
            }
            EXPECT_EQ(plugin.Module, base);
            editor = StartPlugin(plugin);
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(ControlText(editor, IDC_CHANNEL), "");
            EXPECT_EQ(ListRows(editor), (std::vector<ListRow>{{kPressed.Name, kPressed.Satellite, true}}));
        } else {
            // One editor, the viewer's current one, shows the rows added,
            // the count and the outcome.
            const std::vector<HWND> editors = WindowsWithCaption(plugin, kEditorCaption);
            ASSERT_EQ(editors.size(), 1u);
            editor = editors[0];
            std::vector<ListRow> rows;
            for (const Channel& channel : c.Written) rows.push_back({channel.Name, channel.Satellite, false});
            EXPECT_EQ(ListRows(editor), rows);
            EXPECT_EQ(ControlText(editor, IDC_COUNT), std::to_string(rows.size()));
            EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAdded);
            if (c.Restarts) {
                // The stop before the new start forgot the channel: until the
                // viewer tunes one, there is none to add.
                EXPECT_EQ(ControlText(editor, IDC_CHANNEL), "");
                PressAdd(editor);
                EXPECT_EQ(ReadFileBytes(plugin.ListPath()), expected);
                EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextNoChannel);
                Tune(plugin, kPressed);
            }
            // The channel the viewer is tuned to is what the editor shows and
            // what the next add takes, with its own satellite.
            const Channel& current = ControlText(editor, IDC_CHANNEL) == kTunedMeanwhile.Name ? kTunedMeanwhile
                                                                                               : kPressed;
            EXPECT_EQ(g_HostAnswer, current.Position);
            PressAdd(editor);
            const std::string list = ReadFileBytes(plugin.ListPath());
            if (&current == &kTunedMeanwhile && c.Written.size() == 1) {
                EXPECT_EQ(list, expected + LineOf(kTunedMeanwhile));
            } else {
                EXPECT_EQ(list, expected);  // already there
                EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAlreadyInList);
            }
        }
        for (HWND about : WindowsWithCaption(plugin, kAboutCaption)) {
            SendMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        plugin.Exit();
        UnloadPlugin(&plugin);
        EXPECT_FALSE(IsDllLoaded(plugin.DllPath()));
        EXPECT_TRUE(WindowsOfModule(base).empty());
    }
}

}  // namespace
