// The keyboard in the plug-in's windows, whatever the viewer's message loop:
// a plain PeekMessage/TranslateMessage/DispatchMessage loop, one that routes
// every dialog's messages through IsDialogMessage first (as the stand-in
// viewer does), a Unicode one, and one that looks at each message with
// PM_NOREMOVE before it takes it. Keys are posted to the focused control, as
// the system queues them, and taken through the loop under test; the
// system's own loops (the editor's menu bar, its system menu, the keyboard
// move) run inside that loop and take the keys after them from the queue.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "channel_list/entry_code.h"
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

// A viewer built for Unicode.
void UnicodeLoop() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// A loop that looks before it takes: every message comes by twice.
void PeekThenTakeLoop() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (GetMessageA(&message, nullptr, 0, 0) <= 0) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct LoopCase {
    const char* Name;
    Loop Run;
    bool Unicode;  // the loop takes characters as UTF-16, else in the ANSI code page
};

void PrintTo(const LoopCase& loop, std::ostream* out) { *out << loop.Name; }

const LoopCase kLoops[] = {
    {"PlainLoop", PlainLoop, false},
    {"DialogLoop", DialogLoop, false},
    {"UnicodeLoop", UnicodeLoop, true},
    {"PeekThenTakeLoop", PeekThenTakeLoop, false},
};

// A key as the system queues it: scan code, repeat count 1, and the
// transition bits as a keyboard sets them.
constexpr LPARAM kReleased = (LPARAM{1} << 30) | (LPARAM{1} << 31);

void PostKey(HWND window, UINT message, UINT key, LPARAM flags) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(window, message, key, scan | 1 | flags);
}

// A key pressed and released on the focused control.
void PressKey(UINT key, Loop loop) {
    HWND focus = GetFocus();
    ASSERT_NE(focus, nullptr) << "no control has the keyboard focus";
    PostKey(focus, WM_KEYDOWN, key, 0);
    loop();
    PostKey(focus, WM_KEYUP, key, kReleased);
    loop();
}

class Keyboard : public ::testing::TestWithParam<LoopCase> {
protected:
    void SetUp() override {
        g_HostAnswer = 130;
        g_HostQueries.clear();
    }

    // A started plug-in with its editor shown and the focus on `control`.
    HWND ShownEditor(Plugin* plugin, int control, const std::string* list = nullptr) {
        if (!LoadPluginCopy(plugin, list)) return nullptr;
        HWND editor = StartPlugin(*plugin);
        if (!editor) return nullptr;
        FocusEditor(*plugin, editor, control);
        return editor;
    }

    void FocusEditor(const Plugin& plugin, HWND editor, int control) {
        plugin.MenuSelect(IDM_CHANNEL_EDITOR);
        GetParam().Run();
        SetFocus(GetDlgItem(editor, control));
        GetParam().Run();
        EXPECT_EQ(GetActiveWindow(), editor);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), control);
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

// A list line for the channel, as the add writes it.
std::string Line(std::uint16_t ident, const char* name) {
    const EntryCode code = EncodeEntryCode(ident, 130, 11'747'000);
    char line[96];
    std::snprintf(line, sizeof line, "[ 1 %02X%02X%02X%02X%02X%02X ] [%s]\r\n", code.Bytes[0], code.Bytes[1],
                  code.Bytes[2], code.Bytes[3], code.Bytes[4], code.Bytes[5], name);
    return line;
}

