// The file-state explorer. A model of the file operations, as pessimistic as
// the file systems' documentation allows, stands in for the file table:
// ReplaceFileW's failures and where each leaves each file, sharing
// violations, access denied (once, or for good, as a folder's permissions
// deny it), files being deleted, a full disk, a network name that goes away,
// flushes a file system refuses ("not supported"), and a power cut after any
// operation. A cut gives back the data of every file as at its last flush
// and what came after it lost, kept, cut mid-line or zeroed, and undoes any
// name given, taken or changed since the folder's names were last made
// durable (all of them, or the later ones).
//
// Each writer of the list (the start's rewrite, the add, every edit of the
// command-line program, and the putting back of a list left under the backup
// name) is recorded from its folder, then run again with each failure at
// each of its operations (once, and for good, and followed by a cut), and
// with a cut after each operation, flushes working and refused. Every state
// a cut left is then the folder of every writer once more, cut again. After
// each run the next start and the next add run. Once a writer has said it
// wrote (with every flush done), the next start shows what it wrote; before
// that, the old list or the new; no side file outlives the next add; no start
// waits more than about a second.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "channel_list/add_channel.h"
#include "channel_list/entry_code.h"
#include "channel_list/file_ops.h"
#include "channel_list/list_index.h"
#include "channel_list/load_list.h"
#include "fake_window.h"
#include "shared/plugin_state.h"
#include "tools/zelq-list/zelq_list.h"

