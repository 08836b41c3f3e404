// The list against the file system's bad moments, injected through the file
// operations: a folder that cannot be looked at, a scanner holding the list
// or the temporary file, files a stopped writer left behind, a list made by
// someone else meanwhile. Whatever happens, the list is whole and no file of
// another list or program is touched.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "channel_list/add_channel.h"
#include "channel_list/load_list.h"
#include "channel_list/list_index.h"
#include "shared/arabic_texts.h"
#include "resources/resource.h"
#include "test_support.h"
#include "tools/zelq-list/zelq_list.h"

namespace {

constexpr const char kNeedsRewrite[] =
    "[ 1 a271914ba85c ] [One]\n"
    "[ 1 A271914BA85C ] [One again]\n"
    "[ 1 0102030405FF ] [Two]";  // no line break at the end
constexpr const char kRewritten[] = "[ 1 A271914BA85C ] [One]\r\n[ 1 0102030405FF ] [Two]\r\n";
// A list for the add: its last line has no line break yet.
constexpr const char kNoFinalBreak[] = "[ 1 A271914BA85C ] [One]\r\n[ 1 0102030405FF ] [Two]";

// What the injected operations saw.
struct Seen {
    std::vector<std::string> Writes;       // the bytes of every write call
    std::vector<FileOpenMode> ListOpens;   // modes the list itself was opened with
    unsigned PausedMs = 0;
    int Calls = 0;                         // calls of the faulty operation so far
    std::string ListPath;
};
Seen g_Seen;

FileError RecordingOpen(const char* path, FileOpenMode mode, ListFile** file) {
    if (path == g_Seen.ListPath) g_Seen.ListOpens.push_back(mode);
    return DefaultListFileOps().Open(path, mode, file);
}
FileError RecordingWrite(ListFile* file, const void* data, std::size_t size) {
    g_Seen.Writes.emplace_back(static_cast<const char*>(data), size);
    return DefaultListFileOps().Write(file, data, size);
}
unsigned RecordingPause(unsigned ms) {
    g_Seen.PausedMs += ms;
    return ms;
}

// A scanner that holds the file: Windows answers a sharing violation.
FileError Busy() { return FileError{kFileErrorInUse, 32, true}; }

struct Case {
    const char* Name;
    const char* Before;              // the list, or null for none
    std::vector<std::string> Extra;  // other files in the folder beforehand
    void (*Inject)();
    bool Add;                        // press add (else: start the plug-in)
    int Result;
    const char* After;               // the list afterwards, or null for none
    std::vector<std::string> Files;  // every name in the folder afterwards
    unsigned PausedMs;
};

const Case kCases[] = {
    {"a folder that cannot be looked at now ends the add; the list is not taken for missing",
     kNoFinalBreak, {}, [] {
         g_ListFileOps.Probe = [](const char* path, PathKind* kind) {
             if (path == g_Seen.ListPath && g_Seen.Calls++ > 0) {
                 return FileError{kFileErrorOther, 64, false};  // the network name is no longer available
             }
             return DefaultListFileOps().Probe(path, kind);
         };
     },
     true, 0, kNoFinalBreak, {"ChannelList.ini"}, 0},
    {"the same with no list: nothing is made", nullptr, {}, [] {
         g_ListFileOps.Probe = [](const char* path, PathKind* kind) {
             if (path == g_Seen.ListPath && g_Seen.Calls++ > 0) return Busy();
             return DefaultListFileOps().Probe(path, kind);
         };
     },
     true, 0, nullptr, {}, 0},
    {"a list someone made after the read is not the add's to remove", nullptr, {}, [] {
         g_ListFileOps.Create = [](const char* path, const char* like, ListFile** file) {
             if (path == g_Seen.ListPath) WriteFileBytes(path, "theirs");
             return DefaultListFileOps().Create(path, like, file);
         };
     },
     true, 0, "theirs", {"ChannelList.ini", "ChannelList.lck"}, 0},
    {"the add's line goes out in one write, on a handle that only appends", kNoFinalBreak, {}, [] {},
     true, 1, "", {"ChannelList.ini", "ChannelList.lck"}, 0},
    {"a failed append is cut back through a handle that may cut", kNoFinalBreak, {}, [] {
         g_ListFileOps.Write = [](ListFile* file, const void* data, std::size_t size) {
             RecordingWrite(file, data, size / 2);
             return FileError{kFileErrorDiskFull, 112, false};
         };
     },
     true, 0, kNoFinalBreak, {"ChannelList.ini", "ChannelList.lck"}, 0},
    {"a flush the file system does not do keeps the add, whose line it has taken", kNoFinalBreak, {}, [] {
         g_ListFileOps.Sync = [](ListFile*) {
             return FileError{kFileErrorNotSupported, 50, false};  // ERROR_NOT_SUPPORTED
         };
     },
     true, 1, "", {"ChannelList.ini", "ChannelList.lck"}, 0},
    {"any other failed flush cuts the add's line back", kNoFinalBreak, {}, [] {
         g_ListFileOps.Sync = [](ListFile*) { return kInjectedFailure; };
     },
     true, 0, kNoFinalBreak, {"ChannelList.ini", "ChannelList.lck"}, 0},
    {"a flush the file system does not do keeps the rewrite too", kNeedsRewrite, {}, [] {
         g_ListFileOps.Sync = [](ListFile*) {
             return FileError{kFileErrorNotSupported, 1, false};  // ERROR_INVALID_FUNCTION
         };
     },
     false, 1, kRewritten, {"ChannelList.ini", "ChannelList.lck"}, 0},
    {"a replace the scanner stops twice goes through", kNeedsRewrite, {}, [] {
         g_ListFileOps.Replace = [](const char* from, const char* to, const char* backup) {
             return g_Seen.Calls++ < 2 ? Busy() : DefaultListFileOps().Replace(from, to, backup);
         };
     },
     false, 1, kRewritten, {"ChannelList.ini", "ChannelList.lck"}, 10 + 20},
    {"a replace stopped for good gives up after about a second; the temporary file goes", kNeedsRewrite, {},
     [] { g_ListFileOps.Replace = [](const char*, const char*, const char*) { return Busy(); }; },
     false, 0, kNeedsRewrite, {"ChannelList.ini", "ChannelList.lck"}, 1000},
    {"a temporary file the scanner holds is removed once it lets go", kNeedsRewrite, {}, [] {
         g_ListFileOps.Replace = [](const char*, const char*, const char*) {
             return FileError{kFileErrorDenied, 5, false};
         };
         g_ListFileOps.Remove = [](const char* path) {
             return FileExists(path) && g_Seen.Calls++ < 3 ? Busy() : DefaultListFileOps().Remove(path);
         };
     },
     false, 0, kNeedsRewrite, {"ChannelList.ini", "ChannelList.lck"}, 10 + 20 + 40},
    {"a list with a second name (a hard link) is shown but never written anew, which would part the names",
     kNeedsRewrite, {}, [] { ::link(g_Seen.ListPath.c_str(), (g_Seen.ListPath + ".link").c_str()); },
     false, 0, kNeedsRewrite, {"ChannelList.ini", "ChannelList.ini.link", "ChannelList.lck"}, 0},
    {"a backup this user may not remove (a folder that takes new files but lets none go): the list is left "
     "as it is, no new side file is made, and the permission is not waited out",
     kNeedsRewrite, {"~ChannelList.bk"}, [] {
         g_ListFileOps.Remove = [](const char* path) {
             if (!FileExists(path)) return DefaultListFileOps().Remove(path);
             return FileError{kFileErrorDenied, 5, true};
         };
     },
     false, 0, kNeedsRewrite, {"ChannelList.ini", "ChannelList.lck", "~ChannelList.bk"}, 0},
    {"what a stopped writer of this list left is removed; other lists' and programs' files stay",
     kNeedsRewrite, {"~ChannelList.tm", "~ChannelList.bk", "~Other.tm", "ChannelList.tmp", "~ChannelList.ini"}, [] {},
     false, 1, kRewritten,
     {"ChannelList.ini", "ChannelList.lck", "ChannelList.tmp", "~ChannelList.ini", "~Other.tm"}, 0},
};

class FileSafety : public ListFileTest {};

TEST_F(FileSafety, TheListStaysWholeAndOnlyItsOwnFilesAreTouched) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.Name);
        TearDown();
        SetUp();
        for (const std::string& name : c.Extra) WriteFileBytes(dir_ + "/" + name, "left behind");
        if (c.Before) WriteList(c.Before);
        g_Seen = Seen();
        g_Seen.ListPath = ListPath();
        g_ListFileOps.Open = RecordingOpen;
        g_ListFileOps.Write = RecordingWrite;
        g_ListFileOps.Pause = RecordingPause;
        c.Inject();
        Tune(MakeChannel("Al Jazeera", 0x1111, 130));
        EXPECT_EQ(c.Add ? AddCurrentChannel() : LoadChannelList(), c.Result);
        g_ListFileOps = DefaultListFileOps();

        const std::string added = "\r\n[ 1 8772B448AB5F ] [Al Jazeera]\r\n";
        if (!c.After) {
            EXPECT_FALSE(FileExists(ListPath()));
        } else if (c.Add && c.Result == 1) {
            // One write call carried the whole line, line break before it included.
            EXPECT_EQ(g_Seen.Writes, std::vector<std::string>{added});
            EXPECT_EQ(g_Seen.ListOpens, (std::vector<FileOpenMode>{kOpenRead, kOpenAppend}));
            EXPECT_EQ(ReadList(), std::string(c.Before) + added);
        } else {
            EXPECT_EQ(ReadList(), c.After);
        }
        if (c.Add && c.Result == 0 && !g_Seen.Writes.empty()) {
            EXPECT_EQ(g_Seen.ListOpens, (std::vector<FileOpenMode>{kOpenRead, kOpenAppend, kOpenWrite}));
        }
        EXPECT_EQ(ListDirectory(dir_), c.Files);
        EXPECT_EQ(g_Seen.PausedMs, c.PausedMs);
    }
}

