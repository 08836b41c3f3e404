#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "channel_list/add_channel.h"
#include "channel_list/entry_code.h"
#include "channel_list/list_lock.h"
#include "channel_list/file_ops.h"
#include "channel_list/list_line.h"
#include "shared/arabic_texts.h"
#include "test_support.h"
#include "resources/resource.h"

namespace {

using AddChannel = ListFileTest;

// Ident 0x1234 on HotBird at 11747 MHz, as the add operation writes it.
const char kHotBirdLine[] = "[ 1 A271914BA85C ] [Al Jazeera]\r\n";

std::vector<WindowCall> AddedCalls(int row, const std::string& name, const std::string& satellite) {
    return {ArabicTextCall(IDC_STATUS, kTextAdded), RowCall(row, name), Column1Call(row, satellite),
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
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>(2, ArabicTextCall(IDC_STATUS, kTextNoChannel)));
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
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{ArabicTextCall(IDC_STATUS, kTextAlreadyInList)});
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

    const WindowCall noPosition = ArabicTextCall(IDC_STATUS, kTextNoPosition);
    EXPECT_EQ(g_Fake.calls, (std::vector<WindowCall>{QueryCall(), noPosition, QueryCall(), noPosition, noPosition}));
    EXPECT_FALSE(FileExists(ListPath()));
}

TEST_F(AddChannel, ReadsAsTheLoadDoesPastBadLines) {
    // A line that does not read hides nothing: the channel after it is
    // refused, as the load shows it.
    const std::string before =
        "\xEF\xBB\xBF[ 1 0000000000FF ] [first]\r\n"
        "not a channel line\r\n"
        "[]\r\n"
        "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
        "\x1a";
    WriteList(before);
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_EQ(ReadList(), before);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{ArabicTextCall(IDC_STATUS, kTextAlreadyInList)});

    // A channel the list does not show goes to the end, on a line of its own
    // after the stray Ctrl-Z.
    g_Fake.calls.clear();
    g_State.RowCount = 2;
    Tune(MakeChannel("Thor channel", 0x5678, 3590));
    EXPECT_EQ(AddCurrentChannel(), 1);
    const EntryCode code = EncodeEntryCode(0x5678, 3590, 11'747'000);
    char line[kMaxLineLength + 1];
    const std::string added(line, FormatLine(line, 1, code.Bytes, "Thor channel"));
    EXPECT_EQ(ReadList(), before + "\r\n" + added);
}

TEST_F(AddChannel, ALongNameCountsAsItsChannel) {
    // Shown cut to 30 bytes, so the channel is in the list.
    const std::string before = "[ 1 A271914BA85C ] [" + std::string(31, 'L') + "]\r\n";
    WriteList(before);
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{ArabicTextCall(IDC_STATUS, kTextAlreadyInList)});
    // A line that does not read names no channel, whatever it looks like.
    WriteList("[ 1 A271914B ] [Al Jazeera]\r\n");
    g_Fake.calls.clear();
    EXPECT_EQ(AddCurrentChannel(), 1);
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

TEST_F(AddChannel, FailuresSayTheListCannotBeWritten) {
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));

    // No usable path.
    g_State.ListPath[0] = '\0';
    EXPECT_EQ(AddCurrentChannel(), 0);
    // A directory that does not exist.
    const std::string missing = dir_ + "/missing/ChannelList.ini";
    std::strcpy(g_State.ListPath, missing.c_str());
    EXPECT_EQ(AddCurrentChannel(), 0);
    // The list is a directory.
    ASSERT_EQ(::mkdir(ListPath().c_str(), 0700), 0);
    std::strcpy(g_State.ListPath, ListPath().c_str());
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>(3, ArabicTextCall(IDC_STATUS, kTextCannotWrite)));
    EXPECT_EQ(g_State.RowCount, 0);
}

// Failures of the append, injected through the file operations: the status
// line says why, and the list is exactly as it was (a list the add would have
// created does not exist).
class AddFailure : public ListFileTest {
protected:
    void ExpectNothingAdded(const std::string* before, const char* why = kTextCannotWrite) {
        Tune(MakeChannel("Al Jazeera", 0x1234, 130));
        g_Fake.calls.clear();
        EXPECT_EQ(AddCurrentChannel(), 0);
        EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{ArabicTextCall(IDC_STATUS, why)});
        EXPECT_EQ(g_State.RowCount, 0);
        if (before) {
            EXPECT_EQ(ReadList(), *before);
            EXPECT_EQ(ListDirectory(dir_), (std::vector<std::string>{"ChannelList.ini", "ChannelList.lck"}));
        } else {
            EXPECT_EQ(ListDirectory(dir_), std::vector<std::string>{"ChannelList.lck"});
        }
    }
};

TEST_F(AddFailure, WriteOrSyncFails) {
    const std::string before = "[ 1 0000000000FF ] [first]";  // the add would put a line break first
    // A short write: half the line reaches the file before the disk is full.
    const auto halfWrite = [](ListFile* file, const void* data, std::size_t size) {
        DefaultListFileOps().Write(file, data, size / 2);
        return kInjectedFailure;
    };
    const auto failedSync = [](ListFile*) { return kInjectedFailure; };
    for (int fault = 0; fault < 2; ++fault) {
        WriteList(before);
        g_ListFileOps = DefaultListFileOps();
        if (fault == 0) g_ListFileOps.Write = halfWrite;
        if (fault == 1) g_ListFileOps.Sync = failedSync;
        ExpectNothingAdded(&before);
    }
    // The same when the add would have made the list.
    std::remove(ListPath().c_str());
    g_ListFileOps.Write = halfWrite;
    ExpectNothingAdded(nullptr);
}

TEST_F(AddFailure, CloseFailsOrTheListCannotBeRead) {
    const std::string before = "[ 1 0000000000FF ] [first]\r\n";
    WriteList(before);
    g_ListFileOps.Close = [](ListFile* file) {
        DefaultListFileOps().Close(file);
        return kInjectedFailure;
    };
    Tune(MakeChannel("Al Jazeera", 0x1234, 130));
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{ArabicTextCall(IDC_STATUS, kTextCannotWrite)});

    // A read error: without the list's lines the add cannot know the channel
    // is new, so it adds nothing.
    g_ListFileOps = DefaultListFileOps();
    g_ListFileOps.Read = [](ListFile*, void*, std::size_t, std::size_t* got) {
        *got = 0;
        return kInjectedFailure;
    };
    ExpectNothingAdded(&before);
}

TEST_F(AddFailure, AnotherWriterHoldsTheLock) {
    const std::string before = "[ 1 0000000000FF ] [first]\r\n";
    WriteList(before);
    {
        const HeldListLock other(ListPath());
        ASSERT_TRUE(other.Held());
        ExpectNothingAdded(&before, kTextListInUse);
    }
    EXPECT_EQ(AddCurrentChannel(), 1);
}

}  // namespace