namespace {

// ---- The model of a folder ---------------------------------------------------

struct ModelFile {
    std::string Data;     // what a reader sees
    std::string Durable;  // what a cut keeps for sure: the data at its last flush
    bool Pending = false;  // deleted while another program holds it: the name stays, and refuses all
    unsigned Links = 1;    // names of the file (hard links)
};
using Names = std::map<std::string, std::shared_ptr<ModelFile>>;

// How an operation fails.
enum Failure {
    kNone,
    kBusy,           // a sharing violation: a scanner, an editor holds the file
    kDenied,         // access denied: passes (a scanner) or not (the folder's permissions)
    kDeletePending,  // a removal that succeeds while another program holds the file open
    kNetwork,        // the network name is no longer available
    kDiskFull,       // a write stops half way; no new file
    kNoFlush,        // a flush the file system refuses ("not supported"): the data is not durable
    kLockBusy,       // another writer holds the list's lock
    kCannotRemove,   // ReplaceFileW: ERROR_UNABLE_TO_REMOVE_REPLACED, both files keep their names
    kCannotMove,     // ERROR_UNABLE_TO_MOVE_REPLACEMENT with a backup name: the same
    kCannotMove2,    // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: the old list under the backup name
};

const char* const kFailureNames[] = {"kNone",     "kBusy",     "kDenied",       "kDeletePending",
                                     "kNetwork",  "kDiskFull", "kNoFlush",      "kLockBusy",
                                     "kCannotRemove", "kCannotMove", "kCannotMove2"};

// When the power is cut.
enum CutWhen {
    kNoCut,
    kCutAfterOp,       // after the operation the fault names (which does not fail)
    kCutAfterFailure,  // right after the failing operation
    kCutAtEnd,         // after the writer's last operation
};
const char* const kCutNames[] = {"kNoCut", "kCutAfterOp", "kCutAfterFailure", "kCutAtEnd"};

// What a cut leaves of data written since a file's last flush.
enum CutData { kDataLost, kDataKept, kDataCut, kDataZeroed };
const char* const kDataNames[] = {"kDataLost", "kDataKept", "kDataCut", "kDataZeroed"};
constexpr int kAllNames = -1;  // a cut keeps every name change

struct Handle {
    std::shared_ptr<ModelFile> File;
    std::size_t At;
};

// What the explorer does to one run.
struct Fault {
    std::string Op;          // "Replace ChannelList.ini": the operation and the file it names
    int Occurrence = 0;      // which of the operations so named, from 1
    Failure What = kNone;
    bool ForGood = false;    // the same operation on the same file keeps failing for the rest of the run
    CutWhen Cut = kNoCut;
    CutData Data = kDataLost;
    int KeptNames = 0;       // name changes not yet durable that the cut keeps, or kAllNames
    bool NoFlush = false;    // every flush of the run is refused
};

struct Model {
    Names Files;
    std::vector<Names> Journal;  // [0] the names a cut keeps for sure, then the names after each later change
    std::map<std::string, bool> Locks;
    std::vector<std::string> Ops;  // every operation so far, as Fault::Op names it
    std::vector<int> Undurable;    // after each operation: name changes a cut may undo
    Fault Inject;
    int Seen = 0;                  // operations so far named as Inject.Op
    bool Struck = false;           // the fault has struck
    bool CutDue = false;
    std::string StuckOp;           // the operation that fails for good
    std::map<std::string, Failure> Held;  // files another program holds, or denies, for good
    bool NetworkGone = false;
    bool FlushRefused = false;     // a flush of this run was refused
    bool Cut = false;              // the power cut has been taken
    std::size_t CutAt = 0;         // operations done before the cut
    std::map<std::string, std::string> AtCut;
    unsigned PausedMs = 0;
};

Model g_Model;

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

FileError Fail(FileErrorKind kind, long code, bool mayPass) { return FileError{kind, code, mayPass}; }
constexpr FileError kDone{};

// A name was given, taken or changed: a cut may undo it until the folder's
// names are made durable.
void NamesChanged() { g_Model.Journal.push_back(g_Model.Files); }

// What a cut leaves of a file's data.
std::string Survives(const ModelFile& file, CutData what) {
    const std::string& data = file.Data;
    std::size_t same = 0;
    while (same < data.size() && same < file.Durable.size() && data[same] == file.Durable[same]) ++same;
    if (what == kDataLost) return file.Durable;
    if (what == kDataKept || same == data.size()) return data;
    if (what == kDataZeroed) return data.substr(0, same) + std::string(data.size() - same, '\0');
    // Cut inside a line: never just after a line break.
    std::size_t at = same + (data.size() - same) / 2;
    while (at > 0 && at < data.size() && (data[at - 1] == '\n' || data[at - 1] == '\r')) ++at;
    return data.substr(0, at);
}

void TakeCut() {
    const std::vector<Names>& journal = g_Model.Journal;
    const int kept = g_Model.Inject.KeptNames;
    const Names& names = kept == kAllNames || kept + 1 >= static_cast<int>(journal.size()) ? journal.back() : journal[kept];
    for (const auto& entry : names) g_Model.AtCut[entry.first] = Survives(*entry.second, g_Model.Inject.Data);
    g_Model.Cut = true;
    g_Model.CutAt = g_Model.Ops.size();
}

// Every operation starts here: counted, and failed when the fault says so.
Failure Enter(const char* operation, const std::string& path) {
    const std::string op = std::string(operation) + " " + BaseName(path);
    g_Model.Ops.push_back(op);
    if (g_Model.NetworkGone) return kNetwork;
    if (!g_Model.StuckOp.empty() && g_Model.StuckOp == op) return g_Model.Inject.What;
    // A holder, or the file's permissions, stop every opening, renaming and
    // removing of the file; a look at it still works.
    const std::string name = op.substr(0, op.find(' '));
    const auto held = g_Model.Held.find(BaseName(path));
    if (held != g_Model.Held.end() && name != "Probe" && name != "ReadOnly" && name != "Identify" &&
        name != "Read-open") {
        return held->second;
    }
    if (g_Model.Struck || op != g_Model.Inject.Op || ++g_Model.Seen != g_Model.Inject.Occurrence) return kNone;
    g_Model.Struck = true;
    g_Model.CutDue = g_Model.Inject.Cut == kCutAfterOp || g_Model.Inject.Cut == kCutAfterFailure;
    if (g_Model.Inject.ForGood) {
        if (g_Model.Inject.What == kNetwork) g_Model.NetworkGone = true;
        if (g_Model.Inject.What == kCannotMove2) {
            // Another program holds the new file, and then the old list
            // under its backup name too (a sync client takes new names).
            g_Model.Held["~ChannelList.tm"] = kBusy;
            g_Model.Held["~ChannelList.bk"] = kBusy;
        } else if (name == "Open" || name == "Read-open" || name == "Rename" || name == "Remove" ||
                   name == "Replace") {
            g_Model.Held[BaseName(path)] = g_Model.Inject.What;
        } else {
            g_Model.StuckOp = op;
        }
    }
    return g_Model.Inject.What;
}

// After an operation: the cut, when it is due, takes what is on the disk.
template <typename Result>
Result Leave(Result result) {
    if (g_Model.CutDue && !g_Model.Cut) TakeCut();
    g_Model.Undurable.push_back(static_cast<int>(g_Model.Journal.size()) - 1);
    return result;
}

// The failures every operation can meet, as Windows reports them.
FileError Failed(Failure failure) {
    switch (failure) {
    case kBusy:
        return Fail(kFileErrorInUse, 32, true);
    case kDenied:
        return Fail(kFileErrorDenied, 5, true);
    case kDiskFull:
        return Fail(kFileErrorDiskFull, 112, false);
    case kLockBusy:
        return Fail(kFileErrorLockBusy, 0, false);
    default:
        return Fail(kFileErrorOther, 64, false);  // ERROR_NETNAME_DELETED
    }
}

std::shared_ptr<ModelFile> Find(const std::string& path) {
    const auto found = g_Model.Files.find(path);
    return found == g_Model.Files.end() ? nullptr : found->second;
}

FileError Absent(const std::shared_ptr<ModelFile>& file) {
    return file ? Fail(kFileErrorDenied, 5, true) : Fail(kFileErrorNotFound, 2, false);
}

FileError ModelOpen(const char* path, FileOpenMode mode, ListFile** file) {
    *file = nullptr;
    // A holder that stops renaming and removing a file may share reading it.
    const Failure failure = Enter(mode == kOpenRead ? "Read-open" : "Open", path);
    if (failure != kNone) return Leave(Failed(failure));
    const std::shared_ptr<ModelFile> found = Find(path);
    if (!found || found->Pending) return Leave(Absent(found));
    *file = reinterpret_cast<ListFile*>(new Handle{found, 0});
    return Leave(kDone);
}

FileError ModelCreate(const char* path, const char*, ListFile** file) {
    *file = nullptr;
    const Failure failure = Enter("Open", path);
    if (failure != kNone) return Leave(Failed(failure));
    std::shared_ptr<ModelFile> found = Find(path);
    if (found) return Leave(found->Pending ? Fail(kFileErrorDenied, 5, true) : Fail(kFileErrorOther, 80, false));
    found = std::make_shared<ModelFile>();
    g_Model.Files[path] = found;
    NamesChanged();
    *file = reinterpret_cast<ListFile*>(new Handle{found, 0});
    return Leave(kDone);
}

Handle* Held(ListFile* file) { return reinterpret_cast<Handle*>(file); }

FileError ModelProbe(const char* path, PathKind* kind) {
    const Failure failure = Enter("Probe", path);
    if (failure != kNone) return Leave(failure == kDenied ? Fail(kFileErrorDenied, 5, true) : Failed(failure));
    const std::shared_ptr<ModelFile> found = Find(path);
    if (found && found->Pending) return Leave(Fail(kFileErrorDenied, 5, true));
    *kind = found ? kPathFile : kPathMissing;
    return Leave(kDone);
}

FileError ModelReadOnly(const char* path, bool* readOnly) {
    if (Enter("ReadOnly", path) != kNone) return Leave(Failed(kNetwork));
    *readOnly = false;
    return Leave(Find(path) ? kDone : Fail(kFileErrorNotFound, 2, false));
}

FileError ModelSize(ListFile* file, std::uint64_t* size) {
    if (Enter("Size", "") != kNone) return Leave(Failed(kNetwork));
    *size = Held(file)->File->Data.size();
    return Leave(kDone);
}

FileError ModelRead(ListFile* file, void* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    if (Enter("Read", "") != kNone) return Leave(Failed(kNetwork));
    Handle* handle = Held(file);
    const std::string& data = handle->File->Data;
    const std::size_t left = handle->At < data.size() ? data.size() - handle->At : 0;
    *got = size < left ? size : left;
    std::memcpy(buffer, data.data() + handle->At, *got);
    handle->At += *got;
    return Leave(kDone);
}

FileError ModelWrite(ListFile* file, const void* data, std::size_t size) {
    const Failure failure = Enter("Write", "");
    if (failure == kDiskFull) {
        Held(file)->File->Data.append(static_cast<const char*>(data), size / 2);
        return Leave(Failed(kDiskFull));
    }
    if (failure != kNone) return Leave(Failed(failure));
    Held(file)->File->Data.append(static_cast<const char*>(data), size);
    return Leave(kDone);
}

FileError ModelSync(ListFile* file) {
    const Failure failure = Enter("Sync", "");
    g_Model.FlushRefused = g_Model.FlushRefused || failure != kNone || g_Model.Inject.NoFlush;
    if (failure == kNoFlush || (failure == kNone && g_Model.Inject.NoFlush)) {
        return Leave(Fail(kFileErrorNotSupported, 50, false));
    }
    if (failure != kNone) return Leave(Failed(failure));
    Held(file)->File->Durable = Held(file)->File->Data;
    return Leave(kDone);
}

FileError ModelTruncate(ListFile* file, std::uint64_t size) {
    if (Enter("Truncate", "") != kNone) return Leave(Failed(kNetwork));
    Held(file)->File->Data.resize(static_cast<std::size_t>(size));
    return Leave(kDone);
}

FileError ModelClose(ListFile* file) {
    const Failure failure = Enter("Close", "");
    delete Held(file);
    return Leave(failure != kNone ? Failed(kNetwork) : kDone);
}

// A flush of the folder's names: every name change so far survives a cut.
FileError ModelSyncNames(const char* path) {
    const Failure failure = Enter("SyncNames", path);
    g_Model.FlushRefused = g_Model.FlushRefused || failure != kNone || g_Model.Inject.NoFlush;
    if (failure == kNoFlush || (failure == kNone && g_Model.Inject.NoFlush)) {
        return Leave(Fail(kFileErrorNotSupported, 50, false));
    }
    if (failure != kNone) return Leave(Failed(failure));
    g_Model.Journal = {g_Model.Files};
    return Leave(kDone);
}

void Move(const std::string& from, const std::string& to) {
    g_Model.Files[to] = g_Model.Files[from];
    g_Model.Files.erase(from);
    NamesChanged();
}

// ReplaceFileW with a backup name, and what each documented failure leaves.
FileError ModelReplace(const char* from, const char* to, const char* backup) {
    const Failure failure = Enter("Replace", to);
    const std::shared_ptr<ModelFile> list = Find(to);
    const std::shared_ptr<ModelFile> replacement = Find(from);
    if (failure == kCannotRemove || failure == kCannotMove) return Leave(Fail(kFileErrorInUse, 1175, true));
    if (failure == kCannotMove2) {
        if (list && !list->Pending) Move(to, backup);
        return Leave(Fail(kFileErrorInUse, 1177, true));
    }
    if (failure != kNone) return Leave(Failed(failure));
    if (!list || list->Pending) return Leave(Absent(list));
    if (!replacement || replacement->Pending) return Leave(Absent(replacement));
    Move(to, backup);
    Move(from, to);
    return Leave(kDone);
}

FileError ModelRename(const char* from, const char* to) {
    const Failure failure = Enter("Rename", from);
    if (failure != kNone) return Leave(Failed(failure));
    const std::shared_ptr<ModelFile> source = Find(from);
    if (!source || source->Pending) return Leave(Absent(source));
    if (Find(to)) return Leave(Fail(kFileErrorOther, 183, false));  // ERROR_ALREADY_EXISTS
    Move(from, to);
    return Leave(kDone);
}

FileError ModelRemove(const char* path) {
    const Failure failure = Enter("Remove", path);
    const std::shared_ptr<ModelFile> found = Find(path);
    if (failure == kDeletePending && found) {
        found->Pending = true;
        return Leave(kDone);
    }
    if (failure != kNone && failure != kDeletePending) return Leave(Failed(failure));
    if (!found || found->Pending) return Leave(Absent(found));
    g_Model.Files.erase(path);
    NamesChanged();
    return Leave(kDone);
}

FileError ModelResolve(const char* path, char** real) {
    if (Enter("Resolve", path) != kNone) return Leave(Failed(kNetwork));
    *real = static_cast<char*>(std::malloc(std::strlen(path) + 1));
    std::strcpy(*real, path);
    return Leave(kDone);
}

FileError ModelIdentify(const char* path, FileIdentity* identity) {
    if (Enter("Identify", path) != kNone) return Leave(Failed(kNetwork));
    const std::shared_ptr<ModelFile> found = Find(path);
    if (!found) return Leave(Fail(kFileErrorNotFound, 2, false));
    *identity = FileIdentity{1, reinterpret_cast<std::uintptr_t>(found.get()), found->Links};
    return Leave(kDone);
}

FileError ModelTryLock(const char* path, void** lock) {
    const Failure failure = Enter("TryLock", path);
    if (failure != kNone) return Leave(Failed(failure));
    if (g_Model.Locks[path]) return Leave(Failed(kLockBusy));
    if (!Find(path)) {
        g_Model.Files[path] = std::make_shared<ModelFile>();
        NamesChanged();
    }
    g_Model.Locks[path] = true;
    *lock = new std::string(path);
    return Leave(kDone);
}

FileError ModelUnlock(void* lock) {
    std::string* const path = static_cast<std::string*>(lock);
    g_Model.Locks[*path] = false;
    delete path;
    return kDone;
}

unsigned ModelPause(unsigned ms) {
    g_Model.PausedMs += ms;
    return ms;
}

ListFileOps ModelOps() {
    ListFileOps ops{&ModelOpen,     &ModelCreate,   &ModelProbe,   &ModelReadOnly, &ModelSize,   &ModelRead,
                    &ModelWrite,    &ModelSync,     &ModelSyncNames, &ModelTruncate, &ModelClose, &ModelReplace,
                    &ModelRename,   &ModelRemove,   &ModelResolve, &ModelIdentify, &ModelTryLock, &ModelUnlock,
                    &ModelPause};
    return ops;
}

// The failures an operation can meet.
std::vector<Failure> FailuresOf(const std::string& op) {
    const std::string name = op.substr(0, op.find(' '));
    if (name == "Probe") return {kDenied, kNetwork};
    if (name == "Open") return {kBusy, kDenied, kNetwork, kDiskFull};
    if (name == "Read-open") return {kBusy, kDenied, kNetwork};
    if (name == "Write") return {kDiskFull, kNetwork};
    if (name == "Sync" || name == "SyncNames") return {kNetwork, kNoFlush};
    if (name == "Replace") return {kCannotRemove, kCannotMove, kCannotMove2, kBusy, kDenied, kNetwork};
    if (name == "Rename") return {kBusy, kDenied, kNetwork};
    if (name == "Remove") return {kBusy, kDenied, kDeletePending, kNetwork};
    if (name == "TryLock") return {kLockBusy, kDenied, kNetwork};
    return {kNetwork};
}

bool MayLast(Failure failure) {
    return failure == kBusy || failure == kDenied || failure == kNetwork || failure == kLockBusy ||
           failure == kCannotMove2 || failure == kNoFlush;
}

// ---- The writers ------------------------------------------------------------

const std::string kFolder = "/m/";
const std::string kList = kFolder + "ChannelList.ini";

const char kUntidy[] =
    "[ 1 a271914ba85c ] [Al Jazeera]\n"
    "[ 0 69E7DE5757E7 ] [Thor channel]\r\n"
    "a line typed by hand\r\n"
    "[ 1 A271914BA85C ] [Al Jazeera again]\r\n"
    "[ 1 0102030405FF ] [Third]";
const char kCanonical[] =
    "[ 1 A271914BA85C ] [Al Jazeera]\r\n"
    "[ 0 69E7DE5757E7 ] [Thor channel]\r\n"
    "[ 1 0102030405FF ] [Third]\r\n";
// A name a text editor saved as UTF-8 ("الجزيرة"), which recode stores in 1256.
const char kSavedAsUtf8[] =
    "[ 1 A271914BA85C ] [\xd8\xa7\xd9\x84\xd8\xac\xd8\xb2\xd9\x8a\xd8\xb1\xd8\xa9]\r\n"
    "[ 0 69E7DE5757E7 ] [Thor channel]\r\n";
const char kOther[] = "[ 1 0000000000F1 ] [From the other list]\r\n[ 1 A271914BA85C ] [Al Jazeera too]\r\n";
// A CSV made by hand: two new rows, and no view, so it removes nothing.
const char kTypedCsv[] = "flag,ident,position,mhz,name\r\n1,77,7W,11000,Typed\r\n1,5001,7W,11900,MBC 2\r\n";

using Files = std::vector<std::pair<std::string, std::string>>;

struct Writer {
    const char* Name;
    const char* List;  // the list before, or null
    Files Beside;      // other files in the folder ("rows.csv" empty: the list's own CSV, its first row renamed)
    bool IsStart;
    bool Appends;      // changes the list in place: a failure it cannot undo (the network gone) may keep its line
    bool (*Run)();     // true when it says it did what it was asked
};

ListOptions Options() {
    ListOptions options;
    options.ListPath = kList;
    return options;
}

bool Said(int code) { return code == kExitOk; }

void Tune(std::uint16_t ident, const char* name) {
    ChannelRecord& channel = g_State.CurrentChannel;
    std::memset(&channel, 0, sizeof channel);
    std::strcpy(channel.ChannelName, name);
    channel.TuneValue = 11'747'000;
    channel.ChannelIdent = ident;
    channel.ValidWord = 1;
    channel.RecPosition = 130;
}

bool Start() { return LoadChannelList() == 1; }
bool Add() {
    Tune(0x5151, "Added");
    return AddCurrentChannel() == 1;
}

std::ostringstream g_Out;
std::ostringstream g_Err;

bool TypedAdd() {
    NewChannel channel;
    channel.Ident = "77";
    channel.Position = "7W";
    channel.Frequency = "11000";
    channel.Name = "Typed";
    return Said(AddChannel(Options(), channel, g_Out, g_Err));
}
bool Merge() { return Said(MergeLists(Options(), {kFolder + "other.ini"}, g_Out, g_Err)); }
bool Import() { return Said(ImportCsv(Options(), kFolder + "rows.csv", g_Out, g_Err)); }

const Writer kWriters[] = {
    {"start rewrites", kUntidy, {}, true, false, &Start},
    {"start beside a stopped rewrite's file", kCanonical, {{"~ChannelList.tm", "[ 1 A271"}}, true, false, &Start},
    {"start puts back a list left under the backup name", nullptr,
     {{"~ChannelList.bk", kUntidy}, {"~ChannelList.tm", kCanonical}}, true, false, &Start},
    {"add", kUntidy, {}, false, true, &Add},
    {"add makes the list", nullptr, {}, false, true, &Add},
    {"zelq-list normalise", kUntidy, {}, false, false, [] { return Said(NormaliseListFile(Options(), g_Out, g_Err)); }},
    {"zelq-list remove", kUntidy, {}, false, false, [] { return Said(RemoveRows(Options(), {"2"}, g_Out, g_Err)); }},
    {"zelq-list remove every row", kCanonical, {}, false, false,
     [] { return Said(RemoveRows(Options(), {"1-3"}, g_Out, g_Err)); }},
    {"zelq-list rename", kUntidy, {}, false, false, [] { return Said(RenameRow(Options(), "1", "Renamed", g_Out, g_Err)); }},
    {"zelq-list flag", kUntidy, {}, false, false, [] { return Said(FlagRows(Options(), "1-2", false, g_Out, g_Err)); }},
    {"zelq-list move", kUntidy, {}, false, false, [] { return Said(MoveRow(Options(), "3", "1", g_Out, g_Err)); }},
    {"zelq-list sort", kUntidy, {}, false, false, [] { return Said(SortRows(Options(), kSortByName, g_Out, g_Err)); }},
    {"zelq-list recode", kSavedAsUtf8, {}, false, false,
     [] { return Said(RecodeNames(Options(), "utf-8", g_Out, g_Err)); }},
    {"zelq-list add", kUntidy, {}, false, true, &TypedAdd},
    {"zelq-list add makes the list", nullptr, {}, false, true, &TypedAdd},
    {"zelq-list merge", kUntidy, {{"other.ini", kOther}}, false, false, &Merge},
    {"zelq-list merge makes the list", nullptr, {{"other.ini", kOther}}, false, false, &Merge},
    {"zelq-list import", kUntidy, {{"rows.csv", ""}}, false, false, &Import},
    {"zelq-list import makes the list", nullptr, {{"rows.csv", kTypedCsv}}, false, false, &Import},
};

// The rows a list's bytes show, one line each: flag, code, name.
std::string RowsOf(const std::string& bytes) {
    char* const copy = static_cast<char*>(std::malloc(bytes.size() + 1));
    std::memcpy(copy, bytes.data(), bytes.size());
    copy[bytes.size()] = '\0';
    ListIndex index;
    if (!IndexListBytes(FileBytes{copy, bytes.size()}, &index)) return "(cannot index)";
    std::string rows;
    for (std::size_t row = 0; row < index.RowCount; ++row) {
        char code[16];
        const std::uint8_t* c = index.Rows[row].Code;
        std::snprintf(code, sizeof code, "%02X%02X%02X%02X%02X%02X", c[0], c[1], c[2], c[3], c[4], c[5]);
        rows += std::to_string(index.Rows[row].Flag) + " " + code + " " +
                std::string(RowName(index, row), RowNameLength(index, row)) + "\n";
    }
    FreeListIndex(&index);
    return rows;
}

// The rows the list shows, or "(missing)".
std::string ListRows(const std::string& path = kList) {
    const std::shared_ptr<ModelFile> file = Find(path);
    return file ? RowsOf(file->Data) : "(missing)";
}

std::size_t CountRows(const std::string& rows) {
    std::size_t count = 0;
    for (const char c : rows) count += c == '\n';
    return count;
}

// A folder as the explorer keeps it: names and bytes.
using Folder = std::map<std::string, std::string>;

void SetUpFolder(const Folder& folder) {
    g_Model = Model();
    for (const auto& file : folder) {
        auto made = std::make_shared<ModelFile>();
        made->Data = made->Durable = file.second;
        g_Model.Files[file.first] = made;
    }
    g_Model.Journal = {g_Model.Files};
}

Folder FolderNow() {
    Folder folder;
    for (const auto& entry : g_Model.Files) folder[entry.first] = entry.second->Data;
    return folder;
}

void FreshPlugin() {
    std::memset(&g_State, 0, sizeof g_State);
    std::strcpy(g_State.ListPath, kList.c_str());
    ResetFakeWindow();
    g_Out.str("");
    g_Err.str("");
    g_Model.PausedMs = 0;
}

// Ends the writer's run: other programs' handles close, the cut takes its
// toll, and the faults stop.
void EndRun() {
    if (!g_Model.Cut && g_Model.Inject.Cut == kCutAtEnd) TakeCut();
    for (auto it = g_Model.Files.begin(); it != g_Model.Files.end();) {
        it = it->second->Pending ? g_Model.Files.erase(it) : std::next(it);
    }
    if (g_Model.Cut) {
        const std::map<std::string, std::string> left = g_Model.AtCut;
        const unsigned paused = g_Model.PausedMs;
        SetUpFolder(left);
        g_Model.PausedMs = paused;
    }
    g_Model.Journal = {g_Model.Files};
    g_Model.Locks.clear();
    g_Model.Inject = Fault();
    g_Model.StuckOp.clear();
    g_Model.Held.clear();
    g_Model.NetworkGone = false;
}

// The folder a writer starts from: its own, with the files it needs beside.
Folder FolderFor(const Writer& writer, const Folder* from) {
    Folder folder;
    if (from) {
        folder = *from;
    } else if (writer.List) {
        folder[kList] = writer.List;
    }
    for (const auto& file : writer.Beside) {
        if (from && BaseName(file.first)[0] == '~') continue;
        if (!folder.count(kFolder + file.first)) folder[kFolder + file.first] = file.second;
    }
    return folder;
}

// The CSV the import takes: the list's own, its first row renamed.
void WriteImportedCsv(Folder* folder) {
    const auto csv = folder->find(kFolder + "rows.csv");
    if (csv == folder->end() || !csv->second.empty()) return;
    SetUpFolder(*folder);
    std::ostringstream out;
    ShowList(Options(), kShowCsv, ShowFilter(), out, g_Err);
    std::string text = out.str();
    const std::size_t at = text.find("Al Jazeera");
    if (at != std::string::npos) text.replace(at, 10, "Imported");
    (*folder)[kFolder + "rows.csv"] = text.empty() ? kTypedCsv : text;
}

// A writer and the folder it starts from, as recorded without a fault.
struct Scene {
    const Writer* Who;
    Folder Start;
    std::string OldRows;       // what the list showed before
    std::string NewRows;       // what it shows once the writer is done
    bool Done = false;
    std::vector<std::string> Ops;
    std::vector<int> Undurable;
    std::vector<std::string> NoFlushOps;  // the same with every flush refused
    std::vector<int> NoFlushUndurable;
};

const unsigned kStartWaitLimitMs = 1000;

// The row the next add adds.
std::string NextRow() {
    const EntryCode code = EncodeEntryCode(0x4242, 130, 11'747'000);
    char text[64];
    std::snprintf(text, sizeof text, "1 %02X%02X%02X%02X%02X%02X Next\n", code.Bytes[0], code.Bytes[1],
                  code.Bytes[2], code.Bytes[3], code.Bytes[4], code.Bytes[5]);
    return text;
}

// What the next start and the next add make of a folder.
struct NextRuns {
    std::string Started;  // the rows of the list after the start
    std::size_t Shown;    // the rows the start showed
    unsigned StartWaitedMs;
    bool Added;
    std::string AfterAdd;
    std::string Left;     // a file that outlived the add, or empty
};

std::map<Folder, NextRuns> g_NextRuns;

const NextRuns& RunNext(const Folder& folder) {
    const auto known = g_NextRuns.find(folder);
    if (known != g_NextRuns.end()) return known->second;
    NextRuns next;
    SetUpFolder(folder);
    FreshPlugin();
    Start();
    next.Started = Find(kList) ? ListRows() : "";
    next.Shown = static_cast<std::size_t>(g_State.RowCount);
    next.StartWaitedMs = g_Model.PausedMs;
    const Folder started = FolderNow();
    SetUpFolder(started);
    FreshPlugin();
    Tune(0x4242, "Next");
    next.Added = AddCurrentChannel() == 1;
    next.AfterAdd = Find(kList) ? ListRows() : "";
    for (const auto& entry : g_Model.Files) {
        const std::string name = BaseName(entry.first);
        if (name != "ChannelList.ini" && name != "ChannelList.lck" && name != "other.ini" && name != "rows.csv" &&
            name != "~ChannelList.dm") {
            next.Left = name;
        }
    }
    return g_NextRuns.emplace(folder, next).first->second;
}

// How a run came out.
enum Verdict { kKept, kListLost, kWriteLost };

struct Outcome {
    Verdict What = kKept;
    std::string Why;
    Folder Left;  // the folder after a cut
};

Outcome Explore(const Scene& scene, const Fault& fault) {
    Outcome outcome;
    const auto wrong = [&](Verdict verdict, const std::string& why) {
        if (outcome.What == kKept) outcome = Outcome{verdict, why, {}};
    };
    SetUpFolder(scene.Start);
    g_Model.Inject = fault;
    FreshPlugin();
    const bool said = scene.Who->Run();
    if (scene.Who->IsStart && g_Model.PausedMs > kStartWaitLimitMs) {
        wrong(kListLost, "the start waited " + std::to_string(g_Model.PausedMs) + " ms");
    }
    if (fault.What != kNone || fault.Cut == kCutAfterOp) {
        if (!g_Model.Struck) wrong(kListLost, "the fault never struck: no operation " + fault.Op);
    }
    // The writer said it wrote before the cut: its last operation came first.
    const bool refused = g_Model.FlushRefused;
    const bool saidFirst = said && (!g_Model.Cut || g_Model.CutAt == g_Model.Ops.size());
    const bool cut = g_Model.Cut || fault.Cut == kCutAtEnd;
    EndRun();
    const bool confirmed = saidFirst && !refused;
    const Folder left = FolderNow();
    // zelq-list says so when the file system did not confirm a flush.
    const std::string told = g_Out.str();
    const bool wrote = told.find(": wrote ") != std::string::npos || told.find(": added ") != std::string::npos;
    if (said && refused && wrote && told.find("did not confirm") == std::string::npos) {
        wrong(kListLost, "zelq-list did not say that the file system did not confirm the write:\n" + g_Out.str());
    }

    const NextRuns& next = RunNext(left);
    const std::string& before = scene.OldRows;
    const std::string& after = scene.NewRows;
    const std::string& shown = next.Started;
    const std::string what = "the writer said " + std::string(said ? refused ? "done, unconfirmed" : "done" : "not done") +
                             (cut ? saidFirst ? ", then came a cut" : ", but a cut came first" : "") +
                             "; the next start shows\n" + shown + "instead of\n" + (said ? after : before);
    if (confirmed && shown != after) wrong(kWriteLost, what);
    if (!cut && said && shown != after) wrong(kListLost, what);

    if (shown != before && shown != after) wrong(kListLost, what);
    if (next.Shown != CountRows(shown)) wrong(kListLost, "the start showed " + std::to_string(next.Shown) + " rows");
    if (next.StartWaitedMs > kStartWaitLimitMs) {
        wrong(kListLost, "the next start waited " + std::to_string(next.StartWaitedMs) + " ms");
    }
    if (!next.Added || next.AfterAdd != shown + NextRow()) {
        wrong(kListLost, "after the next add the list shows\n" + next.AfterAdd + "instead of\n" + shown + NextRow());
    }
    if (!next.Left.empty()) wrong(kListLost, next.Left + " outlived the next add");
    if (cut && outcome.What == kKept) outcome.Left = left;
    return outcome;
}

// Records the writer from its folder, flushes working and refused.
Scene Record(const Writer& writer, const Folder* from, const std::string& oldRows) {
    Scene scene;
    scene.Who = &writer;
    scene.Start = FolderFor(writer, from);
    WriteImportedCsv(&scene.Start);
    scene.OldRows = oldRows;
    for (const bool noFlush : {false, true}) {
        SetUpFolder(scene.Start);
        g_Model.Inject.NoFlush = noFlush;
        FreshPlugin();
        const bool done = writer.Run();
        (noFlush ? scene.NoFlushOps : scene.Ops) = g_Model.Ops;
        (noFlush ? scene.NoFlushUndurable : scene.Undurable) = g_Model.Undurable;
        if (!noFlush) {
            scene.Done = done;
            EndRun();
            scene.NewRows = ListRows();
            if (scene.NewRows == "(missing)") scene.NewRows = "";
        }
    }
    return scene;
}

// What a folder holds, as a cut may leave it: each file of the list's own
// missing, empty, zeroed, cut mid-line or whole. One folder of each shape
// starts the writers again.
std::string ShapeOf(const Folder& folder) {
    std::string shape;
    for (const char* name : {"ChannelList.ini", "~ChannelList.bk", "~ChannelList.tm", "~ChannelList.dm",
                             "ChannelList.lck"}) {
        const auto file = folder.find(kFolder + name);
        const std::string& data = file == folder.end() ? std::string() : file->second;
        shape += file == folder.end()                            ? '-'
                 : data.empty()                                  ? '0'
                 : data.find('\0') != std::string::npos          ? 'z'
                 : data.back() != '\n' && data.back() != ']'     ? 'c'
                                                                 : 'w';
    }
    return shape;
}

bool ChangesTheDisk(const std::string& op) {
    const std::string name = op.substr(0, op.find(' '));
    return name == "Open" || name == "Write" || name == "Sync" || name == "SyncNames" || name == "Truncate" ||
           name == "Replace" || name == "Rename" || name == "Remove" || name == "TryLock";
}

// Every fault the explorer tries on a scene. With `chained`, the scene's
// folder is what an earlier cut left: cuts alone.
std::vector<Fault> FaultsOf(const Scene& scene, bool chained) {
    std::vector<Fault> faults;
    for (const bool noFlush : {false, true}) {
        const std::vector<std::string>& ops = noFlush ? scene.NoFlushOps : scene.Ops;
        const std::vector<int>& undurable = noFlush ? scene.NoFlushUndurable : scene.Undurable;
        std::map<std::string, int> occurrences;
        for (std::size_t i = 0; i < ops.size(); ++i) {
            const std::string& op = ops[i];
            const int occurrence = ++occurrences[op];
            // A cut after an operation that changes nothing on the disk
            // leaves what a cut before it leaves; but after the last one the
            // writer has said what it did.
            if (ChangesTheDisk(op) || i + 1 == ops.size()) {
                for (const CutData data : {kDataLost, kDataKept, kDataCut, kDataZeroed}) {
                    for (int kept = 0; kept <= undurable[i]; ++kept) {
                        if (chained && !(data == kDataLost && kept == 0) && !(data == kDataZeroed && kept == undurable[i])) {
                            continue;
                        }
                        faults.push_back(Fault{op, occurrence, kNone, false, kCutAfterOp, data, kept, noFlush});
                    }
                }
            }
            if (noFlush || chained) continue;
            for (const Failure failure : FailuresOf(op)) {
                for (const bool forGood : {false, true}) {
                    if (forGood && !MayLast(failure)) continue;
                    faults.push_back(Fault{op, occurrence, failure, forGood});
                    for (const CutWhen when : {kCutAfterFailure, kCutAtEnd}) {
                        faults.push_back(Fault{op, occurrence, failure, forGood, when, kDataLost, 0});
                        faults.push_back(Fault{op, occurrence, failure, forGood, when, kDataZeroed, kAllNames});
                    }
                }
            }
        }
    }
    return faults;
}

std::string Describe(const char* writer, const Fault& fault) {
    std::ostringstream row;
    row << "{\"" << writer << "\", {\"" << fault.Op << "\", " << fault.Occurrence << ", "
        << kFailureNames[fault.What] << ", " << (fault.ForGood ? "true" : "false") << ", " << kCutNames[fault.Cut]
        << ", " << kDataNames[fault.Data] << ", " << fault.KeptNames << ", " << (fault.NoFlush ? "true" : "false")
        << "}}";
    return row.str();
}

// The rows the list of a writer's own folder shows: its backup's where it
// is missing.
std::string OldRowsOf(const Writer& writer) {
    if (writer.List) return RowsOf(writer.List);
    for (const auto& file : writer.Beside) {
        if (file.first == "~ChannelList.bk") return RowsOf(file.second);
    }
    return "";
}

const Writer* WriterNamed(const std::string& name) {
    for (const Writer& writer : kWriters) {
        if (name == writer.Name) return &writer;
    }
    return nullptr;
}

class FileStates : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_ListFileOps;
        g_ListFileOps = ModelOps();
        g_NextRuns.clear();
    }
    void TearDown() override { g_ListFileOps = saved_; }
    ListFileOps saved_;
};

