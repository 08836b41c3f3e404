#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "channel_list/list_line.h"

namespace {

struct Parsed {
    std::uint8_t flag;
    std::string code;  // twelve upper-case digits
    std::string name;
};

std::string CodeHex(const std::uint8_t* code) {
    char text[13];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", code[0], code[1], code[2], code[3],
                  code[4], code[5]);
    return text;
}

// Every line the reader takes from the text, in order: the lines that read
// (long names included) go to the result, the bytes of the unreadable ones,
// each as kept, to `unreadable`.
std::vector<Parsed> ParseAll(const std::string& text, std::vector<std::string>* unreadable = nullptr) {
    std::vector<Parsed> lines;
    LineReader reader = MakeLineReader(text.data(), text.size());
    ListLine line;
    while (NextListLine(&reader, &line)) {
        if (line.Kind == kLineUnreadable) {
            if (unreadable) unreadable->emplace_back(line.Start, line.End);
            continue;
        }
        lines.push_back({line.Entry.Flag, CodeHex(line.Entry.Code), line.Entry.Name});
    }
    return lines;
}

// The one line the text holds; it points into the text.
ListLine OnlyLine(const std::string& text) {
    LineReader reader = MakeLineReader(text.data(), text.size());
    ListLine line{};
    EXPECT_TRUE(NextListLine(&reader, &line)) << text;
    ListLine next;
    EXPECT_FALSE(NextListLine(&reader, &next)) << text;
    return line;
}

TEST(ListReader, CanonicalLinesAndLineBreaks) {
    const auto lines = ParseAll(
        "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
        "[ 0 0102030405FF ] [  spaced name ]\n"
        "\n\r\n  \t\n"
        "[ 1F 0A0B0C0D0E0F ] [x]");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].flag, 1);
    EXPECT_EQ(lines[0].code, "A271914BA85C");
    EXPECT_EQ(lines[0].name, "Al Jazeera");
    EXPECT_EQ(lines[1].flag, 0);
    EXPECT_EQ(lines[1].name, "  spaced name ");  // spaces inside the brackets belong to the name
    EXPECT_EQ(lines[2].flag, 0x1F);
    EXPECT_EQ(lines[2].code, "0A0B0C0D0E0F");
}

TEST(ListReader, LowerCaseHexAndLooseSpacingInTheCodeBrackets) {
    const auto lines = ParseAll("  [  1ff   a271  914b\ta85c   ]   [Name]  ");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].flag, 0xFF);  // only the low byte of the flag counts
    EXPECT_EQ(lines[0].code, "A271914BA85C");
    EXPECT_EQ(lines[0].name, "Name");
}

TEST(ListReader, ShortGroupsAndNineToElevenDigits) {
    // Groups of fewer than four digits, separated by white space.
    auto lines = ParseAll("[ 1 1 22 333 ] [n]");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].code, "000100220333");
    // Nine to eleven digits: eight give bytes 1 to 4, the rest the third group.
    lines = ParseAll("[ 1 123456789 ] [n]\n[ 1 123456789A ] [n]\n[ 1 123456789AB ] [n]");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].code, "123456780009");
    EXPECT_EQ(lines[1].code, "12345678009A");
    EXPECT_EQ(lines[2].code, "1234567809AB");
}

TEST(ListReader, LinesThatDoNotReadAndWhy) {
    struct Case {
        std::string text;
        LineFault fault;
        std::size_t codeDigits;
    };
    const Case bad[] = {
        {"[ 1 12345678 ] [n]", kFaultCodeDigits, 8},         // eight digits: no third group
        {"[ 1 1234567890ABC ] [n]", kFaultCodeDigits, 13},   // thirteen digits
        {"[ 1 123456789ABC ] []", kFaultEmptyName, 0},
        {"[ 1 123456789ABC ] [n", kFaultNameNotClosed, 0},
        {"[ 1 123456789ABC [n]", kFaultNoCodeBracket, 0},
        {"[ 1 123456789ABC ] n]", kFaultNoNameBracket, 0},
        {"1 123456789ABC ] [n]", kFaultNoOpeningBracket, 0},
        {"[ 123456789ABC ] [n]", kFaultCodeDigits, 0},       // the flag takes all digits
        {"[ 1 12345678GABC ] [n]", kFaultCodeDigits, 8},     // not a hex digit
        {"[ -1 123456789ABC ] [n]", kFaultNoFlag, 0},        // signs are not hex digits
        {"[ 0x1 123456789ABC ] [n]", kFaultCodeDigits, 0},
        {"[]", kFaultNoFlag, 0},
        {"\x1a", kFaultNoOpeningBracket, 0},                  // a stray Ctrl-Z at the end
        {std::string("[ 1 123456789ABC ] [a\0b]", 24), kFaultNameNotClosed, 0},  // a NUL cuts no name short
    };
    for (const Case& c : bad) {
        const ListLine line = OnlyLine(c.text);
        EXPECT_EQ(line.Kind, kLineUnreadable) << c.text;
        EXPECT_EQ(line.Fault, c.fault) << c.text;
        EXPECT_EQ(line.CodeDigits, c.codeDigits) << c.text;
        EXPECT_EQ(std::string(line.Start, line.End), c.text);
    }
    // A line never spans two lines of text: each is a line that does not read.
    std::vector<std::string> unreadable;
    EXPECT_TRUE(ParseAll("[ 1\n123456789ABC ] [n]", &unreadable).empty());
    EXPECT_EQ(unreadable, (std::vector<std::string>{"[ 1\n", "123456789ABC ] [n]"}));
    unreadable.clear();
    EXPECT_TRUE(ParseAll("[ 1 123456789ABC ] [ab\ncd]", &unreadable).empty());
    EXPECT_EQ(unreadable, (std::vector<std::string>{"[ 1 123456789ABC ] [ab\n", "cd]"}));
    unreadable.clear();
    EXPECT_TRUE(ParseAll("[ 1 123456789ABC ] [ab\rcd]", &unreadable).empty());
    EXPECT_EQ(unreadable, (std::vector<std::string>{"[ 1 123456789ABC ] [ab\r", "cd]"}));
    // Only white space is no line at all.
    EXPECT_TRUE(ParseAll("", &unreadable).empty());
    LineReader reader = MakeLineReader("   \r\n\t", 6);
    ListLine line;
    EXPECT_FALSE(NextListLine(&reader, &line));
}

