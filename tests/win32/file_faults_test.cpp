// What a user's disk can do to the list, seen from the running plug-in.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin_harness.h"
#include "resources/resource.h"
#include "shared/arabic_texts.h"

namespace {

const char kCanonical[] = "[ 1 A271914BA85C ] [Al Jazeera]\r\n";

// Whether a temporary file of a rewrite is left in the folder.
bool TemporaryFileLeft(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

TEST(FileFaults, AReadOnlyListIsShownButNotRewritten) {
    const std::string list = "[ 1 a271914ba85c ] [Al Jazeera]\n[ 1 A271914BA85C ] [Again]\n";
    Plugin plugin;
    std::string directory = MakeTestDirectory();
    WriteFileBytes(directory + "\\ChannelList.ini", list);
    ASSERT_TRUE(SetFileAttributesA((directory + "\\ChannelList.ini").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(LoadPluginCopy(&plugin, nullptr, directory));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ListRows(editor), (std::vector<ListRow>{{"Al Jazeera", "HotBird", true}}));
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "1");
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), list);
    EXPECT_FALSE(TemporaryFileLeft(plugin.Directory));
}

TEST(FileFaults, AListThatIsADirectoryIsNeitherReadNorWritten) {
    Plugin plugin;
    std::string directory = MakeTestDirectory();
    ASSERT_TRUE(CreateDirectoryA((directory + "\\ChannelList.ini").c_str(), nullptr));
    ASSERT_TRUE(LoadPluginCopy(&plugin, nullptr, directory));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(ListRows(editor).empty());
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "0");
    plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 130));
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    EXPECT_EQ(ControlText(editor, IDC_STATUS), "");
    EXPECT_TRUE(ListRows(editor).empty());
}

TEST(FileFaults, AListPathTooLongIsNeverUsed) {
    // A directory whose DLL path fits in 259 characters but whose list path
    // would need 260.
    std::string directory = MakeTestDirectory();
    const std::string base = directory;
    while (directory.size() < 244) {
        const std::size_t room = 244 - directory.size() - 1;
        directory += "\\" + std::string(room < 60 ? room : 60, 'd');
        ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr)) << directory.size();
    }
    ASSERT_EQ(directory.size(), 244u);
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, nullptr, directory));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "0");
    plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 130));
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    EXPECT_EQ(ControlText(editor, IDC_STATUS), "");
    EXPECT_TRUE(ListRows(editor).empty());
    // Nothing was written under a cut-short name either.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\Channel*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST(FileFaults, AddAfterALastLineWithoutLineBreak) {
    const std::string list = "[ 1 0000000000FF ] [First]";
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, &list));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    // The load wrote the line back with its line break; take it away again.
    WriteFileBytes(plugin.ListPath(), list);
    plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 130));
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), list + "\r\n" + kCanonical);
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAdded);
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "2");
}

TEST(FileFaults, TheRewriteReplacesTheListAndLeavesNoTemporaryFile) {
    const std::string list = "\n\n  [ 1 a271914ba85c ] [Al Jazeera]  \r\n\r\nnot a line\r\n";
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, &list));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), std::string(kCanonical) + "not a line\r\n");
    EXPECT_FALSE(TemporaryFileLeft(plugin.Directory));
}

}  // namespace