// Cases the explorer found, kept as rows: each is run as it was found.
struct FoundCase {
    const char* Writer;
    Fault What;
};

const FoundCase kFound[] = {
    // A start whose replace left the old list under the backup name while
    // another program held both files; then an add while that still held.
    {"start rewrites", {"Replace ChannelList.ini", 1, kCannotMove2, true}},
    // The replace's rename of the new file failed, the list removed.
    {"zelq-list rename", {"Replace ChannelList.ini", 1, kCannotMove2, false}},
    // A list being deleted answers access denied to every look.
    {"start rewrites", {"Probe ChannelList.ini", 3, kDenied, true}},
    // A folder where this user may make files but not delete them.
    {"start rewrites", {"Remove ~ChannelList.bk", 2, kDenied, true}},
    // A viewer stopped half way through writing its temporary file.
    {"start rewrites", {"Write ", 1, kNone, false, kCutAfterOp, kDataCut, kAllNames}},
    // Every flush refused: the new list in place but its data lost by a cut,
    // its backup holding the rows.
    {"start rewrites", {"Replace ChannelList.ini", 1, kNone, false, kCutAfterOp, kDataLost, kAllNames, true}},
    // The replace and the removal of the backup undone by a cut after the
    // writer said it wrote.
    {"zelq-list rename", {"Remove ~ChannelList.bk", 1, kNone, false, kCutAfterOp, kDataLost, 0}},
    // A backup being deleted when the writer says it is done comes back
    // after a cut, beside the empty list a remove of every row wrote.
    {"zelq-list remove every row", {"Remove ~ChannelList.bk", 2, kDeletePending, false, kCutAtEnd, kDataLost, 0}},
    // A list made anew, its flush refused, cut mid-line.
    {"zelq-list import makes the list", {"Rename ~ChannelList.tm", 1, kNone, false, kCutAfterOp, kDataCut, kAllNames, true}},
    // The name of a list the add made, not made durable.
    {"add makes the list", {"Close ", 1, kNone, false, kCutAfterOp, kDataKept, 0}},
};

