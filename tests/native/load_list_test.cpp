#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "channel_list/add_channel.h"
#include "channel_list/list_lock.h"
#include "channel_list/normalise_list.h"
#include "channel_list/load_list.h"
#include "shared/arabic_texts.h"
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

TEST_F(LoadList, ABadLineHidesNothingAndKeepsItsPlace) {
    WriteList(
        "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
        "[ 1 0102030405FF ] [Al Jazeera]\r\n"
        "[ 1 A271914BA85C ] [Al Jazeera again]\r\n"
        "   [ 1 12345678 ] [eight digits]\n"
        "\r\n"
        "[ 1 69e7de5757e7 ] [after the bad line]\r\n"
        "[]\r\n"
        "[ 1 A271914BA85C ] [duplicate after it]\n"
        "[ 1 0000000000FF ] [last]");
    EXPECT_EQ(LoadChannelList(), 1);
    EXPECT_EQ(ShownRows(), (std::vector<Row>{{"Al Jazeera", "HotBird", true},
                                             {"Al Jazeera", "UnKnown", true},
                                             {"after the bad line", "Thor 2/3", true},
                                             {"last", "UnKnown", true}}));
    EXPECT_EQ(ReadList(),
              "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
              "[ 1 0102030405FF ] [Al Jazeera]\r\n"
              "   [ 1 12345678 ] [eight digits]\n"
              "[ 1 69E7DE5757E7 ] [after the bad line]\r\n"
              "[]\r\n"
              "[ 1 0000000000FF ] [last]\r\n");
    EXPECT_EQ(CountTexts(), (std::vector<std::string>{"0", "4"}));
}

// The shapes that used to hide the rest of a list, each followed by readable
// lines and by an add: the rows after them show, the add after them is seen
// by the next load, and a second add of the same channel is refused.
TEST_F(LoadList, NoLineShapeHidesTheLinesAfterIt) {
    struct Case {
        const char* what;
        std::string before;  // ahead of the two readable lines
        std::string after;   // behind them
    };
    const Case cases[] = {
        {"a bad line", "[ 1 0000000000FF ] [zero]\r\nnot a line\r\n", ""},
        {"an empty name", "[ 1 12345678ABCD ] []\r\n", ""},
        {"a byte-order mark", "\xEF\xBB\xBF", ""},
        {"a trailing Ctrl-Z", "", "\x1a"},
        {"a long name with a later duplicate",
         "[ 1 0102030405FF ] [" + std::string(31, 'L') + "]\r\n", "[ 1 0102030405AA ] [later]\r\n"},
    };
    const std::string readable =
        "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
        "[ 0 69E7DE5757E7 ] [Thor channel]\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetFakeWindow();
        g_State.RowCount = 0;
        WriteList(c.before + readable + c.after);
        LoadChannelList();
        std::vector<std::string> names;
        for (const Row& row : ShownRows()) names.push_back(row.name);
        ASSERT_GE(names.size(), 2u);
        EXPECT_EQ(names[names.size() - 2], "Al Jazeera");
        EXPECT_EQ(names.back(), "Thor channel");
        const std::size_t rows = names.size();

        Tune(MakeChannel("Added", 0x4242, 130));
        ASSERT_EQ(AddCurrentChannel(), 1);
        EXPECT_EQ(g_State.RowCount, static_cast<std::int32_t>(rows + 1));
        const std::string withAdd = ReadList();
        ResetFakeWindow();
        EXPECT_EQ(AddCurrentChannel(), 0);
        EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{ArabicTextCall(IDC_STATUS, kTextAlreadyInList)});
        EXPECT_EQ(ReadList(), withAdd);

        ResetFakeWindow();
        LoadChannelList();
        const std::vector<Row> shown = ShownRows();
        ASSERT_EQ(shown.size(), rows + 1);
        EXPECT_EQ(shown.back().name, "Added");
        EXPECT_EQ(CountTexts().back(), std::to_string(rows + 1));
    }
}

TEST_F(LoadList, ByteOrderMarkAndLongNamesAreKept) {
    const std::string longName = std::string(30, 'N') + "ews";
    WriteList(
        "\xEF\xBB\xBF[ 1 a271914ba85c ] [Al Jazeera]\n"
        "  [ 0 0102030405FF ] [" + longName + "]  \r\n"
        "[ 1 0102030405AA ] [same channel]\r\n");
    EXPECT_EQ(LoadChannelList(), 1);
    EXPECT_EQ(ShownRows(), (std::vector<Row>{{"Al Jazeera", "HotBird", true},
                                             {std::string(30, 'N'), "UnKnown", false}}));
    EXPECT_EQ(ReadList(),
              "\xEF\xBB\xBF[ 1 A271914BA85C ] [Al Jazeera]\r\n"
              "  [ 0 0102030405FF ] [" + longName + "]  \r\n");
}