TEST(ListReader, NameLimitsAndBrackets) {
    const std::string thirty(30, 'x');
    const std::string text = "[ 1 123456789ABC ] [" + thirty + "]";
    ListLine line = OnlyLine(text);
    EXPECT_EQ(line.Kind, kLineReads);
    EXPECT_EQ(line.Entry.Name, thirty);
    // A longer name reads as its first 30 bytes, and the line is kept as it is.
    const std::string longName = std::string(30, 'y') + "zz";
    const std::string longText = "  [ 1 123456789ABC ] [" + longName + "]  \r\n";
    line = OnlyLine(longText);
    EXPECT_EQ(line.Kind, kLineLongName);
    EXPECT_EQ(line.Entry.Name, std::string(30, 'y'));
    EXPECT_EQ(line.NameLength, 32u);
    EXPECT_EQ(std::string(line.Name, line.NameLength), longName);
    EXPECT_EQ(std::string(line.Start, line.End), longText);
    // An opening bracket may stand in a name; the first "]" ends it, and the
    // rest of the line of text is a line that does not read.
    std::vector<std::string> unreadable;
    const auto lines = ParseAll("[ 1 123456789ABC ] [[HD] x]\n", &unreadable);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].name, "[HD");
    EXPECT_EQ(unreadable, std::vector<std::string>{"x]\n"});
}

TEST(ListReader, ReadingGoesOnAfterABadLine) {
    std::vector<std::string> unreadable;
    const auto lines = ParseAll(
        "\xEF\xBB\xBF[ 1 111111111111 ] [one]\r\n"
        "   garbage line\r\n"
        "[]\n"
        "[ 1 222222222222 ] [two]  junk\n"
        "[ 1 333333333333 ] [three]\x1a",
        &unreadable);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].name, "one");  // the byte-order mark is skipped
    EXPECT_EQ(lines[1].name, "two");
    EXPECT_EQ(lines[2].name, "three");
    EXPECT_EQ(unreadable, (std::vector<std::string>{"   garbage line\r\n", "[]\n", "junk\n", "\x1a"}));
}

TEST(ListReader, LineNumbersSpansAndCanonicalForm) {
    const std::string text =
        "[ 1 111111111111 ] [one]\r\n"
        "\r\n"
        "  [ 1 222222222222 ] [two]\r\n"
        "[ 1 333333333333 ] [three]\n"
        "[ 1 444444444444 ] [four] [ 1 555555555555 ] [five]\r\n"
        "bad\r\n"
        "[ 1 666666666666 ] [six]";
    LineReader reader = MakeLineReader(text.data(), text.size());
    struct Seen {
        std::size_t number;
        bool canonical;
        std::string gap;
    };
    std::vector<Seen> seen;
    ListLine line;
    while (NextListLine(&reader, &line)) {
        seen.push_back({line.LineNumber, line.Canonical, std::string(line.GapStart, line.Start)});
    }
    ASSERT_EQ(seen.size(), 7u);
    const Seen expected[] = {{1, true, ""},  {3, false, "\r\n"}, {4, false, ""}, {5, false, ""},
                             {5, true, ""},  {6, false, ""},       {7, false, ""}};
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].number, expected[i].number) << i;
        EXPECT_EQ(seen[i].canonical, expected[i].canonical) << i;
        EXPECT_EQ(seen[i].gap, expected[i].gap) << i;
    }
    EXPECT_TRUE(StartsWithByteOrderMark("\xEF\xBB\xBFx", 4));
    EXPECT_FALSE(StartsWithByteOrderMark("\xEF\xBB", 2));
}

