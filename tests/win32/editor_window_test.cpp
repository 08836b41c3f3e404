#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin_harness.h"
#include "resources/resource.h"
#include "shared/arabic_texts.h"

namespace {

const char kHotBirdLine[] = "[ 1 A271914BA85C ] [Al Jazeera]\r\n";

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_HostAnswer = 130;
        g_HostQueries.clear();
    }
};

std::string ColumnHeader(HWND list, int column, int* width, int* format) {
    char text[128] = "";
    LVCOLUMNA info;
    ZeroMemory(&info, sizeof info);
    info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    info.pszText = text;
    info.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
    *width = info.cx;
    *format = info.fmt & LVCFMT_JUSTIFYMASK;
    return text;
}

std::string MenuText(HMENU menu, UINT position) {
    char text[64] = "";
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

TEST_F(EditorWindow, StartReturnsTheHiddenEditorWithItsTextsColumnsAndMenu) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(IsWindowVisible(editor));
    EXPECT_EQ(GetParent(editor), nullptr);
    EXPECT_EQ(WindowText(editor), "Zelq ~ Channel Editor :: Ver 1.0 ::");

    EXPECT_EQ(ControlText(editor, IDC_CHANNEL_LABEL), kTextCurrentChannelLabel);
    EXPECT_EQ(ControlText(editor, IDC_COUNT_LABEL), kTextCountLabel);
    EXPECT_EQ(ControlText(editor, IDC_DATA_GROUP), kTextDataGroup);
    EXPECT_EQ(ControlText(editor, IDC_ADD), kTextAddButton);
    EXPECT_EQ(ControlText(editor, IDOK), kTextOkButton);
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "0");
    EXPECT_EQ(ControlText(editor, IDC_STATUS), "");
    EXPECT_EQ(ControlText(editor, IDC_CHANNEL), "");

    HWND list = GetDlgItem(editor, IDC_CHANNEL_LIST);
    EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x25);
    int width = 0;
    int format = 0;
    EXPECT_EQ(ColumnHeader(list, 0, &width, &format), kTextChannelColumn);
    EXPECT_EQ(width, 116);
    EXPECT_EQ(ColumnHeader(list, 1, &width, &format), kTextSatelliteColumn);
    EXPECT_EQ(width, 70);
    EXPECT_EQ(format, LVCFMT_CENTER);

    HMENU menu = GetMenu(editor);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(GetMenuItemID(menu, 0), IDM_CHANNEL_EDITOR);
    EXPECT_EQ(MenuText(menu, 0), "Channel Editor");
    EXPECT_EQ(MenuText(menu, 1), "Help");
    HMENU help = GetSubMenu(menu, 1);
    ASSERT_NE(help, nullptr);
    ASSERT_EQ(GetMenuItemCount(help), 1);
    EXPECT_EQ(GetMenuItemID(help, 0), IDM_ABOUT);
    EXPECT_EQ(MenuText(help, 0), "About");
}

TEST_F(EditorWindow, AnExistingListShowsAtOnceAndIsRewritten) {
    const std::string list =
        "[ 1 a271914ba85c ] [Al Jazeera]\n"
        "[ 0 69E7DE5757E7 ] [\xc7\xe1\xcc\xd2\xed\xd1\xc9]\n"  // "Al Jazeera" in Arabic
        "[ 1 A271914B0000 ] [Al Jazeera again]\n"
        "[ 1 0102030405FF ] [Unknown satellite]\n";
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, &list));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    const std::vector<ListRow> expected = {
        {"Al Jazeera", "HotBird", true},
        {"\xc7\xe1\xcc\xd2\xed\xd1\xc9", "Thor 2/3", false},
        {"Unknown satellite", "UnKnown", true},
    };
    EXPECT_EQ(ListRows(editor), expected);
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "3");
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()),
              "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
              "[ 0 69E7DE5757E7 ] [\xc7\xe1\xcc\xd2\xed\xd1\xc9]\r\n"
              "[ 1 0102030405FF ] [Unknown satellite]\r\n");
    EXPECT_FALSE(FileExists(plugin.Directory + "\\~ChannelList.tm"));
}

TEST_F(EditorWindow, ChannelChangeShowsTheNameAndClearsTheStatusWhileHidden) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    // A channel tuned before the window exists is shown when it is made: it
    // is the one the add button adds.
    plugin.ChannelChange(MakeChannel("Early", 0x0101, 130));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ControlText(editor, IDC_CHANNEL), "Early");
    EXPECT_EQ(ControlText(editor, IDC_STATUS), "");

    plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 130));
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAdded);

    plugin.ChannelChange(MakeChannel("\xc7\xe1\xcc\xd2\xed\xd1\xc9", 0x2222, 130));
    EXPECT_FALSE(IsWindowVisible(editor));
    EXPECT_EQ(ControlText(editor, IDC_CHANNEL), "\xc7\xe1\xcc\xd2\xed\xd1\xc9");
    EXPECT_EQ(ControlText(editor, IDC_STATUS), "");

    // A name field with no NUL in it shows its own 92 bytes and no more.
    ChannelRecord full = MakeChannel("", 0x3333, 130);
    std::memset(full.ChannelName, 'N', sizeof full.ChannelName);
    plugin.ChannelChange(full);
    EXPECT_EQ(ControlText(editor, IDC_CHANNEL), std::string(92, 'N'));
}

TEST_F(EditorWindow, AddAppendsShowsAndCountsThenRefusesTheSameChannel) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);

    // The viewer answers 130 (HotBird); the record itself says 130 as well,
    // so the line is the same whoever supplies the position.
    plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 130));
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), kHotBirdLine);
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAdded);
    EXPECT_EQ(ListRows(editor), (std::vector<ListRow>{{"Al Jazeera", "HotBird", false}}));
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "1");

    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), kHotBirdLine);
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAlreadyInList);
    EXPECT_EQ(ListRows(editor).size(), 1u);
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "1");

    // One well-formed query per press from the viewer, none from another host.
    if (RunningAsViewer()) {
        ASSERT_EQ(g_HostQueries.size(), 2u);
        for (const PositionQuery& query : g_HostQueries) {
            PositionQuery expected;
            std::memset(&expected, 0, sizeof expected);
            expected.Size = 208;
            EXPECT_EQ(std::memcmp(&query, &expected, sizeof query), 0);
        }
    } else {
        EXPECT_TRUE(g_HostQueries.empty());
    }
}

TEST_F(EditorWindow, ThePositionComesFromTheViewerOrElseFromTheRecord) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    g_HostAnswer = 130;                                            // HotBird
    plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 192));  // Astra 1B-1H
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    ASSERT_EQ(ListRows(editor).size(), 1u);
    EXPECT_EQ(ListRows(editor)[0].Satellite, RunningAsViewer() ? "HotBird" : "Astra 1B-1H");

    // A viewer that knows no position (answers 0) adds nothing, and says
    // so where "added" stood.
    if (RunningAsViewer()) {
        EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAdded);
        g_HostAnswer = 0;
        plugin.ChannelChange(MakeChannel("Other", 0x4321, 192));
        SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
        EXPECT_EQ(ListRows(editor).size(), 1u);
        EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextNoPosition);
    }
}

TEST_F(EditorWindow, NothingToAddBeforeAChannelOrWithValidWordZero) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    ChannelRecord invalid = MakeChannel("Not a channel", 0x1234, 130);
    invalid.ValidWord = 0;
    plugin.ChannelChange(invalid);
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    EXPECT_FALSE(FileExists(plugin.ListPath()));
    EXPECT_TRUE(g_HostQueries.empty());
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextNoChannel);
}

}  // namespace