TEST_F(FileSafety, NoLockFileBesideAFolderOrInAFolderThatIsNotThere) {
    ASSERT_EQ(::mkdir((dir_ + "/dir").c_str(), 0700), 0);
    const struct {
        std::string path;
        FileErrorKind error;
    } cases[] = {
        {dir_ + "/missing/ChannelList.ini", kFileErrorNoFolder},
        {dir_ + "/dir", kFileErrorIsFolder},
        {dir_ + "/dir/", kFileErrorIsFolder},
    };
    for (const auto& c : cases) {
        ListFiles files;
        EXPECT_FALSE(ResolveListPaths(&files, c.path.c_str()) && LockList(&files)) << c.path;
        EXPECT_EQ(files.Error.Kind, c.error) << c.path;
        FreeListPaths(&files.Paths);
    }
    EXPECT_EQ(ListDirectory(dir_), std::vector<std::string>{"dir"});
    EXPECT_TRUE(ListDirectory(dir_ + "/dir").empty());
    // Beside a list that is not there yet, the lock is made: an add creates
    // the list under it. When no list was made, the lock file goes with the
    // lock; one this lock did not make stays.
    for (const bool made : {true, false}) {
        if (!made) ::close(::open((dir_ + "/ChannelList.lck").c_str(), O_CREAT | O_WRONLY, 0600));
        {
            const HeldListLock lock(ListPath());
            ASSERT_TRUE(lock.Held());
            EXPECT_EQ(ListDirectory(dir_), (std::vector<std::string>{"ChannelList.lck", "dir"}));
        }
        const std::vector<std::string> left = made ? std::vector<std::string>{"dir"}
                                                   : std::vector<std::string>{"ChannelList.lck", "dir"};
        EXPECT_EQ(ListDirectory(dir_), left);
    }
}

