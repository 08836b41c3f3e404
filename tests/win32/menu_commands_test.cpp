#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin_harness.h"
#include "resources/resource.h"

namespace {

const char kAboutCaption[] = "Yoxa Zelq ~ Channel Editor";

TEST(MenuCommands, ShowEditorIsTopmostOkDropsTopmostEscKeepsIt) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);

    plugin.MenuSelect(IDM_CHANNEL_EDITOR);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_TRUE(IsTopmost(editor));
    EXPECT_EQ(ControlText(editor, IDC_CHANNEL), "");  // no channel yet

    // Again while visible: still shown and topmost.
    plugin.MenuSelect(IDM_CHANNEL_EDITOR);
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_TRUE(IsTopmost(editor));

    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(editor));
    EXPECT_FALSE(IsTopmost(editor));
    EXPECT_TRUE(IsWindow(editor));

    plugin.MenuSelect(IDM_CHANNEL_EDITOR);
    EXPECT_TRUE(IsTopmost(editor));
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(editor));
    EXPECT_TRUE(IsWindow(editor));
    EXPECT_TRUE(IsTopmost(editor));
    plugin.MenuSelect(IDM_CHANNEL_EDITOR);
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_TRUE(IsTopmost(editor));
}

TEST(MenuCommands, TheMenuBarsChannelEditorItemAndUnknownCommandsDoNothing) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDM_CHANNEL_EDITOR, 0), 0);
    plugin.MenuSelect(0);
    plugin.MenuSelect(40703);
    plugin.MenuSelect(-1);
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(editor));
    EXPECT_TRUE(WindowsWithCaption(plugin, kAboutCaption).empty());
    plugin.Exit();  // tears the windows down
    EXPECT_FALSE(IsWindow(editor));
}

