// The keyboard in the plug-in's windows, whatever the viewer's message loop:
// a plain GetMessage/TranslateMessage/DispatchMessage loop, and one that
// routes every dialog's messages through IsDialogMessage first, as the
// stand-in viewer does. Keys are posted to the focused control, as the
// system queues them, and taken through the loop under test.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "plugin_harness.h"
#include "resources/resource.h"
#include "shared/arabic_texts.h"

namespace {

const char kAboutCaption[] = "Yoxa Zelq ~ Channel Editor";

// Takes this thread's messages through a viewer's loop.
using Loop = void (*)();

// The usual loop, which knows nothing of dialogs.
void PlainLoop() { PumpMessages(); }

// A loop that gives every dialog's messages to IsDialogMessage first.
void DialogLoop() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        char className[16] = "";
        if (root) GetClassNameA(root, className, sizeof className);
        if (std::strcmp(className, "#32770") == 0 && IsDialogMessageA(root, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct LoopCase {
    const char* Name;
    Loop Run;
};

void PrintTo(const LoopCase& loop, std::ostream* out) { *out << loop.Name; }

const LoopCase kLoops[] = {{"PlainLoop", PlainLoop}, {"DialogLoop", DialogLoop}};

// A key pressed and released on the focused control, as the system queues it.
void PressKey(UINT key, Loop loop) {
    HWND focus = GetFocus();
    ASSERT_NE(focus, nullptr) << "no control has the keyboard focus";
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(focus, WM_KEYDOWN, key, scan | 1);
    loop();
    PostMessageA(focus, WM_KEYUP, key, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
    loop();
}

class Keyboard : public ::testing::TestWithParam<LoopCase> {
protected:
    void SetUp() override {
        g_HostAnswer = 130;
        g_HostQueries.clear();
    }

    // A started plug-in with its editor shown and the focus on `control`.
    HWND ShownEditor(Plugin* plugin, int control) {
        if (!LoadPluginCopy(plugin)) return nullptr;
        HWND editor = StartPlugin(*plugin);
        if (!editor) return nullptr;
        plugin->MenuSelect(IDM_CHANNEL_EDITOR);
        GetParam().Run();
        SetFocus(GetDlgItem(editor, control));
        GetParam().Run();
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), control);
        return editor;
    }
};

TEST_P(Keyboard, TabMovesOneControlAtATime) {
    Plugin plugin;
    HWND editor = ShownEditor(&plugin, IDOK);
    ASSERT_NE(editor, nullptr);
    // The tab stops in the template's order, round to the first again.
    for (int next : {IDC_ADD, IDC_CHANNEL_LIST, IDOK, IDC_ADD}) {
        PressKey(VK_TAB, GetParam().Run);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), next);
    }
    plugin.Exit();
}

TEST_P(Keyboard, EscAndEnterHideTheEditor) {
    struct Case {
        const char* Key;
        UINT VirtualKey;
        int Focus;
        bool StaysTopmost;  // Esc keeps the window topmost, OK (Enter) does not
    };
    const Case cases[] = {
        {"Esc", VK_ESCAPE, IDC_CHANNEL_LIST, true},
        {"Enter", VK_RETURN, IDC_CHANNEL_LIST, false},
        {"Enter on OK", VK_RETURN, IDOK, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Key);
        Plugin plugin;
        HWND editor = ShownEditor(&plugin, c.Focus);
        ASSERT_NE(editor, nullptr);
        ASSERT_TRUE(IsWindowVisible(editor));
        PressKey(c.VirtualKey, GetParam().Run);
        EXPECT_FALSE(IsWindowVisible(editor));
        EXPECT_TRUE(IsWindow(editor));
        EXPECT_EQ(IsTopmost(editor), c.StaysTopmost);
        EXPECT_EQ(ReadFileBytes(plugin.ListPath()), "");  // nothing added
        plugin.Exit();
    }
}

TEST_P(Keyboard, SpaceOnTheAddButtonAddsOnce) {
    Plugin plugin;
    HWND editor = ShownEditor(&plugin, IDC_ADD);
    ASSERT_NE(editor, nullptr);
    plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 130));
    GetParam().Run();
    PressKey(VK_SPACE, GetParam().Run);
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), "[ 1 A271914BA85C ] [Al Jazeera]\r\n");
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAdded);
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "1");
    EXPECT_TRUE(IsWindowVisible(editor));
    plugin.Exit();
}

TEST_P(Keyboard, EscClosesAbout) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    plugin.MenuSelect(IDM_ABOUT);
    GetParam().Run();
    const std::vector<HWND> about = WindowsWithCaption(plugin, kAboutCaption);
    ASSERT_EQ(about.size(), 1u);
    SetFocus(GetDlgItem(about[0], IDOK));
    GetParam().Run();
    ASSERT_EQ(GetAncestor(GetFocus(), GA_ROOT), about[0]);
    PressKey(VK_ESCAPE, GetParam().Run);
    EXPECT_FALSE(IsWindow(about[0]));
    EXPECT_TRUE(WindowsWithCaption(plugin, kAboutCaption).empty());
    plugin.Exit();
}

INSTANTIATE_TEST_SUITE_P(ViewerLoops, Keyboard, ::testing::ValuesIn(kLoops),
                         [](const ::testing::TestParamInfo<LoopCase>& info) { return std::string(info.param.Name); });

}  // namespace
