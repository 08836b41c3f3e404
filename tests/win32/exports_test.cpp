#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "plugin_harness.h"
#include "resources/resource.h"

// The numbers hosts and dialog templates know the plug-in by.
static_assert(IDM_CHANNEL_EDITOR == 40701 && IDM_ABOUT == 40702, "the EXTERN menu's commands");
static_assert(IDD_EDITOR == 101 && IDD_ABOUT == 102, "the dialog resources");
static_assert(IDC_ADD == 1001 && IDC_STATUS == 1002 && IDC_CHANNEL_LIST == 1003 && IDC_COUNT == 1004 &&
                  IDC_CHANNEL == 1005 && IDC_COUNT_LABEL == 1006 && IDC_CHANNEL_LABEL == 1007 &&
                  IDC_DATA_GROUP == 1008 && IDC_ABOUT_LINK == 1009,
              "the editor and About windows' controls");

namespace {

const IMAGE_DATA_DIRECTORY& Directory(HMODULE module, int entry) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS32* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    return nt->OptionalHeader.DataDirectory[entry];
}

std::vector<std::string> ExportedNames(HMODULE module) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_DATA_DIRECTORY& directory = Directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT);
    const IMAGE_EXPORT_DIRECTORY* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    const DWORD* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::vector<std::string> result;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        result.push_back(reinterpret_cast<const char*>(base + names[i]));
    }
    std::sort(result.begin(), result.end());
    EXPECT_EQ(exports->NumberOfFunctions, exports->NumberOfNames);
    return result;
}

std::vector<std::string> ImportedDlls(HMODULE module) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_DATA_DIRECTORY& directory = Directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT);
    std::vector<std::string> result;
    for (const IMAGE_IMPORT_DESCRIPTOR* import =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        std::string name = reinterpret_cast<const char*>(base + import->Name);
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(tolower(c)); });
        result.push_back(name);
    }
    std::sort(result.begin(), result.end());
    return result;
}

TEST(Exports, ExactlyTheFiveEntryPointsByTheirPlainNames) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    EXPECT_EQ(ExportedNames(plugin.Module),
              (std::vector<std::string>{"On_Channel_Change", "On_Exit", "On_Menu_Select",
                                        "On_Send_Dll_ID_Name", "On_Start"}));
}

TEST(Exports, NeedsNoDllBesideItButWindowsOwn) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    const std::vector<std::string> windowsOwn = {"advapi32.dll", "comctl32.dll", "gdi32.dll",
                                                 "kernel32.dll", "msvcrt.dll",   "shell32.dll",
                                                 "user32.dll"};
    for (const std::string& dll : ImportedDlls(plugin.Module)) {
        EXPECT_NE(std::find(windowsOwn.begin(), windowsOwn.end(), dll), windowsOwn.end()) << dll;
    }
}

TEST(Exports, DisplayNameIsCopiedWithItsNulAndNothingMore) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    char buffer[40];
    std::memset(buffer, 0x7F, sizeof buffer);
    plugin.SendName(buffer);
    EXPECT_EQ(std::memcmp(buffer, "Yoxa's Channel Editor", 22), 0);
    EXPECT_EQ(buffer[22], 0x7F);
    plugin.SendName(nullptr);  // skipped, not written through
}

TEST(Exports, StartSkipsNullOutputPointers) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    const int window = plugin.Start(0, HostWindow(), 0, 0, nullptr, 0, nullptr);
    EXPECT_NE(window, 0);
}

TEST(Exports, TheListFileIsTheOneBesideTheDll) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 130));
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    EXPECT_EQ(ReadFileBytes(plugin.Directory + "\\ChannelList.ini"), "[ 1 A271914BA85C ] [Al Jazeera]\r\n");
}

}  // namespace