// A file made like the list (the rewrite's temporary file) has the list's
// owners and permission bits, never wider, before a byte is written to it;
// one made like nothing has a new file's.
TEST_F(FileSafety, ANewFileMadeLikeTheListHasItsOwnersAndModeBeforeAByteIsWritten) {
    if (::geteuid() != 0) GTEST_SKIP() << "gives files owners: needs root";
    WriteList("[ 1 A271914BA85C ] [One]\r\n");
    const mode_t umask = ::umask(077);
    for (const mode_t mode : {0640, 0604, 0600, 0664}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(ListPath().c_str(), mode), 0);
        ASSERT_EQ(::chown(ListPath().c_str(), 61001, 61002), 0);
        const std::string temp = dir_ + "/~ChannelList.tm";
        ListFile* file = nullptr;
        ASSERT_EQ(DefaultListFileOps().Create(temp.c_str(), ListPath().c_str(), &file).Kind, kFileErrorNone);
        struct stat made;
        ASSERT_EQ(::stat(temp.c_str(), &made), 0);
        EXPECT_EQ(made.st_mode & 07777, mode);
        EXPECT_EQ(made.st_uid, 61001u);
        EXPECT_EQ(made.st_gid, 61002u);
        EXPECT_EQ(made.st_size, 0);
        DefaultListFileOps().Close(file);
        ::unlink(temp.c_str());
    }
    ListFile* file = nullptr;
    const std::string fresh = dir_ + "/new.ini";
    ASSERT_EQ(DefaultListFileOps().Create(fresh.c_str(), nullptr, &file).Kind, kFileErrorNone);
    DefaultListFileOps().Close(file);
    struct stat made;
    ASSERT_EQ(::stat(fresh.c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 07777, 0600u);  // 0666 less the umask
    ::umask(umask);
}

