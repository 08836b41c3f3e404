#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "channel_list/add_channel.h"
#include "channel_list/list_file.h"
#include "channel_list/load_list.h"
#include "test_support.h"
#include "resources/resource.h"

namespace {

using LoadList = ListFileTest;

// Rows as the fake window saw them: name, satellite, checked.
struct Row {
    std::string name;
    std::string satellite;
    bool checked;
    bool operator==(const Row& other) const {
        return name == other.name && satellite == other.satellite && checked == other.checked;
    }
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << "{" << row.name << ", " << row.satellite << ", " << row.checked << "}";
}

std::vector<Row> ShownRows() {
    std::vector<Row> rows;
    for (const WindowCall& call : g_Fake.calls) {
        if (call.kind == WindowCall::InsertRow) {
            EXPECT_EQ(call.target, static_cast<int>(rows.size()));
            rows.push_back({call.text, "", false});
        } else if (call.kind == WindowCall::SetColumn1) {
            EXPECT_EQ(call.target, static_cast<int>(rows.size()) - 1);
            rows.back().satellite = call.text;
        } else if (call.kind == WindowCall::Check) {
            EXPECT_EQ(call.target, static_cast<int>(rows.size()) - 1);
            rows.back().checked = true;
        }
    }
    return rows;
}

// The count texts put into control 1004, in order.
std::vector<std::string> CountTexts() {
    std::vector<std::string> texts;
    for (const WindowCall& call : g_Fake.calls) {
        if (call.kind == WindowCall::SetText && call.target == IDC_COUNT) texts.push_back(call.text);
    }
    return texts;
}

TEST_F(LoadList, MissingOrEmptyFileShowsZeroAndWritesNothing) {
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{TextCall(IDC_COUNT, "0")});
    EXPECT_FALSE(FileExists(ListPath()));

    ResetFakeWindow();
    WriteList("");
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{TextCall(IDC_COUNT, "0")});
    EXPECT_EQ(g_State.RowCount, 0);
}

TEST_F(LoadList, NothingReadableLeavesTheFileAlone) {
    const std::string junk = "this is not a channel list\r\n[ 1 12 ] [x]\r\n";
    WriteList(junk);
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_EQ(ReadList(), junk);
    EXPECT_EQ(CountTexts(), std::vector<std::string>{"0"});
}

TEST_F(LoadList, FirstLineOfAChannelWins) {
    WriteList(
        "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
        "[ 1 69E7DE5757E7 ] [Thor channel]\r\n"
        "[ 0 A271914B0000 ] [Same channel, new name]\r\n");
    EXPECT_EQ(LoadChannelList(), 1);
    EXPECT_EQ(ShownRows(), (std::vector<Row>{{"Al Jazeera", "HotBird", true},
                                             {"Thor channel", "Thor 2/3", true}}));
    EXPECT_EQ(ReadList(),
              "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
              "[ 1 69E7DE5757E7 ] [Thor channel]\r\n");
    EXPECT_EQ(g_State.RowCount, 2);
    EXPECT_STREQ(g_State.CountText, "2");
    EXPECT_EQ(CountTexts(), (std::vector<std::string>{"0", "2"}));
    EXPECT_EQ(g_Fake.calls.front(), TextCall(IDC_COUNT, "0"));
    EXPECT_EQ(g_Fake.calls.back(), TextCall(IDC_COUNT, "2"));
}

TEST_F(LoadList, RewritesInCanonicalForm) {
    WriteList(
        "  [  1ff a271 914b a85c ]  [ Spaced ]\n"       // flag 1FF counts as FF
        "\n\n"
        "[ 0 69e7de5757e7 ] [Unchecked]\r\n"
        "[1 1234567890A][Nine to eleven]\n"             // short third group
        "[ 00001 0102030405FF ] [Leading zeros]");    // no line break at the end
    EXPECT_EQ(LoadChannelList(), 1);
    EXPECT_EQ(ReadList(),
              "[ FF A271914BA85C ] [ Spaced ]\r\n"
              "[ 0 69E7DE5757E7 ] [Unchecked]\r\n"
              "[ 1 12345678090A ] [Nine to eleven]\r\n"
              "[ 1 0102030405FF ] [Leading zeros]\r\n");
    const std::vector<Row> rows = ShownRows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (Row{" Spaced ", "HotBird", true}));
    EXPECT_EQ(rows[1], (Row{"Unchecked", "Thor 2/3", false}));
    EXPECT_EQ(rows[3].satellite, "UnKnown");
}

