// What a user's disk can do to the list, seen from the running plug-in.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "import_slot.h"
#include "plugin_harness.h"
#include "resources/resource.h"
#include "shared/arabic_texts.h"

namespace {

const char kCanonical[] = "[ 1 A271914BA85C ] [Al Jazeera]\r\n";

// Whether a temporary file of a rewrite ("~ChannelList.tm") is left in the
// folder.
bool TemporaryFileLeft(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\~*").c_str(), &found);
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
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextCannotWrite);
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
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextCannotWrite);
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

// What Windows keeps on the list itself: a rewrite replaces the file, and the
// new one takes the old one's attributes.
constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
const char kUntidyList[] = "[ 1 a271914ba85c ] [Al Jazeera]\n";

// A hidden, system list the next start rewrites.
bool LoadBesideHiddenList(Plugin* plugin) {
    const std::string directory = MakeTestDirectory();
    const std::string list = directory + "\\ChannelList.ini";
    WriteFileBytes(list, kUntidyList);
    EXPECT_TRUE(SetFileAttributesA(list.c_str(), kHiddenSystem));
    return LoadPluginCopy(plugin, nullptr, directory);
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileFaults, AHiddenSystemListKeepsBothAttributesAfterARewrite) {
    Plugin plugin;
    ASSERT_TRUE(LoadBesideHiddenList(&plugin));
    ASSERT_EQ(GetFileAttributesA(plugin.ListPath().c_str()) & kHiddenSystem, kHiddenSystem);
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), kCanonical);
    EXPECT_EQ(GetFileAttributesA(plugin.ListPath().c_str()) & kHiddenSystem, kHiddenSystem);
    EXPECT_EQ(FolderNames(plugin.Directory),
              (std::vector<std::string>{"ChannelList.ini", "ChannelList.lck", "ZelqEditor.dll"}));
    plugin.Exit();
}

// ReplaceFileW failing in each way its documentation describes, in one copy
// of the plug-in: the stand-in first does to the files what the failure is
// documented to leave when a backup name is given, then fails with it.
enum class ReplaceEffect {
    None,          // both files keep their names
    ListToBackup,  // the old list lives on under the backup name
    RemoveList,    // the list no longer exists (documented only without a backup name)
};

struct ReplaceFault {
    const char* What;
    DWORD Error;
    ReplaceEffect Effect;
    bool Rewritten;  // the list holds the new content afterwards, else its old one
};

ReplaceFault g_Fault;
int g_ReplaceCalls = 0;
std::wstring g_Backup;

BOOL WINAPI FailingReplaceFileW(LPCWSTR replaced, LPCWSTR, LPCWSTR backup, DWORD, LPVOID, LPVOID) {
    ++g_ReplaceCalls;
    g_Backup = backup ? backup : L"";
    if (g_Fault.Effect == ReplaceEffect::RemoveList) DeleteFileW(replaced);
    if (g_Fault.Effect == ReplaceEffect::ListToBackup && backup) MoveFileW(replaced, backup);
    SetLastError(g_Fault.Error);
    return FALSE;
}

TEST(FileFaults, EachDocumentedFailureOfTheReplaceKeepsTheOldListOrTheNewOneAndNoSideFile) {
    const ReplaceFault faults[] = {
        {"the list cannot be removed", ERROR_UNABLE_TO_REMOVE_REPLACED, ReplaceEffect::None, false},
        {"the new file cannot be renamed", ERROR_UNABLE_TO_MOVE_REPLACEMENT, ReplaceEffect::None, false},
        {"the new file cannot be moved, the list under the backup name: the rewrite finishes",
         ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, ReplaceEffect::ListToBackup, true},
        {"the list removed, which a replace given a backup name never does", ERROR_UNABLE_TO_MOVE_REPLACEMENT,
         ReplaceEffect::RemoveList, true},
        {"another program holds the list", ERROR_SHARING_VIOLATION, ReplaceEffect::None, false},
        {"access denied", ERROR_ACCESS_DENIED, ReplaceEffect::None, false},
        {"any other error", ERROR_INVALID_PARAMETER, ReplaceEffect::None, false},
        {"not supported: two renames instead", ERROR_NOT_SUPPORTED, ReplaceEffect::None, true},
        {"no such function: two renames instead", ERROR_INVALID_FUNCTION, ReplaceEffect::None, true},
    };
    for (const ReplaceFault& fault : faults) {
        SCOPED_TRACE(fault.What);
        Plugin plugin;
        ASSERT_TRUE(LoadBesideHiddenList(&plugin));
        void** slot = ImportSlot(plugin.Module, "kernel32.dll", "ReplaceFileW");
        ASSERT_NE(slot, nullptr) << "the plug-in does not replace the list with ReplaceFileW";
        g_Fault = fault;
        g_ReplaceCalls = 0;
        g_Backup.clear();
        WriteImportSlot(slot, reinterpret_cast<void*>(&FailingReplaceFileW));

        HWND editor = StartPlugin(plugin);
        ASSERT_NE(editor, nullptr);
        EXPECT_GE(g_ReplaceCalls, 1);
        // The old list is kept under a name of its own in the list's folder.
        EXPECT_EQ(g_Backup.substr(g_Backup.find_last_of(L'\\') + 1), L"~ChannelList.bk");
        EXPECT_EQ(ListRows(editor), (std::vector<ListRow>{{"Al Jazeera", "HotBird", true}}));
        EXPECT_EQ(ReadFileBytes(plugin.ListPath()), fault.Rewritten ? kCanonical : kUntidyList);
        EXPECT_EQ(GetFileAttributesA(plugin.ListPath().c_str()) & kHiddenSystem, kHiddenSystem);
        EXPECT_EQ(FolderNames(plugin.Directory),
                  (std::vector<std::string>{"ChannelList.ini", "ChannelList.lck", "ZelqEditor.dll"}));
        plugin.Exit();
    }
}

}  // namespace