// The names of a list's rows, joined by ",".
std::string NamesOf(const std::string& bytes) {
    char* const copy = static_cast<char*>(std::malloc(bytes.size() + 1));
    std::memcpy(copy, bytes.data(), bytes.size());
    ListIndex index;
    if (!IndexListBytes(FileBytes{copy, bytes.size()}, &index)) return "(no memory)";
    std::string names;
    for (std::size_t row = 0; row < index.RowCount; ++row) {
        names += (row ? "," : "") + std::string(RowName(index, row), RowNameLength(index, row));
    }
    FreeListIndex(&index);
    return names;
}

// Every state a writer stopped before its end can leave, against every
// reader and writer: each finds the same rows (the list's, or its copy's
// where the list is missing or damaged), a writer puts that copy in the
// list's place and sets a damaged list aside, and a reader changes nothing.
TEST_F(FileSafety, EveryReaderAndWriterFindsTheListAWriterStoppedBeforeItsEndLeft) {
    const std::string three = "[ 1 A271914BA85C ] [One]\r\n[ 1 0102030405FF ] [Two]\r\n[ 0 69E7DE5757E7 ] [Three]\r\n";
    const struct {
        const char* Name;
        const char* List;  // each file beforehand, or null for none
        const char* Backup;
        const char* Temp;
        const char* Rows;  // the rows everyone finds; null: there is no list
        bool Damaged;      // a writer sets the list aside as ~ChannelList.dm
    } states[] = {
        {"list missing beside its backup", nullptr, "B", nullptr, "One,Two,Three", false},
        {"empty list beside its backup", "", "B", nullptr, "One,Two,Three", true},
        {"zero-filled list beside its backup", "Z", "B", "[ 1 A27", "One,Two,Three", true},
        {"list cut mid-line beside its backup", "[ 1 A271914BA85C ] [One]\r\n[ 1 0102030", "B", nullptr,
         "One,Two,Three", true},
        {"a whole list of fewer rows beside its backup", "[ 1 A271914BA85C ] [One]\r\n", "B", nullptr, "One", false},
        {"a list saved without a final line break beside its backup", "[ 1 A271914BA85C ] [One]", "B", nullptr,
         "One", false},
        {"a note at its end, as the backup ends", "[ 1 A271914BA85C ] [One]\r\nmy note", "N", nullptr, "One", false},
        {"empty list beside an empty backup", "", "", nullptr, "", false},
        {"list and backup missing, a whole temporary file", nullptr, nullptr, "B", "One,Two,Three", false},
        {"list and backup missing, a cut temporary file", nullptr, nullptr, "[ 1 A271914BA85C ] [One]\r\n[ 1 01",
         nullptr, false},
    };
    const auto bytes = [&](const char* text) {
        const std::string given = text;
        return given == "B" ? three : given == "Z" ? std::string(112, '\0') : given == "N" ? three + "my note" : given;
    };
    std::ostringstream out;
    std::ostringstream err;
    const auto options = [&](bool dryRun) {
        ListOptions given;
        given.ListPath = ListPath();
        given.DryRun = dryRun;
        out.str("");
        err.str("");
        return given;
    };
    const struct {
        const char* Name;
        bool Writes;
        std::function<std::string()> Run;  // the rows it found, or its exit code when it failed
    } actions[] = {
        {"start", true, [&] {
             ResetFakeWindow();
             LoadChannelList();
             std::string names;
             for (const WindowCall& call : g_Fake.calls) {
                 if (call.kind == WindowCall::InsertRow) names += (names.empty() ? "" : ",") + call.text;
             }
             return names;
         }},
        {"add", true, [&] {
             Tune(MakeChannel("Added", 0x4242, 130));
             EXPECT_EQ(AddCurrentChannel(), 1);
             const std::string names = NamesOf(ReadList());
             const std::size_t added = names.rfind("Added");
             return added == std::string::npos ? names : names.substr(0, added > 0 ? added - 1 : 0);
         }},
        {"rename", true, [&] {
             const int code = RenameRow(options(false), "1", "Renamed", out, err);
             if (code != 0) return "exit " + std::to_string(code);
             return NamesOf(ReadList()).replace(0, std::strlen("Renamed"), "One");
         }},
        {"show", false, [&] {
             const int code = ShowList(options(false), kShowCsv, ShowFilter(), out, err);
             std::string names;
             std::istringstream lines(out.str());
             std::string line;
             std::getline(lines, line);
             while (std::getline(lines, line)) {
                 names += (names.empty() ? "" : ",") + line.substr(line.rfind(',') + 1, line.size() - line.rfind(',') - 2);
             }
             return code != 0 ? "exit " + std::to_string(code) : names;
         }},
        {"check", false, [&] {
             const int code = CheckList(options(false), out, err);
             return code == 2 ? "exit 2" : out.str().find("~ChannelList.bk: ") != std::string::npos ? "(backup told)" : "";
         }},
        {"rename --dry-run", false, [&] {
             const int code = RenameRow(options(true), "1", "Renamed", out, err);
             return code != 0 ? "exit " + std::to_string(code) : out.str().substr(out.str().rfind(": ") + 2);
         }},
    };
    for (const auto& state : states) {
        for (const auto& action : actions) {
            SCOPED_TRACE(std::string(state.Name) + ", " + action.Name);
            TearDown();
            SetUp();
            const std::string folder = dir_ + "/";
            if (state.List) WriteList(bytes(state.List));
            if (state.Backup) WriteFileBytes(folder + "~ChannelList.bk", bytes(state.Backup));
            if (state.Temp) WriteFileBytes(folder + "~ChannelList.tm", bytes(state.Temp));
            const std::vector<std::string> before = ListDirectory(dir_);
            const std::string name = action.Name;
            const std::string rows = state.Rows ? state.Rows : "";
            const std::size_t count = rows.empty() ? 0 : std::count(rows.begin(), rows.end(), ',') + 1;
            std::string expected = rows;
            if (name == "check") expected = !state.Rows ? "exit 2" : state.Backup ? "(backup told)" : "";
            if (name == "rename --dry-run" && count > 0) {
                expected = "would write " + std::to_string(count) + " row" + (count == 1 ? "" : "s") +
                           "; dry run, nothing written\n";
            }
            if ((name == "rename" || name == "rename --dry-run" || name == "show") && count == 0) expected = "exit 2";
            if (name == "show" && state.Rows && count == 0) expected = "";
            EXPECT_EQ(action.Run(), expected);
            if (!action.Writes) {
                EXPECT_EQ(ListDirectory(dir_), before);
                continue;
            }
            std::vector<std::string> after{"ChannelList.ini", "ChannelList.lck"};
            if (state.Damaged) after.push_back("~ChannelList.dm");
            if (!state.Rows) after = name == "add" ? std::vector<std::string>{"ChannelList.ini", "ChannelList.lck"}
                                                   : std::vector<std::string>{};
            EXPECT_EQ(ListDirectory(dir_), after);
            if (state.Damaged) {
                EXPECT_EQ(ReadFileBytes(folder + "~ChannelList.dm"), bytes(state.List));
                if (name == "start") {
                    EXPECT_EQ(g_Fake.calls.back(), ArabicTextCall(IDC_STATUS, kTextListRestored));
                }
                if (name == "rename") {
                    EXPECT_NE(err.str().find("was put back in its place; the damaged list is kept as"), std::string::npos)
                        << err.str();
                }
            }
        }
    }
}

}  // namespace