TEST(ListReader, ALoneCrIsALineBreak) {
    // Old Mac files: every line ends in CR alone. A bad line hides nothing.
    const std::string text =
        "[ 1 111111111111 ] [one]\r"
        "bad\r"
        "[ 1 222222222222 ] [two]\r\r"
        "[ 1 333333333333 ] [three]  \r\n"
        "[ 1 444444444444 ] [four]\r";
    LineReader reader = MakeLineReader(text.data(), text.size());
    std::vector<std::pair<std::size_t, std::string>> seen;
    ListLine line;
    while (NextListLine(&reader, &line)) seen.emplace_back(line.LineNumber, std::string(line.Start, line.End));
    const std::vector<std::pair<std::size_t, std::string>> expected = {
        {1, "[ 1 111111111111 ] [one]\r"}, {2, "bad\r"}, {3, "[ 1 222222222222 ] [two]\r"},
        {5, "[ 1 333333333333 ] [three]  \r\n"}, {6, "[ 1 444444444444 ] [four]\r"}};
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(EndsInLineBreak(text.data(), text.size()));
    EXPECT_FALSE(EndsInLineBreak("x]", 2));
}

TEST(FormatLine, CanonicalForm) {
    const std::uint8_t code[6] = {0xA2, 0x71, 0x91, 0x4B, 0xA8, 0x5C};
    char line[kMaxLineLength + 1];
    EXPECT_EQ(std::string(line, FormatLine(line, 1, code, "Al Jazeera")),
              "[ 1 A271914BA85C ] [Al Jazeera]\r\n");
    EXPECT_EQ(std::string(line, FormatLine(line, 0, code, " x ")), "[ 0 A271914BA85C ] [ x ]\r\n");
    EXPECT_EQ(std::string(line, FormatLine(line, 0xFF, code, "n")), "[ FF A271914BA85C ] [n]\r\n");
    EXPECT_EQ(std::string(line, FormatLine(line, 0x0A, code, "n")), "[ A A271914BA85C ] [n]\r\n");
    const std::string thirty(30, 'z');
    const std::size_t length = FormatLine(line, 0xFF, code, thirty.c_str());
    EXPECT_EQ(length, kMaxLineLength);
    EXPECT_EQ(std::strlen(line), kMaxLineLength);
}

TEST(FormatLine, AWholeLongNameWhenThereIsRoom) {
    const std::uint8_t code[6] = {0xA2, 0x71, 0x91, 0x4B, 0xA8, 0x5C};
    const std::string name(40, 'n');
    char line[80];
    const std::size_t length = FormatLineWithName(line, sizeof line, 0, code, name.data(), name.size());
    EXPECT_EQ(std::string(line, length), "[ 0 A271914BA85C ] [" + name + "]\r\n");
    EXPECT_EQ(FormatLineWithName(line, length, 0, code, name.data(), name.size()), 0u);  // no room for the NUL
}

TEST(FitNameForList, EveryNameReadsBackAsFitted) {
    struct Case {
        std::string field;
        std::string fitted;
    };
    const Case cases[] = {
        {"Al Jazeera", "Al Jazeera"},
        {"", "?"},
        {"News [HD]", "News [HD)"},
        {"]]]", ")))"},
        {"Two\r\nLines", "Two  Lines"},
        {std::string(40, 'L'), std::string(30, 'L')},
        {"   ", "   "},
        {"\xc7\xe1\xcc\xd2\xed\xd1\xc9", "\xc7\xe1\xcc\xd2\xed\xd1\xc9"},  // Windows-1256 bytes pass as they are
    };
    const std::uint8_t code[6] = {1, 2, 3, 4, 5, 6};
    for (const Case& c : cases) {
        char fitted[kMaxNameLength + 1];
        FitNameForList(c.field.c_str(), c.field.size() + 1, fitted);
        EXPECT_EQ(fitted, c.fitted);
        char line[kMaxLineLength + 1];
        const std::size_t length = FormatLine(line, 1, code, fitted);
        const auto lines = ParseAll(std::string(line, length));
        ASSERT_EQ(lines.size(), 1u) << line;
        EXPECT_EQ(lines[0].name, c.fitted);
    }
}

TEST(FitNameForList, NeverReadsPastTheField) {
    // A field with no NUL inside it: only its own bytes are used.
    char field[4] = {'a', 'b', 'c', 'd'};
    char fitted[kMaxNameLength + 1];
    FitNameForList(field, sizeof field, fitted);
    EXPECT_STREQ(fitted, "abcd");
}

}  // namespace