TEST(MenuCommands, AboutOpensOnceComesToTheFrontAndOpensAfreshAfterClosing) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);

    plugin.MenuSelect(IDM_ABOUT);
    PumpMessages();
    std::vector<HWND> about = WindowsWithCaption(plugin, kAboutCaption);
    ASSERT_EQ(about.size(), 1u);
    HWND first = about[0];
    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_EQ(GetParent(first), nullptr);
    EXPECT_NE(GetDlgItem(first, IDC_ABOUT_LINK), nullptr);

    // A second command, from the host or from the editor's menu bar, only
    // brings the open one to the front.
    SetForegroundWindow(HostWindow());
    plugin.MenuSelect(IDM_ABOUT);
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
    PumpMessages();
    EXPECT_EQ(WindowsWithCaption(plugin, kAboutCaption), std::vector<HWND>{first});
    EXPECT_EQ(GetForegroundWindow(), first);

    SendMessageA(first, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PumpMessages();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(WindowsWithCaption(plugin, kAboutCaption).empty());

    // The editor's menu bar opens a fresh one; Esc closes that too.
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
    PumpMessages();
    about = WindowsWithCaption(plugin, kAboutCaption);
    ASSERT_EQ(about.size(), 1u);
    EXPECT_TRUE(IsWindowVisible(about[0]));
    SendMessageA(about[0], WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    PumpMessages();
    EXPECT_TRUE(WindowsWithCaption(plugin, kAboutCaption).empty());
    plugin.MenuSelect(IDM_ABOUT);
    PumpMessages();
    EXPECT_EQ(WindowsWithCaption(plugin, kAboutCaption).size(), 1u);
}

TEST(MenuCommands, CommandsBeforeStartWorkOnWhatExists) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    plugin.MenuSelect(IDM_CHANNEL_EDITOR);  // no editor yet: nothing
    plugin.ChannelChange(MakeChannel("Early", 0x0101, 130));
    plugin.MenuSelect(IDM_ABOUT);  // About needs no editor
    PumpMessages();
    const std::vector<HWND> about = WindowsWithCaption(plugin, kAboutCaption);
    ASSERT_EQ(about.size(), 1u);
    SendMessageA(about[0], WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PumpMessages();
}

// The process's private memory (its commit charge), in bytes. Wine fills
// PagefileUsage, which Windows gives the same value as PrivateUsage.
SIZE_T PrivateMemory() {
    PROCESS_MEMORY_COUNTERS counters;
    ZeroMemory(&counters, sizeof counters);
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

TEST(MenuCommands, OpeningAndClosingAboutLeavesNothingBehind) {
    // The same in any host; each closing takes Wine a while, so once.
    if (!RunningAsViewer()) GTEST_SKIP() << "run in the viewer's test program";
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    auto openAndClose = [&] {
        plugin.MenuSelect(IDM_ABOUT);
        PumpMessages();
        const std::vector<HWND> about = WindowsWithCaption(plugin, kAboutCaption);
        ASSERT_EQ(about.size(), 1u);
        SendMessageA(about[0], WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        PumpMessages();
    };
    for (int i = 0; i < 3; ++i) openAndClose();  // what the first openings make once
    const SIZE_T before = PrivateMemory();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 40; ++i) openAndClose();
    const SIZE_T after = PrivateMemory();
    // Its bitmap alone is about 40 KB: 40 of them would be 1.6 MB.
    EXPECT_LT(after, before + 256 * 1024) << "private memory grew by " << (after - before) / 1024 << " KB";
    plugin.Exit();
}

// Points the https handler at this program, which records the URL it is asked
// to open, and puts the previous handler back afterwards.
class LinkHandler : public ::testing::Test {
protected:
    void SetUp() override {
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        marker_ = MakeTestDirectory() + "\\opened-url.txt";
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "https\\shell\\open\\command", 0, nullptr, 0,
                                  KEY_READ | KEY_WRITE, nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
        char old[1024];
        DWORD size = sizeof old;
        DWORD type = 0;
        if (RegQueryValueExA(key_, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            hadOld_ = true;
            old_.assign(old, size > 0 ? size - 1 : 0);
        }
        const std::string command = "\"" + std::string(exe) + "\" --record-url \"" + marker_ + "\" \"%1\"";
        RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
    }

    void TearDown() override {
        if (hadOld_) {
            RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(old_.c_str()),
                           static_cast<DWORD>(old_.size() + 1));
        } else {
            RegDeleteValueA(key_, nullptr);
        }
        RegCloseKey(key_);
    }

    // The URL opened within the given time, or "".
    std::string OpenedUrl(DWORD milliseconds) {
        for (DWORD waited = 0; waited <= milliseconds; waited += 100) {
            PumpMessages();
            if (FileExists(marker_)) {
                Sleep(200);
                return ReadFileBytes(marker_);
            }
            Sleep(100);
        }
        return "";
    }

    void Notify(HWND about, int control, int code) {
        NMHDR header;
        header.hwndFrom = GetDlgItem(about, control);
        header.idFrom = static_cast<UINT_PTR>(control);
        header.code = static_cast<UINT>(code);
        SendMessageA(about, WM_NOTIFY, static_cast<WPARAM>(control), reinterpret_cast<LPARAM>(&header));
    }

    HKEY key_ = nullptr;
    bool hadOld_ = false;
    std::string old_;
    std::string marker_;
};

TEST_F(LinkHandler, OnlyAClickOnTheLinkOpensTheWebPage) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    plugin.MenuSelect(IDM_ABOUT);
    PumpMessages();
    const std::vector<HWND> about = WindowsWithCaption(plugin, kAboutCaption);
    ASSERT_EQ(about.size(), 1u);

    Notify(about[0], IDC_ABOUT_LINK, NM_RETURN);
    Notify(about[0], IDC_ABOUT_LINK, NM_SETFOCUS);
    Notify(about[0], IDOK, NM_CLICK);
    Notify(about[0], IDC_DATA_GROUP, NM_CLICK);
    EXPECT_EQ(OpenedUrl(2000), "");
    EXPECT_TRUE(IsWindow(about[0]));

    Notify(about[0], IDC_ABOUT_LINK, NM_CLICK);
    const std::string url = OpenedUrl(15000);
    EXPECT_EQ(url.rfind("https://", 0), 0u) << url;
}

}  // namespace
