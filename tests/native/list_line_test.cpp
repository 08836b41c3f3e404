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

// Every line the strict reader takes from the text, in order, up to the first
// that does not read; `rest` receives what is left unread.
std::vector<Parsed> ParseAll(const std::string& text, std::string* rest = nullptr) {
    std::vector<Parsed> lines;
    LineReader reader = MakeLineReader(text.data(), text.size());
    ListEntry entry;
    while (ParseLine(&reader, &entry)) {
        lines.push_back({entry.Flag, CodeHex(entry.Code), entry.Name});
    }
    if (rest) *rest = std::string(UnreadTailStart(reader, text.data()), reader.End);
    return lines;
}

// Whether the loose reader takes one line from the text, and its code.
bool ScanOne(const std::string& text, std::string* code = nullptr) {
    LineReader reader = MakeLineReader(text.data(), text.size());
    ScannedLine line;
    if (!ScanLine(&reader, &line)) return false;
    if (code) *code = CodeHex(line.Code);
    return true;
}

TEST(ParseLine, CanonicalLinesAndLineBreaks) {
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

TEST(ParseLine, LowerCaseHexAndLooseSpacingInTheCodeBrackets) {
    const auto lines = ParseAll("  [  1ff   a271  914b\ta85c   ]   [Name]  ");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].flag, 0xFF);  // only the low byte of the flag counts
    EXPECT_EQ(lines[0].code, "A271914BA85C");
    EXPECT_EQ(lines[0].name, "Name");
}

TEST(ParseLine, ShortGroupsAndNineToElevenDigits) {
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

TEST(ParseLine, LinesThatDoNotRead) {
    const char* const bad[] = {
        "[ 1 12345678 ] [n]",                      // eight digits: no third group
        "[ 1 1234567890ABC ] [n]",                 // thirteen digits
        "[ 1 123456789ABC ] []",                   // empty name
        "[ 1 123456789ABC ] [n",                   // no closing bracket
        "[ 1 123456789ABC [n]",                    // no bracket after the code
        "1 123456789ABC ] [n]",                    // no opening bracket
        "[ 123456789ABC ] [n]",                    // the flag takes all digits
        "[ 1 12345678GABC ] [n]",                  // not a hex digit
        "[ 1 123456789ABC ] [ab\ncd]",             // a line break inside the name
        "[ 1 123456789ABC ] [ab\rcd]",
        "[ 1 123456789ABC ] [1234567890123456789012345678901]",  // 31 bytes
        "[ -1 123456789ABC ] [n]",                 // signs are not hex digits
        "[ 0x1 123456789ABC ] [n]",
        "",
        "   \r\n",
    };
    for (const char* text : bad) {
        std::string rest;
        EXPECT_TRUE(ParseAll(text, &rest).empty()) << text;
    }
    // A NUL inside the name would cut the name short when written back.
    const std::string withNul("[ 1 123456789ABC ] [a\0b]", 24);
    EXPECT_TRUE(ParseAll(withNul).empty());
}

TEST(ParseLine, NameLimitsAndBrackets) {
    const std::string thirty(30, 'x');
    auto lines = ParseAll("[ 1 123456789ABC ] [" + thirty + "]");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].name, thirty);
    // An opening bracket may stand in a name; the first "]" ends it.
    std::string rest;
    lines = ParseAll("[ 1 123456789ABC ] [[HD] x]\n", &rest);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].name, "[HD");
    EXPECT_EQ(rest, " x]\n");
}

TEST(ParseLine, ReadingStopsAtTheFirstBadLineAndKeepsTheRest) {
    std::string rest;
    const auto lines = ParseAll(
        "[ 1 111111111111 ] [one]\r\n"
        "   garbage line\r\n"
        "[ 1 222222222222 ] [two]\r\n",
        &rest);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(rest, "   garbage line\r\n[ 1 222222222222 ] [two]\r\n");

    // Junk on the same line as a good line starts right after it.
    ParseAll("[ 1 111111111111 ] [one]  junk\n", &rest);
    EXPECT_EQ(rest, "  junk\n");
    // White space alone after the last line is no rest at all.
    ParseAll("[ 1 111111111111 ] [one]\r\n\r\n  \n", &rest);
    EXPECT_EQ(rest, "");
}

TEST(ScanLine, LooseGrammarForDuplicates) {
    std::string code;
    EXPECT_TRUE(ScanOne("[ 1 A271914BA85C ] [  name with spaces  ]\r\n", &code));
    EXPECT_EQ(code, "A271914BA85C");
    // No length bound on the name, and nothing is stored.
    EXPECT_TRUE(ScanOne("[ 1 A271914BA85C ] [" + std::string(5000, 'n') + "]"));
    EXPECT_FALSE(ScanOne("[ 1 A271914BA85C ] [   ]"));
    EXPECT_FALSE(ScanOne("[ 1 A271914BA85C ] []"));
    EXPECT_FALSE(ScanOne("[ 1 A2719 ] [n]"));
}

TEST(FormatLine, CanonicalForm) {
    const std::uint8_t code[6] = {0xA2, 0x71, 0x91, 0x4B, 0xA8, 0x5C};
    char line[kMaxLineLength + 1];
    EXPECT_EQ(std::string(line, FormatAddedLine(line, code, "Al Jazeera")),
              "[ 1 A271914BA85C ] [Al Jazeera]\r\n");
    EXPECT_EQ(std::string(line, FormatLine(line, 0, code, " x ")), "[ 0 A271914BA85C ] [ x ]\r\n");
    EXPECT_EQ(std::string(line, FormatLine(line, 0xFF, code, "n")), "[ FF A271914BA85C ] [n]\r\n");
    EXPECT_EQ(std::string(line, FormatLine(line, 0x0A, code, "n")), "[ A A271914BA85C ] [n]\r\n");
    const std::string thirty(30, 'z');
    const std::size_t length = FormatLine(line, 0xFF, code, thirty.c_str());
    EXPECT_EQ(length, kMaxLineLength);
    EXPECT_EQ(std::strlen(line), kMaxLineLength);
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
        const std::size_t length = FormatAddedLine(line, code, fitted);
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
