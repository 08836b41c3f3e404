// The quick paths of reading and adding give the results of the general ones:
// the 16-byte reading of usual lines, the add's search for a channel's code
// before it reads the list line by line, and the load's sizing of its entries
// by the list's brackets.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "channel_list/add_channel.h"
#include "channel_list/entry_code.h"
#include "channel_list/list_line.h"
#include "channel_list/load_list.h"
#include "shared/arabic_texts.h"
#include "test_support.h"
#include "resources/resource.h"

namespace {

// What a read gives: whether it read, the fields, and where the reader went.
struct Reading {
    bool read;
    std::string fields;  // flag, code and name, or empty
    std::size_t next;    // offset of the reader afterwards
    bool operator==(const Reading& other) const {
        return read == other.read && fields == other.fields && next == other.next;
    }
};

std::ostream& operator<<(std::ostream& out, const Reading& r) {
    return out << (r.read ? "read " : "not read ") << r.fields << " next " << r.next;
}

Reading ReadOne(const std::string& text, bool strict) {
    LineReader reader = MakeLineReader(text.data(), text.size());
    char fields[80] = "";
    bool read;
    if (strict) {
        ListEntry entry;
        read = ParseLine(&reader, &entry);
        if (read) {
            std::snprintf(fields, sizeof fields, "%X %02X%02X%02X%02X%02X%02X [%s]", entry.Flag, entry.Code[0],
                          entry.Code[1], entry.Code[2], entry.Code[3], entry.Code[4], entry.Code[5], entry.Name);
        }
    } else {
        ScannedLine line;
        read = ScanLine(&reader, &line);
        if (read) {
            std::snprintf(fields, sizeof fields, "%X %02X%02X%02X%02X%02X%02X", line.Flag, line.Code[0],
                          line.Code[1], line.Code[2], line.Code[3], line.Code[4], line.Code[5]);
        }
    }
    return {read, fields, static_cast<std::size_t>(reader.Pos - text.data())};
}

// Where a read that went past white space ends in `text`, given where it ended
// in the line alone.
std::size_t PastWhiteSpace(const std::string& text, std::size_t from) {
    while (from < text.size() && std::string(" \t\n\v\f\r").find(text[from]) != std::string::npos) ++from;
    return from;
}

// A line reads the same whether it stands at the very end of the file (too
// near it for the 16-byte loads), has other lines after it, or starts with a
// space (which only the general reading takes).
TEST(ReaderFastPaths, UsualAndUnusualLinesReadTheSameEverywhere) {
    const std::string lines[] = {
        "[ 1 A271914BA85C ] [Al Jazeera]\r\n",
        "[ 1F a271914bA85c ] [lower and mixed case]\n",
        "[ 0 0102030405FF ] [x]\r",
        "[ 1 A271914BA85C ] [" + std::string(15, 'n') + "]\r\n",
        "[ 1 A271914BA85C ] [" + std::string(16, 'n') + "]\r\n",
        "[ 1 A271914BA85C ] [" + std::string(30, 'n') + "]\r\n",
        "[ 1 A271914BA85C ] [" + std::string(31, 'n') + "]\r\n",
        "[ 1 A271914BA85C ] [" + std::string(33, 'n') + "]\r\n",
        "[ 1 A271914BA85C ] [tab\tand \xc7\xe1\xcc\xd2\xed\xd1\xc9 bytes]\r\n",
        "[ 1 A271914BA85C ] [ leading space]\r\n",
        "[ 1 A271914BA85C ] [ab\rcd]\r\n",
        "[ 1 A271914BA85C ] [ab\ncd]\r\n",
        std::string("[ 1 A271914BA85C ] [ab\0cd]\r\n", 29),
        "[ 1 A271914BA85C ] []\r\n",
        "[ 1 A271914BA85C ] [   ]\r\n",
        "[ 1 A271914BA8G5 ] [not hex]\r\n",
        "[ 1 A271914BA85C1 ] [thirteen digits]\r\n",
        "[ 1 A271914BA85C] [no space]\r\n",
        "[ 123 A271914BA85C ] [three digit flag]\r\n",
        "[ 1 A271914BA85C ] [name]   \r\n\r\n  \t",
        "[ 1 A271914BA85C ] [no closing bracket\r\n",
    };
    const std::string after = "[ 1 69E7DE5757E7 ] [the next line, long enough for every load]\r\n";
    for (const std::string& line : lines) {
        for (bool strict : {true, false}) {
            const char* const grammar = strict ? "strict: " : "loose: ";
            const Reading alone = ReadOne(line, strict);
            const std::string followedText = line + after + after;
            Reading expected = alone;
            if (alone.read) expected.next = PastWhiteSpace(followedText, alone.next);
            EXPECT_EQ(ReadOne(followedText, strict), expected) << grammar << line;

            const std::string indentedText = " " + line + after;
            expected = alone;
            if (alone.read) expected.next = PastWhiteSpace(indentedText, alone.next + 1);
            EXPECT_EQ(ReadOne(indentedText, strict), expected) << grammar << "indented " << line;
        }
    }
}

using AddPreCheck = ListFileTest;

// Ident 0x1234 on HotBird: code A271914B..., so bytes 1 and 2 are A271 and
// bytes 3 and 4 are 914B.
TEST_F(AddPreCheck, AChannelIsFoundInEverySpellingOfItsCode) {
    std::string filler;
    for (int i = 0; i < 300; ++i) filler += "[ 1 0102030405FF ] [filler line of some length]\r\n";
    const std::string spellings[] = {
        "[ 1 A271914BA85C ] [canonical]\r\n",
        "[ 1 a271914ba85c ] [lower case]\r\n",
        "[ 1 a271 914B a85c ] [groups apart]\r\n",
        "[1\tA271\t\v914b\fA85C][tabs and no spaces]\n",
        "[ 1 A271 0914B ] [a leading zero makes the second group end early]\r\n",
        "[ 1 A271 914B 0 ] [short third group]\r\n",
    };
    for (const std::string& line : spellings) {
        for (const std::string& before : {std::string(), filler}) {
            for (const std::string& rest : {std::string(), filler}) {
                const std::string list = before + line + rest;
                WriteList(list);
                g_Fake.calls.clear();
                Tune(MakeChannel("Again", 0x1234, 130));
                const bool longGroup = line.find("0914B ]") != std::string::npos;
                if (longGroup) {
                    // "A271 0914B" is code A271 0914 B...: another channel.
                    EXPECT_EQ(AddCurrentChannel(), 1) << line;
                    continue;
                }
                EXPECT_EQ(AddCurrentChannel(), 0) << line;
                EXPECT_EQ(ReadList(), list);
                EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{TextCall(IDC_STATUS, kTextAlreadyInList)});
            }
        }
    }
}

