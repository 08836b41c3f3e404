// A host that stops the plug-in with On_Exit and unloads it, perhaps loading
// it again later, and a host that calls the plug-in from more than one
// thread. A crash ends the program (see plugin_harness.h), so a test that
// reaches its end did not crash.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin_harness.h"
#include "resources/resource.h"
#include "shared/arabic_texts.h"

namespace {

const char kEditorCaption[] = "Zelq ~ Channel Editor :: Ver 1.0 ::";
const char kAboutCaption[] = "Yoxa Zelq ~ Channel Editor";

class Unload : public ::testing::Test {
protected:
    void SetUp() override {
        g_HostAnswer = 130;
        g_HostQueries.clear();
        HostWindow();  // made on this thread, before any worker starts the plug-in
    }
};

void AddChannel(const Plugin& plugin, HWND editor, const std::string& name, std::uint16_t ident) {
    plugin.ChannelChange(MakeChannel(name, ident, 130));
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
}

std::vector<std::string> RowNames(HWND editor) {
    std::vector<std::string> names;
    for (const ListRow& row : ListRows(editor)) names.push_back(row.Name);
    return names;
}

HWND OnlyAbout(const Plugin& plugin) {
    const std::vector<HWND> about = WindowsWithCaption(plugin, kAboutCaption);
    EXPECT_EQ(about.size(), 1u);
    return about.size() == 1 ? about[0] : nullptr;
}

// Messages of every kind a window gets, sent and posted to handles that may
// be stale, then delivered.
void Poke(const std::vector<HWND>& windows) {
    for (HWND window : windows) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
        PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        SendMessageA(window, WM_PAINT, 0, 0);
        InvalidateRect(window, nullptr, TRUE);
    }
    for (int i = 0; i < 5; ++i) {
        PumpMessages();
        Sleep(20);
    }
}

TEST_F(Unload, OnExitThenFreeLibraryLeavesNothingBehindAndALaterLoadWorks) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    AddChannel(plugin, editor, "Al Jazeera", 0x1234);
    plugin.MenuSelect(IDM_CHANNEL_EDITOR);
    plugin.MenuSelect(IDM_ABOUT);
    PumpMessages();
    HWND about = OnlyAbout(plugin);
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(IsWindowVisible(editor));

    // Messages still queued for the windows when the DLL goes away were what
    // crashed a host that unloads.
    PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PostMessageA(about, WM_MOUSEMOVE, 0, 0);
    const HMODULE base = plugin.Module;
    plugin.Exit();
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_FALSE(IsWindow(about));
    EXPECT_TRUE(WindowsOfModule(base).empty());

    UnloadPlugin(&plugin);
    EXPECT_FALSE(IsDllLoaded(plugin.DllPath())) << "On_Exit kept a reference to the DLL";
    Poke({editor, about});
    EXPECT_TRUE(WindowsOfModule(base).empty());

    // Loaded and started again, it works as after a first load, with the
    // channel added before still in the list.
    ASSERT_TRUE(LoadPluginModule(&plugin));
    editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ControlText(editor, IDC_CHANNEL), "");  // no channel since this start
    EXPECT_EQ(RowNames(editor), std::vector<std::string>{"Al Jazeera"});
    AddChannel(plugin, editor, "BBC World", 0x2345);
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAdded);
    EXPECT_EQ(ControlText(editor, IDC_CHANNEL), "BBC World");
    EXPECT_EQ(RowNames(editor), (std::vector<std::string>{"Al Jazeera", "BBC World"}));
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "2");
    const std::string list = ReadFileBytes(plugin.ListPath());
    EXPECT_NE(list.find("[Al Jazeera]"), std::string::npos) << list;
    EXPECT_NE(list.find("[BBC World]"), std::string::npos) << list;

    plugin.MenuSelect(IDM_CHANNEL_EDITOR);
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_TRUE(IsTopmost(editor));
    plugin.MenuSelect(IDM_ABOUT);
    PumpMessages();
    about = OnlyAbout(plugin);
    EXPECT_TRUE(IsWindowVisible(about));

    plugin.Exit();
    UnloadPlugin(&plugin);
    EXPECT_FALSE(IsDllLoaded(plugin.DllPath()));
}

