// The list against the file system's bad moments, injected through the file
// operations: a folder that cannot be looked at, a scanner holding the list
// or the temporary file, files a stopped writer left behind, a list made by
// someone else meanwhile. Whatever happens, the list is whole and no file of
// another list or program is touched.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "channel_list/add_channel.h"
#include "channel_list/load_list.h"
#include "test_support.h"

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

}  // namespace