TEST_F(FileStates, FoundCasesStayMended) {
    for (const FoundCase& found : kFound) {
        const Writer* writer = WriterNamed(found.Writer);
        ASSERT_NE(writer, nullptr) << found.Writer;
        const Scene scene = Record(*writer, nullptr, OldRowsOf(*writer));
        EXPECT_EQ(Explore(scene, found.What).Why, "") << Describe(found.Writer, found.What);
    }
}

TEST_F(FileStates, EveryFailureAndCutOfEveryWriterFromEveryStateACutLeaves) {
    long explored = 0;
    long lost = 0;
    long writesLost = 0;
    // The folders cuts left, with the rows the next start showed of each.
    std::map<Folder, std::string> left;
    std::set<std::string> shapes;
    const auto explore = [&](const Scene& scene, bool chained) {
        for (const Fault& fault : FaultsOf(scene, chained)) {
            ++explored;
            const Outcome outcome = Explore(scene, fault);
            if (outcome.What != kKept) {
                ++(outcome.What == kWriteLost ? writesLost : lost);
                ADD_FAILURE() << "found: " << Describe(scene.Who->Name, fault) << (chained ? " (chained)" : "")
                              << "\n" << outcome.Why;
            } else if (!chained && !outcome.Left.empty() && shapes.insert(ShapeOf(outcome.Left)).second) {
                left.emplace(outcome.Left, RunNext(outcome.Left).Started);
            }
        }
    };
    for (const Writer& writer : kWriters) {
        const Scene scene = Record(writer, nullptr, OldRowsOf(writer));
        EXPECT_TRUE(scene.Done) << writer.Name << ": " << g_Err.str();
        explore(scene, false);
    }
    // Every writer again, from every state a cut left (a writer whose own
    // folder differs from another's only by side files is that writer here).
    std::set<std::pair<bool (*)(), Files>> chained;
    std::vector<const Writer*> writers;
    for (const Writer& writer : kWriters) {
        Files beside;
        for (const auto& file : writer.Beside) {
            if (file.first[0] != '~') beside.push_back(file);
        }
        if (chained.emplace(writer.Run, beside).second) writers.push_back(&writer);
    }
    std::cout << "round 1: " << explored << " states, " << lost << " + " << writesLost << " lost, " << left.size() << " left\n";
    for (const auto& state : left) {
        for (const Writer* writer : writers) explore(Record(*writer, &state.first, state.second), true);
    }
    std::cout << "file states explored: " << explored << ", lists lost: " << lost
              << ", finished writes lost: " << writesLost << std::endl;
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(writesLost, 0);
}