TEST_F(Unload, SeveralCyclesLeaveNoWindowBehindAndLoseNoChannel) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    std::vector<HMODULE> bases;
    std::vector<std::string> added;
    for (int cycle = 0; cycle < 3; ++cycle) {
        if (cycle > 0) {
            ASSERT_TRUE(LoadPluginModule(&plugin));
        }
        bases.push_back(plugin.Module);
        HWND editor = StartPlugin(plugin);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(RowNames(editor), added);
        added.push_back("Channel " + std::to_string(cycle));
        AddChannel(plugin, editor, added.back(), static_cast<std::uint16_t>(0x100 + cycle));
        plugin.MenuSelect(IDM_CHANNEL_EDITOR);
        plugin.MenuSelect(IDM_ABOUT);
        PumpMessages();
        plugin.Exit();
        UnloadPlugin(&plugin);
        EXPECT_FALSE(IsDllLoaded(plugin.DllPath())) << "cycle " << cycle;
        PumpMessages();
    }
    for (HMODULE base : bases) EXPECT_TRUE(WindowsOfModule(base).empty());
    const std::string list = ReadFileBytes(plugin.ListPath());
    for (const std::string& name : added) EXPECT_NE(list.find("[" + name + "]"), std::string::npos) << list;
}

TEST_F(Unload, OnExitBeforeStartTwiceOrWithoutUnloadingIsHarmless) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    plugin.Exit();  // nothing made yet
    plugin.MenuSelect(IDM_ABOUT);
    PumpMessages();
    HWND about = OnlyAbout(plugin);
    plugin.Exit();
    plugin.Exit();
    EXPECT_FALSE(IsWindow(about));

    // Started again in the same load: a fresh editor, nothing carried over
    // but the list file.
    HWND first = StartPlugin(plugin);
    ASSERT_NE(first, nullptr);
    AddChannel(plugin, first, "Al Jazeera", 0x1234);
    plugin.Exit();
    EXPECT_FALSE(IsWindow(first));
    plugin.MenuSelect(IDM_CHANNEL_EDITOR);  // no editor: nothing
    plugin.ChannelChange(MakeChannel("Before start", 0x0101, 130));
    HWND second = StartPlugin(plugin);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(RowNames(second), std::vector<std::string>{"Al Jazeera"});
    EXPECT_EQ(ControlText(second, IDC_COUNT), "1");
    plugin.MenuSelect(IDM_CHANNEL_EDITOR);
    EXPECT_TRUE(IsWindowVisible(second));
    EXPECT_EQ(WindowsWithCaption(plugin, kEditorCaption), std::vector<HWND>{second});

    plugin.Exit();
    UnloadPlugin(&plugin);
    EXPECT_FALSE(IsDllLoaded(plugin.DllPath()));
}

TEST_F(Unload, FreeLibraryWithoutOnExitKeepsTheDllAndItsWindowsWorking) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    plugin.MenuSelect(IDM_CHANNEL_EDITOR);
    plugin.MenuSelect(IDM_ABOUT);
    PumpMessages();
    HWND about = OnlyAbout(plugin);
    const HMODULE base = plugin.Module;

    UnloadPlugin(&plugin);
    ASSERT_TRUE(IsDllLoaded(plugin.DllPath())) << "the windows' procedures were unloaded";
    PostMessageA(editor, WM_MOUSEMOVE, 0, 0);
    PumpMessages();
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);  // no channel yet: refused
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindowVisible(editor));
    SendMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(about));
    PumpMessages();

    // Loaded again, it is the same module with the same state and window; its
    // On_Exit then lets the DLL go.
    ASSERT_TRUE(LoadPluginModule(&plugin));
    EXPECT_EQ(plugin.Module, base);
    AddChannel(plugin, editor, "Al Jazeera", 0x1234);
    EXPECT_EQ(RowNames(editor), std::vector<std::string>{"Al Jazeera"});
    plugin.Exit();
    EXPECT_TRUE(WindowsOfModule(base).empty());
    UnloadPlugin(&plugin);
    EXPECT_FALSE(IsDllLoaded(plugin.DllPath()));
    Poke({editor, about});
}

