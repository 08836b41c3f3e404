#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "channel_list/add_channel.h"
#include "channel_list/list_file.h"
#include "shared/arabic_texts.h"
#include "test_support.h"
#include "resources/resource.h"

namespace {

using AddChannel = ListFileTest;

// Ident 0x1234 on HotBird at 11747 MHz, as the add operation writes it.
const char kHotBirdLine[] = "[ 1 A271914BA85C ] [Al Jazeera]\r\n";

std::vector<WindowCall> AddedCalls(int row, const std::string& name, const std::string& satellite) {
    return {TextCall(IDC_STATUS, kTextAdded), RowCall(row, name), Column1Call(row, satellite),
            VisibleCall(row), TextCall(IDC_COUNT, std::to_string(row + 1))};
}

TEST_F(AddChannel, NothingBeforeAChannelOrWithValidWordZero) {
    EXPECT_EQ(AddCurrentChannel(), 0);  // all zero before the first channel change
    ChannelRecord record = MakeChannel("Al Jazeera", 0x1234, 130);
    record.ValidWord = 0;
    Tune(record);
    g_State.HostMatched = true;
    g_Fake.hostAnswer = 130;
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_TRUE(g_Fake.calls.empty());
    EXPECT_FALSE(FileExists(ListPath()));
}

TEST_F(AddChannel, FirstAddCreatesTheFileAndIssuesTheWindowCallsInOrder) {
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));
    EXPECT_EQ(AddCurrentChannel(), 1);
    EXPECT_EQ(ReadList(), kHotBirdLine);
    EXPECT_EQ(g_Fake.calls, AddedCalls(0, "Al Jazeera", "HotBird"));
    EXPECT_EQ(g_State.RowCount, 1);
    EXPECT_STREQ(g_State.CountText, "1");
}

TEST_F(AddChannel, SecondPressIsRefused) {
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));
    ASSERT_EQ(AddCurrentChannel(), 1);
    g_Fake.calls.clear();
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_EQ(ReadList(), kHotBirdLine);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{TextCall(IDC_STATUS, kTextAlreadyInList)});
    EXPECT_EQ(g_State.RowCount, 1);
}

TEST_F(AddChannel, IdentityIsIdentAndPositionWhateverTheNameFlagOrTransponder) {
    // Same ident and position, other name and transponder, flag 0, lower case: refused.
    WriteList("[ 0 a271914b0000 ] [Old name]\r\n");
    Tune(MakeChannel("New name", 0x1234, 130, 12'600'000));
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_EQ(ReadList(), "[ 0 a271914b0000 ] [Old name]\r\n");

    // Same ident on another satellite: added.
    g_Fake.calls.clear();
    Tune(MakeChannel("Al Jazeera", 0x1234, 192));
    EXPECT_EQ(AddCurrentChannel(), 1);
    EXPECT_EQ(g_Fake.calls.back(), TextCall(IDC_COUNT, "1"));
    EXPECT_EQ(g_Fake.calls[2], Column1Call(0, "Astra 1B-1H"));
}

TEST_F(AddChannel, AsksTheHostWhenItIsTheViewer) {
    g_State.HostMatched = true;
    g_Fake.hostAnswer = 130;
    Tune(MakeChannel("Al Jazeera", 0x1234, 3590));  // the record's own position is ignored
    EXPECT_EQ(AddCurrentChannel(), 1);
    ASSERT_EQ(g_Fake.queries.size(), 1u);
    // The query is all zero but its size field.
    PositionQuery expected;
    std::memset(&expected, 0, sizeof expected);
    expected.Size = 208;
    EXPECT_EQ(std::memcmp(&g_Fake.queries[0], &expected, sizeof expected), 0);
    EXPECT_EQ(g_State.CurrentChannel.RecPosition, 130u);  // the answer is kept in the record
    EXPECT_EQ(ReadList(), kHotBirdLine);
    EXPECT_EQ(g_Fake.calls[0], QueryCall());
}

