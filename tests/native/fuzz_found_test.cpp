// Faults the fuzz targets found, each kept as a test so it stays mended.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel_list/add_channel.h"
#include "channel_list/load_list.h"
#include "shared/arabic_texts.h"
#include "test_support.h"
#include "resources/resource.h"

namespace {

using FuzzFound = ListFileTest;

// A name of white space only is written as it is and the load reads it. The
// add's refusal must see such a line too, or pressing add again for the same
// channel appends it a second time (a reading that took white space after
// "[" for padding once found no name there).
TEST_F(FuzzFound, ANameOfWhiteSpaceOnlyIsAddedOnce) {
    const std::string names[] = {"   ", "\t", "\f\f\f\f\f\f\f\f\f\f\f\f", " \v "};
    std::uint16_t ident = 0x1234;
    std::string expected;
    for (const std::string& name : names) {
        Tune(MakeChannel(name, ident++, 130));
        ASSERT_EQ(AddCurrentChannel(), 1) << "first press, name of " << name.size() << " bytes";
        expected = ReadList();
        g_Fake.calls.clear();
        EXPECT_EQ(AddCurrentChannel(), 0) << "second press, name of " << name.size() << " bytes";
        EXPECT_EQ(ReadList(), expected);
        EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{ArabicTextCall(IDC_STATUS, kTextAlreadyInList)});
    }
    // The load shows each of them once.
    ResetFakeWindow();
    EXPECT_EQ(LoadChannelList(), 1);
    EXPECT_EQ(g_State.RowCount, 4);
    EXPECT_EQ(ReadList(), expected);
}

// Such a line in the middle of the list does not hide the lines after it
// from the scan: the load shows them, so the add must refuse them.
TEST_F(FuzzFound, AWhiteSpaceNameDoesNotHideTheLinesAfterIt) {
    const std::string list =
        "[ 1 0000000000FF ] [   ]\r\n"
        "[ 1 A271914BA85C ] [Al Jazeera]\r\n";
    WriteList(list);
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_EQ(ReadList(), list);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{ArabicTextCall(IDC_STATUS, kTextAlreadyInList)});
}

// A line that does not read but begins with the bytes of a byte-order mark,
// after blank lines: dropping the blank lines would bring those bytes to the
// very start, and the next load would take them for the mark and read the
// rest of the line as a channel. The blank lines before it stay.
TEST_F(FuzzFound, AByteOrderMarkInsideTheFileStaysInside) {
    const std::string list =
        "\n\r\n\xEF\xBB\xBF  [ 1 A271914BA85C ] [Hidden]\r\n"
        "[ 1 69e7de5757e7 ] [Shown]\r\n";
    WriteList(list);
    EXPECT_EQ(LoadChannelList(), 1);
    const std::string once = ReadList();
    EXPECT_EQ(once, "\n\r\n\xEF\xBB\xBF  [ 1 A271914BA85C ] [Hidden]\r\n[ 1 69E7DE5757E7 ] [Shown]\r\n");
    EXPECT_EQ(g_State.RowCount, 1);
    ResetFakeWindow();
    EXPECT_EQ(LoadChannelList(), 1);
    EXPECT_EQ(ReadList(), once);
    EXPECT_EQ(g_State.RowCount, 1);
}

}  // namespace
