// The editor on a screen of 144 pixels per inch: its dialog, sized in dialog
// units, grows by half, and its list's columns must grow with it. This
// program runs in a Wine prefix set to 144 DPI (high_dpi_test.sh), together
// with the text-fit tests, which check that every text, the column headers
// among them, still fits.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "plugin_harness.h"
#include "resources/resource.h"

namespace {

int ColumnWidth(HWND list, int column) {
    return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

TEST(HighDpi, TheColumnsGrowWithTheDialog) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 144) << "this program must run on a screen of 144 pixels per inch";

    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    HWND list = GetDlgItem(editor, IDC_CHANNEL_LIST);
    // 116 and 70 pixels at 96 DPI, half as wide again at 144.
    EXPECT_EQ(ColumnWidth(list, 0), 174);
    EXPECT_EQ(ColumnWidth(list, 1), 105);
    // Together they take as much of the list's width as at 96 DPI (186 of
    // 239 pixels with the test fonts, over three quarters), and fit in it;
    // left at 186 pixels, they took barely more than half.
    RECT client;
    GetClientRect(list, &client);
    const int columns = ColumnWidth(list, 0) + ColumnWidth(list, 1);
    EXPECT_LE(columns, client.right);
    EXPECT_GE(4 * columns, 3 * client.right);
    plugin.Exit();
}

}  // namespace