TEST_F(LoadList, NothingThatReadsIsNotWritten) {
    // Only unreadable lines, white space between them: the file stays as it is.
    const std::string junk = "\xEF\xBB\xBF\r\n  junk\r\n\r\n[ 1 12 ] [x]\x1a";
    WriteList(junk);
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_EQ(ReadList(), junk);
    EXPECT_EQ(ListDirectory(dir_), (std::vector<std::string>{"ChannelList.ini", "ChannelList.lck"}));
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
    ASSERT_EQ(::mkdir(ListPath().c_str(), 0700), 0);
    std::strcpy(g_State.ListPath, ListPath().c_str());
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
        EXPECT_EQ(ListDirectory(dir_), (std::vector<std::string>{"ChannelList.ini", "ChannelList.lck"}));
        EXPECT_EQ(ShownRows().size(), 2u);
        EXPECT_EQ(g_Fake.calls.back(), TextCall(IDC_COUNT, "2"));
        EXPECT_EQ(g_State.RowCount, 2);
    }

    void SetUp() override {
        ListFileTest::SetUp();
        WriteList(kOriginal);
        s_listPath = ListPath();
        s_budget = 0;
    }

    static bool IsTemp(const char* path) { return path != s_listPath && std::strstr(path, ".tmp"); }

    static std::size_t s_budget;
    static std::string s_listPath;
};

std::size_t RewriteFailure::s_budget;
std::string RewriteFailure::s_listPath;

TEST_F(RewriteFailure, TempFileCannotBeCreated) {
    g_ListFileOps.Create = [](const char*, const char*, ListFile**) { return kInjectedFailure; };
    ExpectListUntouched();
}

TEST_F(RewriteFailure, WriteFailsPartWay) {
    for (std::size_t budget : {std::size_t{0}, std::size_t{1}, std::size_t{30}, std::size_t{51}}) {
        ResetFakeWindow();
        s_budget = budget;
        g_ListFileOps.Write = [](ListFile* file, const void* data, std::size_t size) {
            const std::size_t allowed = size < s_budget ? size : s_budget;
            s_budget -= allowed;
            const FileError written = DefaultListFileOps().Write(file, data, allowed);
            return written.Kind == kFileErrorNone && allowed < size ? kInjectedFailure : written;
        };
        ExpectListUntouched();
    }
}

TEST_F(RewriteFailure, SyncOrCloseFails) {
    for (int fault = 0; fault < 2; ++fault) {
        ResetFakeWindow();
        g_ListFileOps = DefaultListFileOps();
        if (fault == 0) g_ListFileOps.Sync = [](ListFile*) { return kInjectedFailure; };
        if (fault == 1) {
            g_ListFileOps.Close = [](ListFile* file) {
                DefaultListFileOps().Close(file);
                return kInjectedFailure;
            };
        }
        ExpectListUntouched();
    }
}

TEST_F(RewriteFailure, ReplaceFails) {
    g_ListFileOps.Replace = [](const char*, const char*, const char*) { return kInjectedFailure; };
    ExpectListUntouched();
}

TEST_F(RewriteFailure, AnotherWriterHoldsTheLock) {
    // The rows show; the list is not rewritten, and the load does not wait
    // longer than the lock's bound.
    const HeldListLock other(ListPath());
    ASSERT_TRUE(other.Held());
    ExpectListUntouched();
}

TEST_F(RewriteFailure, ListChangedSinceItWasRead) {
    // Another program (one that does not take the lock) changes the list
    // while the rewrite is being prepared: once by appending a line, once by
    // changing bytes but not the size. Its change must survive.
    const std::string changes[] = {std::string(kOriginal) + "[ 1 0000000000FF ] [Appended]\r\n",
                                   std::string(kOriginal).replace(20, 3, "Uno")};
    for (const std::string& changed : changes) {
        WriteList(kOriginal);
        ResetFakeWindow();
        static const std::string* s_changed;
        s_changed = &changed;
        g_ListFileOps.Sync = [](ListFile* file) {
            WriteFileBytes(s_listPath, *s_changed);
            return DefaultListFileOps().Sync(file);
        };
        EXPECT_EQ(LoadChannelList(), 0);
        EXPECT_EQ(ReadList(), changed);
        EXPECT_EQ(ListDirectory(dir_), (std::vector<std::string>{"ChannelList.ini", "ChannelList.lck"}));
        EXPECT_EQ(ShownRows().size(), 2u);
    }
}