TEST_F(LoadList, RewriteIsAFixedPoint) {
    WriteList("[ 1 a271914ba85c ] [One]\n[ 2 0102030405FF ] [Two]\nrest\n");
    ASSERT_EQ(LoadChannelList(), 1);
    const std::string once = ReadList();
    struct stat before;
    ASSERT_EQ(::stat(ListPath().c_str(), &before), 0);
    ResetFakeWindow();
    EXPECT_EQ(LoadChannelList(), 1);
    EXPECT_EQ(ReadList(), once);
    // Already canonical: the file is not replaced at all.
    struct stat after;
    ASSERT_EQ(::stat(ListPath().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(LoadList, LinesAfterABadLineAreKeptVerbatim) {
    WriteList(
        "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
        "[ 1 0102030405FF ] [Al Jazeera]\r\n"
        "[ 1 A271914BA85C ] [Al Jazeera again]\r\n"
        "   [ 1 12345678 ] [eight digits]\n"
        "[ 1 69E7DE5757E7 ] [after the bad line]\r\n"
        "[ 1 A271914BA85C ] [duplicate after it]");
    EXPECT_EQ(LoadChannelList(), 1);
    EXPECT_EQ(ShownRows().size(), 2u);
    EXPECT_EQ(ReadList(),
              "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
              "[ 1 0102030405FF ] [Al Jazeera]\r\n"
              "   [ 1 12345678 ] [eight digits]\n"
              "[ 1 69E7DE5757E7 ] [after the bad line]\r\n"
              "[ 1 A271914BA85C ] [duplicate after it]");
}

TEST_F(LoadList, AddedNamesShowTheSameAfterTheNextLoad) {
    const std::string names[] = {"", "News [HD]", "Two\r\nLines", std::string(45, 'L'), "  x  "};
    std::uint16_t ident = 1;
    std::vector<std::string> addedRows;
    for (const std::string& name : names) {
        Tune(MakeChannel(name, ident++, 130));
        ASSERT_EQ(AddCurrentChannel(), 1);
        addedRows.push_back(g_Fake.calls[g_Fake.calls.size() - 4].text);
    }
    const std::string written = ReadList();
    ResetFakeWindow();
    EXPECT_EQ(LoadChannelList(), 1);
    std::vector<std::string> loadedRows;
    for (const Row& row : ShownRows()) loadedRows.push_back(row.name);
    EXPECT_EQ(loadedRows, addedRows);
    EXPECT_EQ(ReadList(), written);  // every added line was already canonical
}

TEST_F(LoadList, UnusablePathOrDirectoryLosesNothing) {
    g_State.ListPath[0] = '\0';
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{TextCall(IDC_COUNT, "0")});

    // The list path names a directory.
    ResetFakeWindow();
    std::strcpy(g_State.ListPath, dir_.c_str());
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{TextCall(IDC_COUNT, "0")});
}

// Rewrite failures, injected through the file operations: the list stays byte
// for byte as it was, the rows stay shown with their count, and no temporary
// file is left.
class RewriteFailure : public ListFileTest {
protected:
    static constexpr const char* kOriginal =
        "[ 1 a271914ba85c ] [One]\n"
        "[ 1 0102030405FF ] [Two]\n"
        "[ 1 A271914BA85C ] [One again]\n";

    void ExpectListUntouched() {
        EXPECT_EQ(LoadChannelList(), 0);
        EXPECT_EQ(ReadList(), kOriginal);
        EXPECT_EQ(ListDirectory(dir_), std::vector<std::string>{"ChannelList.ini"});
        EXPECT_EQ(ShownRows().size(), 2u);
        EXPECT_EQ(g_Fake.calls.back(), TextCall(IDC_COUNT, "2"));
        EXPECT_EQ(g_State.RowCount, 2);
    }

    void SetUp() override {
        ListFileTest::SetUp();
        WriteList(kOriginal);
    }

    static std::size_t s_budget;
    static std::string s_failPath;
    static std::string s_failMode;
};

std::size_t RewriteFailure::s_budget;
std::string RewriteFailure::s_failPath;
std::string RewriteFailure::s_failMode;

TEST_F(RewriteFailure, TempFileCannotBeCreated) {
    s_failPath = ListPath() + ".tmp";
    g_ListFileOps.Open = [](const char* path, const char* mode) -> std::FILE* {
        return path == s_failPath ? nullptr : std::fopen(path, mode);
    };
    ExpectListUntouched();
}

TEST_F(RewriteFailure, WriteFailsPartWay) {
    for (std::size_t budget : {std::size_t{0}, std::size_t{1}, std::size_t{30}, std::size_t{51}}) {
        ResetFakeWindow();
        s_budget = budget;
        g_ListFileOps.Write = [](const void* data, std::size_t size, std::FILE* file) -> std::size_t {
            const std::size_t allowed = size < s_budget ? size : s_budget;
            s_budget -= allowed;
            return std::fwrite(data, 1, allowed, file);
        };
        ExpectListUntouched();
    }
}

TEST_F(RewriteFailure, CloseFails) {
    g_ListFileOps.Close = [](std::FILE* file) -> int {
        std::fclose(file);
        return EOF;
    };
    ExpectListUntouched();
}

TEST_F(RewriteFailure, ReplaceFails) {
    g_ListFileOps.Replace = [](const char*, const char*) { return 0; };
    ExpectListUntouched();
}

TEST_F(RewriteFailure, ListIsReadOnly) {
    // Opening the list for update fails as it does on a read-only file.
    g_ListFileOps.Open = [](const char* path, const char* mode) -> std::FILE* {
        return std::string(mode) == "r+b" ? nullptr : std::fopen(path, mode);
    };
    ExpectListUntouched();
}

TEST_F(RewriteFailure, ListChangedSinceItWasRead) {
    // Another writer appends a line while the rewrite is being prepared: the
    // appended line must survive, so the list is left as the writer left it.
    s_failPath = ListPath();
    g_ListFileOps.Open = [](const char* path, const char* mode) -> std::FILE* {
        if (std::string(mode) == "r+b" && path == s_failPath) {
            if (std::FILE* list = std::fopen(path, "ab")) {
                std::fputs("[ 1 0000000000FF ] [Appended]\r\n", list);
                std::fclose(list);
            }
        }
        return std::fopen(path, mode);
    };
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_EQ(ReadList(), std::string(kOriginal) + "[ 1 0000000000FF ] [Appended]\r\n");
    EXPECT_EQ(ListDirectory(dir_), std::vector<std::string>{"ChannelList.ini"});
}

TEST_F(RewriteFailure, ListDisappearsBeforeTheRewrite) {
    // Whoever removed the list meant it: it is not brought back.
    s_failPath = ListPath();
    g_ListFileOps.Open = [](const char* path, const char* mode) -> std::FILE* {
        if (std::string(mode) == "r+b" && path == s_failPath) std::remove(path);
        return std::fopen(path, mode);
    };
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_TRUE(ListDirectory(dir_).empty());
    EXPECT_EQ(ShownRows().size(), 2u);
    EXPECT_EQ(g_Fake.calls.back(), TextCall(IDC_COUNT, "2"));
}

TEST_F(RewriteFailure, ReadErrorLeavesTheListAlone) {
    g_ListFileOps.Read = [](void*, std::size_t, std::FILE* file) -> std::size_t {
        // A read error, as a failing disk gives.
        std::fseek(file, 0, SEEK_END);
        std::fgetc(file);
        std::fputc('x', file);  // writing to a read-only stream sets its error flag
        return 0;
    };
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_EQ(ReadList(), kOriginal);
    EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{TextCall(IDC_COUNT, "0")});
}

}  // namespace