TEST_P(Keyboard, ALetterTypedInTheListFindsTheRowThatStartsWithIt) {
    // Arabic names in Windows-1256: "Nile Channel" begins with qaf, "Al
    // Jazeera" with alef. The alef reaches the list view as the loop took
    // it: in UTF-16 from a Unicode loop, in the ANSI code page (1256) from
    // the others.
    const std::string list = Line(0x1234, "Al Jazeera") + Line(0x1101, "\xde\xe4\xc7\xc9\x20\xc7\xe1\xe4\xed\xe1") +
                             Line(0x0301, "\xc7\xe1\xcc\xd2\xed\xd1\xc9");
    Plugin plugin;
    HWND editor = ShownEditor(&plugin, IDC_CHANNEL_LIST, &list);
    ASSERT_NE(editor, nullptr);
    HWND rows = GetDlgItem(editor, IDC_CHANNEL_LIST);
    ASSERT_EQ(SendMessageA(rows, LVM_GETITEMCOUNT, 0, 0), 3);
    if (GetParam().Unicode) {
        PostMessageW(rows, WM_CHAR, 0x0627, 1);
    } else {
        PostMessageA(rows, WM_CHAR, 0xC7, 1);
    }
    GetParam().Run();
    EXPECT_EQ(SendMessageA(rows, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
    EXPECT_TRUE(IsWindowVisible(editor));
    plugin.Exit();
}

// Ends a system loop that a test's keys did not end, so that a failing test
// fails instead of hanging: it cancels the menu, and the move loop through the
// capture it holds.
bool g_LoopCut = false;

void CALLBACK CutLoop(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    g_LoopCut = true;
    EndMenu();
    HWND active = GetActiveWindow();
    PostMessageA(active, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    PostKey(active, WM_KEYDOWN, VK_ESCAPE, 0);
    PostKey(active, WM_KEYDOWN, VK_ESCAPE, 0);
}

// A key going down or up on the keyboard.
struct Stroke {
    WORD Key;
    bool Up;
};

constexpr Stroke Down(WORD key) { return {key, false}; }
constexpr Stroke Up(WORD key) { return {key, true}; }

// Types the strokes as the keyboard does: input messages for the active
// window's thread, behind which the characters TranslateMessage makes of
// them come first, and the keyboard state follows them (Alt held).
void Type(const std::vector<Stroke>& strokes) {
    std::vector<INPUT> inputs;
    for (const Stroke& stroke : strokes) {
        INPUT input;
        ZeroMemory(&input, sizeof input);
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = stroke.Key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(stroke.Key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = stroke.Up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    }
    ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size());
}

// The system's loops the editor entered and left, as its window procedure is
// told of them.
struct SystemLoops {
    int MenusEntered = 0;
    int MenusLeft = 0;
    int MovesEntered = 0;
    int MovesLeft = 0;
};
SystemLoops g_Loops;

LRESULT CALLBACK CountSystemLoops(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION) {
        g_Loops.MenusEntered += call->message == WM_ENTERMENULOOP;
        g_Loops.MenusLeft += call->message == WM_EXITMENULOOP;
        g_Loops.MovesEntered += call->message == WM_ENTERSIZEMOVE;
        g_Loops.MovesLeft += call->message == WM_EXITSIZEMOVE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_P(Keyboard, TheMenuBarTheSystemMenuAndTheMoveLoopKeepTheirKeys) {
    struct Case {
        const char* Keys;
        std::vector<Stroke> Strokes;
        bool OpensAbout;
        bool Moves;  // a keyboard move loop is entered and left
    };
    const Case cases[] = {
        {"Alt, Esc: the menu bar opens and closes",
         {Down(VK_MENU), Up(VK_MENU), Down(VK_ESCAPE), Up(VK_ESCAPE)}, false, false},
        {"Alt+H, Esc, Esc: Help drops down, closes, the menu bar closes",
         {Down(VK_MENU), Down('H'), Up('H'), Up(VK_MENU), Down(VK_ESCAPE), Up(VK_ESCAPE), Down(VK_ESCAPE),
          Up(VK_ESCAPE)},
         false, false},
        {"Alt+H, Enter: the highlighted About opens",
         {Down(VK_MENU), Down('H'), Up('H'), Up(VK_MENU), Down(VK_RETURN), Up(VK_RETURN)}, true, false},
        // Move is the system menu's second item, whatever the system's
        // language names it.
        {"Alt+Space, Down, Enter (Move), Right, Right, Enter: a move from the keyboard",
         {Down(VK_MENU), Down(VK_SPACE), Up(VK_SPACE), Up(VK_MENU), Down(VK_DOWN), Up(VK_DOWN), Down(VK_RETURN),
          Up(VK_RETURN), Down(VK_RIGHT), Up(VK_RIGHT), Down(VK_RIGHT), Up(VK_RIGHT), Down(VK_RETURN), Up(VK_RETURN)},
         false, true},
    };
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Keys);
        FocusEditor(plugin, editor, IDC_CHANNEL_LIST);
        g_Loops = SystemLoops();
        HHOOK spy = SetWindowsHookExA(WH_CALLWNDPROC, CountSystemLoops, nullptr, GetCurrentThreadId());
        ASSERT_NE(spy, nullptr);
        Type(c.Strokes);
        g_LoopCut = false;
        const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, CutLoop);
        // The input reaches the queue a moment after SendInput returns.
        for (int i = 0; i < 10; ++i) {
            Sleep(20);
            GetParam().Run();
        }
        if (!g_LoopCut) KillTimer(nullptr, watchdog);
        UnhookWindowsHookEx(spy);
        EXPECT_FALSE(g_LoopCut) << "the keys did not end the system's loop";
        EXPECT_GE(g_Loops.MenusEntered, 1);
        EXPECT_EQ(g_Loops.MenusLeft, g_Loops.MenusEntered);
        EXPECT_EQ(g_Loops.MovesEntered, c.Moves ? 1 : 0);
        EXPECT_EQ(g_Loops.MovesLeft, g_Loops.MovesEntered);

        EXPECT_TRUE(IsWindowVisible(editor));
        EXPECT_TRUE(IsWindow(editor));
        GUITHREADINFO thread;
        ZeroMemory(&thread, sizeof thread);
        thread.cbSize = sizeof thread;
        ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &thread));
        EXPECT_EQ(thread.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE | GUI_INMOVESIZE), 0u);
        const std::vector<HWND> about = WindowsWithCaption(plugin, kAboutCaption);
        EXPECT_EQ(about.size(), c.OpensAbout ? 1u : 0u);
        for (HWND window : about) SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(ReadFileBytes(plugin.ListPath()), "");  // the add was not pressed
    }
    plugin.Exit();
}

INSTANTIATE_TEST_SUITE_P(ViewerLoops, Keyboard, ::testing::ValuesIn(kLoops),
                         [](const ::testing::TestParamInfo<LoopCase>& info) { return std::string(info.param.Name); });

}  // namespace