// What zelq-list says when a writer before it left the list under the
// backup name and another program holds that, when a file such a writer
// left cannot be removed, and when the list has a second name.
TEST_F(FileStates, ZelqListNamesWhatStopsItAndChangesNothing) {
    const auto rename = [] { return RenameRow(Options(), "1", "Renamed", g_Out, g_Err); };
    const auto add = [] {
        NewChannel channel;
        channel.Ident = "77";
        channel.Position = "7W";
        channel.Frequency = "11000";
        channel.Name = "Typed";
        return AddChannel(Options(), channel, g_Out, g_Err);
    };
    const auto merge = [] { return MergeLists(Options(), {kFolder + "other.ini"}, g_Out, g_Err); };
    const std::string waits = "zelq-list: /m/ChannelList.ini is missing, and its last content waits in "
                              "/m/~ChannelList.bk, which cannot be put back now (another program holds it, or this "
                              "user may not rename it); nothing was changed, run the command again\n";
    const std::string left = "zelq-list: cannot remove /m/~ChannelList.tm, which an earlier change of the list left: "
                             "this user may not delete files in its folder (the permission to delete is missing, "
                             "though making files is allowed); nothing was changed\n";
    const std::string linked = "zelq-list: cannot write /m/ChannelList.ini: it has other names (hard links), which "
                               "writing it anew would part from it; it is left as it was\n";
    const struct {
        const char* Name;
        const char* List;
        const char* Side;  // a side file beside it
        Failure Held;      // what its holder or its permissions answer
        unsigned Links;
        int (*Run)();
        int Code;
        const std::string* Error;
    } cases[] = {
        {"an edit while the backup is held", nullptr, "~ChannelList.bk", kBusy, 1, rename, kExitError, &waits},
        {"an add while the backup is held", nullptr, "~ChannelList.bk", kBusy, 1, add, kExitError, &waits},
        {"a merge, which makes lists, while the backup is held", nullptr, "~ChannelList.bk", kBusy, 1, merge,
         kExitError, &waits},
        {"an edit beside a temporary file it may not delete", kUntidy, "~ChannelList.tm", kDenied, 1, rename,
         kExitError, &left},
        {"an add beside it, which writes no new file", kUntidy, "~ChannelList.tm", kDenied, 1, add, kExitOk, nullptr},
        {"an edit of a list with a second name", kUntidy, nullptr, kNone, 2, rename, kExitError, &linked},
        {"an add to it, which keeps the names together", kUntidy, nullptr, kNone, 2, add, kExitOk, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Folder folder{{kFolder + "other.ini", kOther}};
        if (c.List) folder[kList] = c.List;
        if (c.Side) folder[kFolder + c.Side] = kUntidy;
        SetUpFolder(folder);
        if (c.List) g_Model.Files[kList]->Links = c.Links;
        if (c.Side) g_Model.Held[c.Side] = c.Held;
        FreshPlugin();
        EXPECT_EQ(c.Run(), c.Code);
        if (c.Error) {
            EXPECT_EQ(g_Err.str(), *c.Error);
        }
        const std::string rows = ListRows();
        EXPECT_EQ(rows, c.Code == kExitOk ? RowsOf(std::string(kUntidy) + "\r\n[ 1 DB2BA054AC01 ] [Typed]\r\n")
                                          : c.List ? RowsOf(c.List) : "(missing)");
        if (c.Side) {
            EXPECT_EQ(ListRows(kFolder + c.Side), RowsOf(kUntidy));
        }
        EXPECT_EQ(g_Model.PausedMs, c.Held == kBusy ? 1000u : 0u) << "the lock comes at once; the holder is waited "
                                                                      "for a second, permissions not at all";
    }
}

// While another program holds the backup of a missing list, the start shows
// the rows it holds and writes nothing, and the add adds nothing: a new list
// would hide the user's.
TEST_F(FileStates, AStartShowsAListItCannotPutBackAndNothingIsWritten) {
    SetUpFolder({{kFolder + "~ChannelList.bk", kUntidy}});
    g_Model.Held["~ChannelList.bk"] = kBusy;
    FreshPlugin();
    EXPECT_EQ(LoadChannelList(), 0);
    EXPECT_EQ(g_State.RowCount, 3);
    EXPECT_LE(g_Model.PausedMs, kStartWaitLimitMs);
    Tune(0x4242, "Next");
    EXPECT_EQ(AddCurrentChannel(), 0);
    EXPECT_EQ(g_State.RowCount, 3);
    EXPECT_EQ(ListRows(), "(missing)");
    EXPECT_EQ(ListRows(kFolder + "~ChannelList.bk"), RowsOf(kUntidy));
    g_Model.Held.clear();
    FreshPlugin();
    EXPECT_EQ(LoadChannelList(), 1);
    EXPECT_EQ(ListRows(), RowsOf(kUntidy));
    EXPECT_FALSE(Find(kFolder + "~ChannelList.bk"));
}

}  // namespace
