// The plug-in's load gives the results of the plain reference load on a
// generated list: the same window calls (every row with its name, satellite
// and check mark, in order, and the count) and the same rewritten list.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "bench_files.h"
#include "channel_list/load_list.h"
#include "fake_window.h"
#include "list_generator.h"
#include "reference_load.h"
#include "shared/plugin_state.h"

namespace {

struct LoadOutcome {
    int Result;
    std::vector<WindowCall> Calls;
    std::string File;
    int Rows;
    std::string CountText;
};

LoadOutcome RunLoad(int (*load)(), const std::string& list) {
    const std::string path = BenchFile("ChannelList.ini");
    std::memset(&g_State, 0, sizeof g_State);
    EXPECT_TRUE(UseListPath(path));
    EXPECT_TRUE(WriteWholeFile(path, list));
    ResetFakeWindow();
    const int result = load();
    return {result, g_Fake.calls, ReadWholeFile(path), g_State.RowCount, g_State.CountText};
}

// The reference writes "\n" through a text stream, which on Linux stays a
// bare LF, while the plug-in writes CR LF, as a Windows text stream turns "\n"
// into. The reference is kept exactly as the plain algorithm reads, so the
// comparison maps our CR LF to LF, after checking that every line break of
// ours is CR LF.
std::string WithLineFeeds(const std::string& crlf) {
    std::string lf;
    for (std::size_t i = 0; i < crlf.size(); ++i) {
        if (crlf[i] == '\n') {
            EXPECT_TRUE(i > 0 && crlf[i - 1] == '\r') << "bare LF at byte " << i;
        }
        if (crlf[i] == '\r' && i + 1 < crlf.size() && crlf[i + 1] == '\n') continue;
        lf += crlf[i];
    }
    return lf;
}

TEST(ReferenceMatch, TenThousandLinesGiveTheSameRowsAndTheSameFile) {
    const std::string list = GenerateChannelList(10000);
    const LoadOutcome ours = RunLoad(&LoadChannelList, list);
    const LoadOutcome reference = RunLoad(&ReferenceLoadChannelList, list);

    EXPECT_EQ(ours.Result, 1);
    EXPECT_EQ(reference.Result, 1);
    EXPECT_EQ(ours.Rows, reference.Rows);
    EXPECT_EQ(ours.CountText, reference.CountText);
    ASSERT_EQ(ours.Calls.size(), reference.Calls.size());
    for (std::size_t i = 0; i < ours.Calls.size(); ++i) {
        ASSERT_EQ(ours.Calls[i], reference.Calls[i]) << "call " << i;
    }
    EXPECT_EQ(WithLineFeeds(ours.File), reference.File);

    // The duplicates really were dropped, and the rows are the file's lines.
    EXPECT_GT(ours.Rows, 8500);
    EXPECT_LT(ours.Rows, 9500);
    std::size_t lines = 0;
    for (char c : ours.File) lines += c == '\n';
    EXPECT_EQ(lines, static_cast<std::size_t>(ours.Rows));
}

TEST(ReferenceMatch, ACanonicalListLoadsTheSameAndStaysAsItIs) {
    const std::string canonical = RunLoad(&LoadChannelList, GenerateChannelList(1000)).File;
    const LoadOutcome ours = RunLoad(&LoadChannelList, canonical);
    const LoadOutcome reference = RunLoad(&ReferenceLoadChannelList, canonical);
    EXPECT_EQ(ours.File, canonical);
    EXPECT_EQ(reference.File, WithLineFeeds(canonical));
    EXPECT_EQ(ours.Calls, reference.Calls);
}

// The benchmark's lists are what it claims: the same bytes every time, about
// one line in ten a repeated channel, names of 5 to 25 bytes, and some lines
// in lower case, with extra spaces, or with LF alone.
TEST(ListGenerator, IsDeterministicAndRealistic) {
    const std::string list = GenerateChannelList(10000);
    EXPECT_EQ(list, GenerateChannelList(10000));
    EXPECT_NE(list.substr(0, 200), GenerateChannelList(1000).substr(0, 200));

    std::size_t lines = 0, lowerCase = 0, spaced = 0, bareLf = 0;
    std::set<std::string> keys;
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t end = list.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = list.substr(start, end + 1 - start);
        start = end + 1;
        ++lines;
        const std::size_t open = line.rfind('[');
        const std::size_t close = line.rfind(']');
        ASSERT_LT(open, close);
        const std::size_t nameLength = close - open - 1;
        EXPECT_GE(nameLength, 5u) << line;
        EXPECT_LE(nameLength, 25u) << line;
        std::string code;
        for (std::size_t i = line.find('[') + 1; i < line.find(']'); ++i) {
            if (line[i] != ' ') code += static_cast<char>(std::toupper(static_cast<unsigned char>(line[i])));
        }
        keys.insert(code.substr(1, 8));  // the flag is one digit; bytes 1 to 4 follow
        const std::string head = line.substr(0, line.find(']'));
        if (head.find_first_of("abcdef") != std::string::npos) ++lowerCase;
        if (line.compare(0, 2, "  ") == 0) ++spaced;
        if (line.size() < 2 || line[line.size() - 2] != '\r') ++bareLf;
    }
    EXPECT_EQ(lines, 10000u);
    const double duplicates = 1.0 - static_cast<double>(keys.size()) / static_cast<double>(lines);
    EXPECT_GT(duplicates, 0.07);
    EXPECT_LT(duplicates, 0.13);
    EXPECT_GT(lowerCase, 300u);
    EXPECT_GT(spaced, 300u);
    EXPECT_GT(bareLf, 200u);
}

}  // namespace