TEST_F(AddPreCheck, ShortGroupsAndLeadingZerosAreFoundToo) {
    // Each line names the channel whose code bytes 1 to 4 are given, with its
    // groups short, padded with zeros, or in mixed case.
    const struct {
        std::uint8_t bytes[4];
        const char* line;
    } cases[] = {
        {{0x00, 0x97, 0x0C, 0x65}, "[ 1 97 c65 0 ] [short]\r\n"},
        {{0x00, 0x97, 0x0C, 0x65}, "[ 1 0097 0C65 0 ] [zeros]\r\n"},
        {{0x00, 0x97, 0x0C, 0x65}, "[ 1 097\t\tc65 0 ] [tabs]\r\n"},
        {{0x09, 0x70, 0x0C, 0x65}, "[ 1 970 0c65 1 ] [first ends in 0]\r\n"},
        {{0x00, 0x00, 0x0C, 0x65}, "[ 1 0 C65 1 ] [first is zero]\r\n"},
        {{0x00, 0x0A, 0xAB, 0xCD}, "[ 1 a AbCd 1 ] [mixed case]\r\n"},
        {{0x12, 0x34, 0x00, 0x07}, "[ 1 1234 7 1 ] [second too short]\r\n"},
    };
    for (const auto& c : cases) {
        const DecodedCode channel = DecodeEntryCode(c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3]);
        ASSERT_NE(channel.SatPosition, 0) << c.line;
        WriteList(c.line);
        g_Fake.calls.clear();
        Tune(MakeChannel("Again", channel.ChannelIdent, channel.SatPosition));
        EXPECT_EQ(AddCurrentChannel(), 0) << c.line;
        EXPECT_EQ(ReadList(), c.line);
        EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{TextCall(IDC_STATUS, kTextAlreadyInList)});
    }
}

TEST_F(AddPreCheck, DigitsOfTheCodeElsewhereDoNotStopTheAdd) {
    // "A271" and "914B" stand in names and other codes, never as one code.
    const std::string list =
        "[ 1 A27100000000 ] [A271 914B]\r\n"
        "[ 1 0000914B0000 ] [a271  914b]\r\n"
        "[ 1 1234A271914B ] [code split across groups]\r\n";
    WriteList(list);
    Tune(MakeChannel("New", 0x1234, 130));
    EXPECT_EQ(AddCurrentChannel(), 1);
    EXPECT_EQ(ReadList(), list + "[ 1 A271914BA85C ] [New]\r\n");
}

using LoadSizing = ListFileTest;

TEST_F(LoadSizing, StrayBracketsAfterTheListAreKeptAndChangeNothing) {
    const std::string lines =
        "[ 1 A271914BA85C ] [One]\r\n"
        "[ 1 69E7DE5757E7 ] [Two]\r\n"
        "[ 1 A271914BA85C ] [One again]\r\n";
    const std::string junk(200000, ']');
    WriteList(lines + junk);
    EXPECT_EQ(LoadChannelList(), 1);
    EXPECT_EQ(g_State.RowCount, 2);
    EXPECT_EQ(ReadList(), "[ 1 A271914BA85C ] [One]\r\n[ 1 69E7DE5757E7 ] [Two]\r\n" + junk);
}

TEST_F(LoadSizing, BracketsButNoLineThatReads) {
    const std::string list = "] ] [x] [ 1 12 ] [y]\r\n]]]";
    WriteList(list);
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_EQ(ReadList(), list);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{TextCall(IDC_COUNT, "0")});
}

}  // namespace