TEST_F(Unload, ASecondStartReplacesTheEditorWithOneThatFollowsTheChannel) {
    struct Case {
        const char* What;
        bool Reload;  // FreeLibrary without On_Exit and LoadLibrary between the starts
    };
    const Case cases[] = {{"On_Start twice", false},
                          {"FreeLibrary without On_Exit, LoadLibrary, On_Start: a viewer reloading", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Plugin plugin;
        ASSERT_TRUE(LoadPluginCopy(&plugin));
        const HMODULE base = plugin.Module;
        HWND first = StartPlugin(plugin);
        ASSERT_NE(first, nullptr);
        AddChannel(plugin, first, "Al Jazeera", 0x1234);
        plugin.MenuSelect(IDM_CHANNEL_EDITOR);
        PumpMessages();
        ASSERT_TRUE(IsWindowVisible(first));
        if (c.Reload) {
            UnloadPlugin(&plugin);
            ASSERT_TRUE(LoadPluginModule(&plugin));
            EXPECT_EQ(plugin.Module, base);
        }

        HWND second = StartPlugin(plugin);
        ASSERT_NE(second, nullptr);
        EXPECT_FALSE(IsWindow(first));
        EXPECT_EQ(WindowsWithCaption(plugin, kEditorCaption), std::vector<HWND>{second});
        // The list loaded again, and the channel tuned before the start shown.
        EXPECT_EQ(ListRows(second), (std::vector<ListRow>{{"Al Jazeera", "HotBird", true}}));
        EXPECT_EQ(ControlText(second, IDC_CHANNEL), "Al Jazeera");
        EXPECT_EQ(ControlText(second, IDC_COUNT), "1");

        AddChannel(plugin, second, "BBC World", 0x2345);
        EXPECT_EQ(ControlText(second, IDC_CHANNEL), "BBC World");
        EXPECT_EQ(ControlText(second, IDC_STATUS), kTextAdded);
        EXPECT_EQ(RowNames(second), (std::vector<std::string>{"Al Jazeera", "BBC World"}));
        EXPECT_EQ(ControlText(second, IDC_COUNT), "2");
        const std::string list = ReadFileBytes(plugin.ListPath());
        EXPECT_NE(list.find("[BBC World]"), std::string::npos) << list;
        plugin.MenuSelect(IDM_CHANNEL_EDITOR);
        EXPECT_TRUE(IsWindowVisible(second));

        plugin.Exit();
        UnloadPlugin(&plugin);
        EXPECT_FALSE(IsDllLoaded(plugin.DllPath()));
        EXPECT_TRUE(WindowsOfModule(base).empty());
    }
}

TEST_F(Unload, AboutOpenedOnAThreadThatEndedOpensAfreshOnTheMainThread) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    {
        WindowThread worker;
        worker.Run([&] { plugin.MenuSelect(IDM_ABOUT); });
        HWND about = OnlyAbout(plugin);
        EXPECT_EQ(GetWindowThreadProcessId(about, nullptr), worker.Id());
        worker.Stop();
        EXPECT_FALSE(IsWindow(about));  // gone with its thread
    }
    plugin.MenuSelect(IDM_ABOUT);
    PumpMessages();
    HWND about = OnlyAbout(plugin);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_EQ(GetWindowThreadProcessId(about, nullptr), GetCurrentThreadId());
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
    plugin.MenuSelect(IDM_ABOUT);
    PumpMessages();
    EXPECT_EQ(WindowsWithCaption(plugin, kAboutCaption), std::vector<HWND>{about});

    plugin.Exit();
    UnloadPlugin(&plugin);
    EXPECT_FALSE(IsDllLoaded(plugin.DllPath()));
}