TEST_F(RewriteFailure, ListDisappearsBeforeTheRewrite) {
    // Whoever removed the list meant it: it is not brought back, nor is the
    // lock file this load made left beside no list.
    g_ListFileOps.Sync = [](ListFile* file) {
        std::remove(s_listPath.c_str());
        return DefaultListFileOps().Sync(file);
    };
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_EQ(ListDirectory(dir_), std::vector<std::string>{});
    EXPECT_EQ(ShownRows().size(), 2u);
    EXPECT_EQ(g_Fake.calls.back(), TextCall(IDC_COUNT, "2"));
}

TEST_F(RewriteFailure, ReadOrSizeErrorLeavesTheListAlone) {
    for (int fault = 0; fault < 2; ++fault) {
        ResetFakeWindow();
        g_ListFileOps = DefaultListFileOps();
        if (fault == 0) {
            g_ListFileOps.Read = [](ListFile*, void*, std::size_t, std::size_t* got) {
                *got = 0;
                return kInjectedFailure;
            };
        } else {
            g_ListFileOps.Size = [](ListFile*, std::uint64_t*) { return kInjectedFailure; };
        }
        EXPECT_EQ(LoadChannelList(), 0);
        EXPECT_EQ(ReadList(), kOriginal);
        EXPECT_EQ(g_Fake.calls, std::vector<WindowCall>{TextCall(IDC_COUNT, "0")});
    }
}

// The safe writer as the command-line program uses it: a list made anew, and
// the question whether the next start would write.
using SafeWriter = ListFileTest;

RewriteResult Rewrite(const std::string& path, const FileBytes& original, const std::string& content) {
    ListFiles files;
    ListRewrite rewrite;
    EXPECT_TRUE(ResolveListPaths(&files, path.c_str()));
    EXPECT_TRUE(BeginListRewrite(&rewrite, &files, original));
    AppendToRewrite(&rewrite, content.data(), content.size());
    const RewriteResult result = FinishListRewrite(&rewrite);
    FreeListPaths(&files.Paths);
    return result;
}

TEST_F(SafeWriter, MakesAListThatDoesNotExistOnlyWhileItStillDoesNot) {
    const FileBytes absent{nullptr, 0};
    EXPECT_EQ(Rewrite(ListPath(), absent, "[ 1 A271914BA85C ] [One]\r\n"), kRewriteWritten);
    EXPECT_EQ(ReadList(), "[ 1 A271914BA85C ] [One]\r\n");
    // Someone made the list meanwhile: it is left as they made it.
    EXPECT_EQ(Rewrite(ListPath(), absent, "[ 1 0102030405FF ] [Two]\r\n"), kRewriteListChanged);
    EXPECT_EQ(ReadList(), "[ 1 A271914BA85C ] [One]\r\n");
    EXPECT_EQ(ListDirectory(dir_), std::vector<std::string>{"ChannelList.ini"});
}

TEST_F(SafeWriter, TellsWhetherTheNextStartWouldWrite) {
    const struct {
        std::string file;
        bool rewrites;
    } cases[] = {
        {"[ 1 A271914BA85C ] [One]\r\n", false},
        {"[ 1 a271914ba85c ] [One]\r\n", true},
        {"[ 1 A271914BA85C ] [One]\r\n\r\n", true},                          // a blank line at the end
        {"[ 1 A271914BA85C ] [One]\r\n[ 1 A271914BA85C ] [Again]\r\n", true},  // a later duplicate
        {"junk\r\n[ 1 A271914BA85C ] [" + std::string(31, 'L') + "]\n", false},  // kept as it is
        {"junk\n\n", false},                                                    // nothing reads
    };
    for (const auto& c : cases) {
        char* const bytes = static_cast<char*>(std::malloc(c.file.size() + 1));
        std::memcpy(bytes, c.file.c_str(), c.file.size() + 1);
        ListIndex index;
        ASSERT_TRUE(IndexListBytes(FileBytes{bytes, c.file.size()}, &index));
        EXPECT_EQ(NormalisedListDiffers(index), c.rewrites) << c.file;
        FreeListIndex(&index);
        WriteList(c.file);
        ResetFakeWindow();
        LoadChannelList();
        EXPECT_EQ(ReadList() != c.file, c.rewrites) << c.file;
    }
    EXPECT_EQ(ListDirectory(dir_), (std::vector<std::string>{"ChannelList.ini", "ChannelList.lck"}));
}

}  // namespace
