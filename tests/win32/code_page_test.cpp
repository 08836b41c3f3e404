// The editor on a system whose ANSI code page is not Arabic. This program
// runs under code page 1252 (English, the setting of most Windows machines),
// in a Wine prefix of its own.
//
// The editor's own texts are held as Windows-1256 bytes and must read as the
// Arabic they stand for all the same: they are compared here with the Arabic
// itself, written out in Unicode. Channel names come from the viewer as bytes
// in the viewer's own code page, the system's: they show as that code page
// spells them, and reach the list file unchanged.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "plugin_harness.h"
#include "resources/resource.h"

namespace {

struct FixedText {
    int Control;
    const wchar_t* Arabic;
};

const FixedText kDialogTexts[] = {
    {IDC_CHANNEL_LABEL, L"القناة الحالية :"},
    {IDC_COUNT_LABEL, L"عدد القنوات في الملف :"},
    {IDC_DATA_GROUP, L"البيانات"},
    {IDC_ADD, L"إضافة لقائمة القنوات"},
    {IDOK, L"موافق"},
};
const wchar_t* const kColumnHeaders[] = {L"أسم القناة", L"أسم القمر"};
const wchar_t kAdded[] = L"تم أضافة القناة لقائمة القنوات";
const wchar_t kAlreadyInList[] = L"القناة موجودة مسبقا في قائمة القنوات";

// Names with a letter above 0x7F, in the system's code page as a viewer
// passes them ("Niño TV" and "Café Latino" under 1252).
const char kListedName[] = "Ni\xf1o TV";
const char kTunedName[] = "Caf\xe9 Latino";

// What the system's code page makes of bytes.
std::wstring InSystemCodePage(const std::string& bytes) {
    wchar_t wide[128] = L"";
    MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, wide, 128);
    return wide;
}

TEST(OtherCodePage, TheEditorsTextsReadAsArabicAndChannelNamesAsTheViewerSpellsThem) {
    ASSERT_NE(GetACP(), 1256u) << "this program must run under a code page other than Arabic";

    const std::string list = std::string("[ 1 A271914BA85C ] [") + kListedName + "]\r\n";
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, &list));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);

    for (const FixedText& text : kDialogTexts) {
        EXPECT_EQ(ControlTextW(editor, text.Control), text.Arabic) << "control " << text.Control;
    }
    HWND listView = GetDlgItem(editor, IDC_CHANNEL_LIST);
    EXPECT_EQ(ColumnHeaderW(listView, 0), kColumnHeaders[0]);
    EXPECT_EQ(ColumnHeaderW(listView, 1), kColumnHeaders[1]);
    EXPECT_EQ(ListItemTextW(listView, 0, 0), InSystemCodePage(kListedName));
    EXPECT_EQ(ListItemTextW(listView, 0, 1), L"HotBird");
    EXPECT_EQ(ControlTextW(editor, IDC_COUNT), L"1");

    // A name from the viewer, then both outcomes of the add.
    plugin.ChannelChange(MakeChannel(kTunedName, 0x2001, 130));
    EXPECT_EQ(ControlTextW(editor, IDC_CHANNEL), InSystemCodePage(kTunedName));
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    EXPECT_EQ(ControlTextW(editor, IDC_STATUS), kAdded);
    EXPECT_EQ(ListItemTextW(listView, 1, 0), InSystemCodePage(kTunedName));
    EXPECT_EQ(ListItemTextW(listView, 1, 1), L"HotBird");
    EXPECT_EQ(ControlTextW(editor, IDC_COUNT), L"2");
    const std::string added = ReadFileBytes(plugin.ListPath());
    ASSERT_GT(added.size(), list.size());
    EXPECT_EQ(added.substr(0, list.size()), list);
    const std::string lineEnd = std::string(" [") + kTunedName + "]\r\n";
    EXPECT_EQ(added.substr(added.size() - lineEnd.size()), lineEnd);

    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    EXPECT_EQ(ControlTextW(editor, IDC_STATUS), kAlreadyInList);
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), added);
}

}  // namespace