TEST_F(Unload, AnEditorThatEndedWithItsThreadIsLeftAlone) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = nullptr;
    {
        WindowThread worker;
        worker.Run([&] { editor = StartPlugin(plugin); });
        ASSERT_NE(editor, nullptr);
        worker.Stop();
    }
    EXPECT_FALSE(IsWindow(editor));
    plugin.MenuSelect(IDM_CHANNEL_EDITOR);
    plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 130));
    PumpMessages();
    EXPECT_TRUE(WindowsOfModule(plugin.Module).empty());
    plugin.MenuSelect(IDM_ABOUT);  // About needs no editor
    PumpMessages();
    EXPECT_NE(OnlyAbout(plugin), nullptr);

    plugin.Exit();
    UnloadPlugin(&plugin);
    EXPECT_FALSE(IsDllLoaded(plugin.DllPath()));
}

TEST_F(Unload, OnExitFromAnotherThreadThanTheWindowsTearsThemDown) {
    // Windows on this thread, On_Exit on a worker.
    {
        Plugin plugin;
        ASSERT_TRUE(LoadPluginCopy(&plugin));
        HWND editor = StartPlugin(plugin);
        ASSERT_NE(editor, nullptr);
        plugin.MenuSelect(IDM_CHANNEL_EDITOR);
        plugin.MenuSelect(IDM_ABOUT);
        PumpMessages();
        const HMODULE base = plugin.Module;
        WindowThread worker;
        worker.Run([&] { plugin.Exit(); });
        EXPECT_TRUE(WindowsOfModule(base).empty());
        UnloadPlugin(&plugin);
        EXPECT_FALSE(IsDllLoaded(plugin.DllPath()));
        Poke({editor});
    }
    // Windows on a worker, On_Exit on this thread.
    {
        Plugin plugin;
        ASSERT_TRUE(LoadPluginCopy(&plugin));
        WindowThread worker;
        HWND editor = nullptr;
        worker.Run([&] {
            editor = StartPlugin(plugin);
            plugin.MenuSelect(IDM_ABOUT);
        });
        ASSERT_NE(editor, nullptr);
        const HMODULE base = plugin.Module;
        EXPECT_EQ(WindowsOfModule(base).size(), 2u);
        plugin.Exit();
        EXPECT_TRUE(WindowsOfModule(base).empty());
        UnloadPlugin(&plugin);
        EXPECT_FALSE(IsDllLoaded(plugin.DllPath()));
        worker.Run([] { PumpMessages(); });
    }
}

TEST_F(Unload, AThreadThatDoesNotAnswerKeepsItsWindowsAndTheDllLoaded) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    WindowThread worker;
    HWND editor = nullptr;
    worker.Run([&] {
        editor = StartPlugin(plugin);
        plugin.MenuSelect(IDM_ABOUT);
    });
    ASSERT_NE(editor, nullptr);
    AddChannel(plugin, editor, "Al Jazeera", 0x1234);
    const HMODULE base = plugin.Module;

    worker.Pause();
    const DWORD start = GetTickCount();
    plugin.Exit();
    EXPECT_LT(GetTickCount() - start, 8000u) << "On_Exit waited too long on a thread that does not answer";
    EXPECT_EQ(WindowsOfModule(base).size(), 2u);
    UnloadPlugin(&plugin);
    EXPECT_TRUE(IsDllLoaded(plugin.DllPath())) << "unloaded under live windows";

    // The thread comes back; whatever it does with the late requests, the
    // DLL stays until a later On_Exit, through a new load of the still
    // loaded module, finds no window left.
    worker.Resume();
    worker.Run([] { PumpMessages(); });
    EXPECT_TRUE(IsDllLoaded(plugin.DllPath()));
    ASSERT_TRUE(LoadPluginModule(&plugin));
    EXPECT_EQ(plugin.Module, base);
    plugin.Exit();
    EXPECT_TRUE(WindowsOfModule(base).empty());
    UnloadPlugin(&plugin);
    EXPECT_FALSE(IsDllLoaded(plugin.DllPath()));
    Poke({editor});
    EXPECT_NE(ReadFileBytes(plugin.ListPath()).find("[Al Jazeera]"), std::string::npos);
}

}  // namespace
