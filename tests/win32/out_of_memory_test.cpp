// The plug-in out of memory: from some allocation of a load or an add on,
// every allocation it makes fails. Each run lets one more through, until the
// operation completes. The viewer must go on (no exception may reach it), the
// list must stay byte for byte as it was with nothing left beside it, and the
// plug-in must work again once memory is back.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "failing_allocator.h"
#include "plugin_harness.h"
#include "resources/resource.h"
#include "shared/arabic_texts.h"

namespace {

// A list a start rewrites (lower-case digits, LF line ends, a later line of
// a channel), and what it writes.
const std::string kUntidyList =
    "[ 1 a271914ba85c ] [Al Jazeera]\n"
    "[ 1 A271914B0000 ] [Al Jazeera again]\n"
    "[ 0 0102030405ff ] [Unknown satellite]\n";
const std::string kTidyList =
    "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
    "[ 0 0102030405FF ] [Unknown satellite]\r\n";

// A run gives up past this many allocations: the operations make far fewer.
constexpr int kMostAllocations = 200;

// Files in the plug-in's folder other than the DLL, the list and its lock.
std::vector<std::string> LeftOverFiles(const Plugin& plugin) {
    std::vector<std::string> left;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((plugin.Directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return left;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != ".." && name != "ZelqEditor.dll" && name != "ChannelList.ini" &&
            name != "ChannelList.lck") {
            left.push_back(name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return left;
}

int RowsShown(HWND editor) {
    return static_cast<int>(SendDlgItemMessageA(editor, IDC_CHANNEL_LIST, LVM_GETITEMCOUNT, 0, 0));
}

void PressAdd(HWND editor) { SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0); }

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(OutOfMemory, ALoadWritesNothingAndTheViewerGoesOn) {
    for (int allowed = 0;; ++allowed) {
        SCOPED_TRACE("allocations allowed: " + std::to_string(allowed));
        ASSERT_LT(allowed, kMostAllocations);
        Plugin plugin;
        ASSERT_TRUE(LoadPluginCopy(&plugin, &kUntidyList));
        HWND editor = nullptr;
        int failures = 0;
        {
            FailingAllocator allocator(plugin.Module, allowed);
            ASSERT_TRUE(allocator.Installed());
            editor = StartPlugin(plugin);
            failures = allocator.Failures();
        }
        if (allowed == 0) {
            EXPECT_GT(failures, 0) << "the failures did not reach the plug-in";
        }
        ASSERT_NE(editor, nullptr);
        const std::string list = ReadFileBytes(plugin.ListPath());
        EXPECT_EQ(list, failures > 0 ? kUntidyList : kTidyList);
        EXPECT_EQ(LeftOverFiles(plugin), std::vector<std::string>());
        EXPECT_EQ(ControlText(editor, IDC_COUNT), std::to_string(RowsShown(editor)));

        // With memory back the plug-in works: the load let the list's lock
        // go, and an add appends.
        plugin.ChannelChange(MakeChannel("Added later", 0x4444, 130));
        PressAdd(editor);
        EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAdded);
        const std::string added = ReadFileBytes(plugin.ListPath());
        EXPECT_EQ(added.compare(0, list.size(), list), 0);
        EXPECT_TRUE(EndsWith(added, " ] [Added later]\r\n")) << added;
        if (failures == 0) break;
    }
}

TEST(OutOfMemory, AnAddWritesNothingUntilItCanWriteItAll) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, &kTidyList));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(RowsShown(editor), 2);
    plugin.ChannelChange(MakeChannel("Euronews", 0x2001, 130));
    for (int allowed = 0;; ++allowed) {
        SCOPED_TRACE("allocations allowed: " + std::to_string(allowed));
        ASSERT_LT(allowed, kMostAllocations);
        int failures = 0;
        {
            FailingAllocator allocator(plugin.Module, allowed);
            ASSERT_TRUE(allocator.Installed());
            PressAdd(editor);
            failures = allocator.Failures();
        }
        if (allowed == 0) {
            EXPECT_GT(failures, 0) << "the failures did not reach the plug-in";
        }
        EXPECT_EQ(LeftOverFiles(plugin), std::vector<std::string>());
        if (failures > 0) {
            EXPECT_EQ(ReadFileBytes(plugin.ListPath()), kTidyList);
            EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextCannotWrite);
            EXPECT_EQ(RowsShown(editor), 2);
            EXPECT_EQ(ControlText(editor, IDC_COUNT), "2");
            continue;
        }
        const std::string list = ReadFileBytes(plugin.ListPath());
        EXPECT_EQ(list.compare(0, kTidyList.size(), kTidyList), 0);
        EXPECT_TRUE(EndsWith(list, " ] [Euronews]\r\n")) << list;
        EXPECT_EQ(list.size(), kTidyList.size() + 31);
        EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAdded);
        EXPECT_EQ(RowsShown(editor), 3);
        EXPECT_EQ(ControlText(editor, IDC_COUNT), "3");
        break;
    }
}

// Every export, and the editor's commands, with no allocation at all
// succeeding: nothing reaches the viewer, nothing is written, and once memory
// is back On_Exit and On_Start work as after a fresh load.
TEST(OutOfMemory, EveryExportGoesOnWithNoMemoryAtAll) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, &kUntidyList));
    {
        FailingAllocator allocator(plugin.Module, 0);
        ASSERT_TRUE(allocator.Installed());
        char name[32] = "";
        plugin.SendName(name);
        EXPECT_STREQ(name, "Yoxa's Channel Editor");
        HWND editor = StartPlugin(plugin);
        ASSERT_NE(editor, nullptr);
        plugin.ChannelChange(MakeChannel("Euronews", 0x2001, 130));
        plugin.MenuSelect(IDM_CHANNEL_EDITOR);
        PressAdd(editor);
        plugin.Exit();
        PumpMessages();
        EXPECT_GT(allocator.Failures(), 0);
    }
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), kUntidyList);
    EXPECT_EQ(LeftOverFiles(plugin), std::vector<std::string>());

    plugin.Exit();
    PumpMessages();
    EXPECT_TRUE(WindowsOfModule(plugin.Module).empty());
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), kTidyList);
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "2");
    plugin.Exit();
    PumpMessages();
}

}  // namespace