TEST_F(AddChannel, UsesTheRecordsPositionOtherwise) {
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));
    EXPECT_EQ(AddCurrentChannel(), 1);
    EXPECT_TRUE(g_Fake.queries.empty());
}

TEST_F(AddChannel, NoPositionMeansNothingIsDone) {
    // The host answers 0, or a position whose low 16 bits are 0.
    g_State.HostMatched = true;
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));
    g_Fake.hostAnswer = 0;
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_EQ(g_State.CurrentChannel.RecPosition, 130u);  // a zero answer is not stored
    g_Fake.hostAnswer = 0x30000;
    EXPECT_EQ(AddCurrentChannel(), 0);
    // The record's own position when the host is not asked.
    g_State.HostMatched = false;
    Tune(MakeChannel("Al Jazeera", 0x1234, 0x10000));
    EXPECT_EQ(AddCurrentChannel(), 0);

    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>(2, QueryCall()));
    EXPECT_FALSE(FileExists(ListPath()));
}

TEST_F(AddChannel, ScanStopsAtTheFirstBadLineAndAppendsAtTheEnd) {
    // The duplicate stands after a line that does not read, so it is not seen.
    const std::string before =
        "[ 1 0000000000FF ] [first]\r\n"
        "not a channel line\r\n"
        "[ 1 A271914BA85C ] [Al Jazeera]\r\n";
    WriteList(before);
    g_State.RowCount = 1;
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));
    EXPECT_EQ(AddCurrentChannel(), 1);
    EXPECT_EQ(ReadList(), before + kHotBirdLine);
    EXPECT_EQ(g_Fake.calls, AddedCalls(1, "Al Jazeera", "HotBird"));
}

TEST_F(AddChannel, NewLineStartsOnItsOwnLine) {
    WriteList("[ 1 0000000000FF ] [first]");
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));
    EXPECT_EQ(AddCurrentChannel(), 1);
    EXPECT_EQ(ReadList(), std::string("[ 1 0000000000FF ] [first]\r\n") + kHotBirdLine);
}

TEST_F(AddChannel, NamesThatDoNotFitAreWrittenSoTheyReadBack) {
    ChannelRecord record = MakeChannel("", 0x1234, 130);
    // A field of 92 bytes with no NUL in it: only the field is read.
    std::memset(record.ChannelName, 'N', sizeof record.ChannelName);
    record.ChannelName[3] = ']';
    record.ChannelName[5] = '\n';
    Tune(record);
    EXPECT_EQ(AddCurrentChannel(), 1);
    const std::string name = "NNN)N NNNNNNNNNNNNNNNNNNNNNNNN";
    ASSERT_EQ(name.size(), 30u);
    EXPECT_EQ(ReadList(), "[ 1 A271914BA85C ] [" + name + "]\r\n");
    EXPECT_EQ(g_Fake.calls[1], RowCall(0, name));
}

TEST_F(AddChannel, FailuresReportNothing) {
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));

    // No usable path.
    g_State.ListPath[0] = '\0';
    EXPECT_EQ(AddCurrentChannel(), 0);
    // A directory that does not exist.
    const std::string missing = dir_ + "/missing/ChannelList.ini";
    std::strcpy(g_State.ListPath, missing.c_str());
    EXPECT_EQ(AddCurrentChannel(), 0);
    // The list is a directory.
    std::strcpy(g_State.ListPath, dir_.c_str());
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_TRUE(g_Fake.calls.empty());
    EXPECT_EQ(g_State.RowCount, 0);
}

TEST_F(AddChannel, AFailedWriteIsNotReportedAsAdded) {
    WriteList("[ 1 0000000000FF ] [first]\r\n");
    g_ListFileOps.Write = [](const void*, std::size_t, std::FILE*) -> std::size_t { return 0; };
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_TRUE(g_Fake.calls.empty());
    EXPECT_EQ(ReadList(), "[ 1 0000000000FF ] [first]\r\n");
}

}  // namespace
