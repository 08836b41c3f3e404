// The file-state explorer. A model of the file operations as Windows
// documents them stands in for the file table: ReplaceFileW's failures and
// where each leaves each file, sharing violations, access denied (once, or
// for good, as a folder's permissions deny it), files being deleted, a full
// disk, a network name that goes away, and a power cut after any operation,
// which loses the writes not yet flushed, or keeps them, or keeps a part.
//
// Each writer of the list (the start's rewrite, the add, every edit of the
// command-line program, and the recovery of a list left under the backup
// name) is run once to record its operations, then again once for each
// operation and each failure that operation can have, and once with a power
// cut after each operation; after each, the next start and the next add run.
// The list must then hold the old rows or the new ones, whole (the new ones
// only when the writer said so, the old ones only when it did not); nothing
// the user had may be only in a side file; no side file may outlive the next
// add; no start may wait more than about a second.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
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

// ---- The model of a folder on Windows -------------------------------------

struct ModelFile {
    std::string Data;     // what a reader sees
    std::string Durable;  // what a power cut keeps for sure: the data at its last flush
    bool Pending = false;  // deleted while another program holds it: the name stays, and refuses all
    unsigned Links = 1;    // names of the file (hard links)
};

// How an operation fails.
enum Failure {
    kNone,
    kBusy,           // a sharing violation: a scanner, an editor holds the file
    kDenied,         // access denied: passes (a scanner) or not (the folder's permissions)
    kDeletePending,  // a removal that succeeds while another program holds the file open
    kNetwork,        // the network name is no longer available
    kDiskFull,       // a write stops half way; no new file
    kNoFlush,        // a network redirector that does not flush (the server has the data)
    kLockBusy,       // another writer holds the list's lock
    kCannotRemove,   // ReplaceFileW: ERROR_UNABLE_TO_REMOVE_REPLACED, both files keep their names
    kCannotMove,     // ERROR_UNABLE_TO_MOVE_REPLACEMENT with a backup name: the same
    kCannotMove2,    // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: the old list under the backup name
    kPowerCut,       // after the operation: unflushed writes lost (0), kept (1) or kept in part (2)
};

const char* const kFailureNames[] = {"kNone",       "kBusy",        "kDenied",     "kDeletePending",
                                     "kNetwork",    "kDiskFull",    "kNoFlush",    "kLockBusy",
                                     "kCannotRemove", "kCannotMove", "kCannotMove2", "kPowerCut"};

struct Handle {
    std::shared_ptr<ModelFile> File;
    std::size_t At;
};

// What the explorer does to the operations of one run.
struct Fault {
    std::string Op;          // "Replace ChannelList.ini": the operation and the file it names
    int Occurrence = 0;      // which of the operations so named, from 1
    Failure What = kNone;
    bool ForGood = false;    // the same operation on the same file keeps failing for the rest of the run
    int Variant = 0;         // for a power cut: what happens to unflushed writes
};

struct Model {
    std::map<std::string, std::shared_ptr<ModelFile>> Files;
    std::map<std::string, bool> Locks;
    std::vector<std::string> Ops;     // every operation so far, as Fault::Op names it
    Fault Inject;
    int Seen = 0;                     // operations so far named as Inject.Op
    bool Struck = false;              // the fault has struck
    std::string StuckOp;              // the operation that fails for good
    std::map<std::string, Failure> Held;  // files another program holds, or denies, for good
    bool NetworkGone = false;
    bool Cut = false;                 // the power cut has been taken
    std::map<std::string, ModelFile> AtCut;
    unsigned PausedMs = 0;
};

Model g_Model;

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

int Fail(FileErrorKind kind, long code, bool mayPass) {
    SetFileError(kind, code, mayPass);
    return 0;
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
    if (held != g_Model.Held.end() && name != "Probe" && name != "ReadOnly" && name != "LinkCount" &&
        name != "Read-open") {
        return held->second;
    }
    if (g_Model.Struck || op != g_Model.Inject.Op || ++g_Model.Seen != g_Model.Inject.Occurrence) return kNone;
    g_Model.Struck = true;
    if (g_Model.Inject.What == kPowerCut) return kNone;  // taken once the operation is done (Leave)
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

// After an operation: the power cut, when it is due, takes what is on the disk.
int Leave(int result) {
    if (g_Model.Struck && g_Model.Inject.What == kPowerCut && !g_Model.Cut) {
        g_Model.Cut = true;
        for (const auto& entry : g_Model.Files) g_Model.AtCut[entry.first] = *entry.second;
    }
    return result;
}

// The failures every operation can meet, as Windows reports them.
int Failed(Failure failure) {
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

int Absent(const std::shared_ptr<ModelFile>& file) {
    return file ? Fail(kFileErrorDenied, 5, true) : Fail(kFileErrorNotFound, 2, false);
}

int ModelOpen(const char* path, FileOpenMode mode, ListFile** file) {
    *file = nullptr;
    // A holder that stops renaming and removing a file may share reading it.
    const Failure failure = Enter(mode == kOpenRead ? "Read-open" : "Open", path);
    if (failure != kNone) return Leave(Failed(failure));
    std::shared_ptr<ModelFile> found = Find(path);
    if (mode == kOpenCreateNew) {
        if (found) return Leave(found->Pending ? Fail(kFileErrorDenied, 5, true) : Fail(kFileErrorOther, 80, false));
        found = std::make_shared<ModelFile>();
        g_Model.Files[path] = found;
    } else if (!found || found->Pending) {
        return Leave(Absent(found));
    }
    *file = reinterpret_cast<ListFile*>(new Handle{found, 0});
    return Leave(1);
}

Handle* Held(ListFile* file) { return reinterpret_cast<Handle*>(file); }

int ModelProbe(const char* path, PathKind* kind) {
    const Failure failure = Enter("Probe", path);
    if (failure != kNone) return Leave(failure == kDenied ? Fail(kFileErrorDenied, 5, true) : Failed(failure));
    const std::shared_ptr<ModelFile> found = Find(path);
    if (found && found->Pending) return Leave(Fail(kFileErrorDenied, 5, true));
    *kind = found ? kPathFile : kPathMissing;
    return Leave(1);
}

int ModelReadOnly(const char* path, bool* readOnly) {
    if (Enter("ReadOnly", path) != kNone) return Leave(Failed(kNetwork));
    *readOnly = false;
    return Leave(Find(path) ? 1 : Fail(kFileErrorNotFound, 2, false));
}

int ModelSize(ListFile* file, std::uint64_t* size) {
    if (Enter("Size", "") != kNone) return Leave(Failed(kNetwork));
    *size = Held(file)->File->Data.size();
    return Leave(1);
}

int ModelRead(ListFile* file, void* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    if (Enter("Read", "") != kNone) return Leave(Failed(kNetwork));
    Handle* handle = Held(file);
    const std::string& data = handle->File->Data;
    const std::size_t left = handle->At < data.size() ? data.size() - handle->At : 0;
    *got = size < left ? size : left;
    std::memcpy(buffer, data.data() + handle->At, *got);
    handle->At += *got;
    return Leave(1);
}

int ModelWrite(ListFile* file, const void* data, std::size_t size) {
    const Failure failure = Enter("Write", "");
    if (failure == kDiskFull) {
        Held(file)->File->Data.append(static_cast<const char*>(data), size / 2);
        return Leave(Failed(kDiskFull));
    }
    if (failure != kNone) return Leave(Failed(failure));
    Held(file)->File->Data.append(static_cast<const char*>(data), size);
    return Leave(1);
}

int ModelSync(ListFile* file) {
    const Failure failure = Enter("Sync", "");
    if (failure == kNoFlush) {
        Held(file)->File->Durable = Held(file)->File->Data;
        return Leave(Fail(kFileErrorNotSupported, 50, false));
    }
    if (failure != kNone) return Leave(Failed(failure));
    Held(file)->File->Durable = Held(file)->File->Data;
    return Leave(1);
}

int ModelTruncate(ListFile* file, std::uint64_t size) {
    if (Enter("Truncate", "") != kNone) return Leave(Failed(kNetwork));
    Held(file)->File->Data.resize(static_cast<std::size_t>(size));
    return Leave(1);
}

int ModelClose(ListFile* file) {
    const Failure failure = Enter("Close", "");
    delete Held(file);
    return Leave(failure != kNone ? Failed(kNetwork) : 1);
}

void Move(const std::string& from, const std::string& to) {
    g_Model.Files[to] = g_Model.Files[from];
    g_Model.Files.erase(from);
}

// ReplaceFileW with a backup name, and what each documented failure leaves.
int ModelReplace(const char* from, const char* to, const char* backup) {
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
    return Leave(1);
}

int ModelRename(const char* from, const char* to) {
    const Failure failure = Enter("Rename", from);
    if (failure != kNone) return Leave(Failed(failure));
    const std::shared_ptr<ModelFile> source = Find(from);
    if (!source || source->Pending) return Leave(Absent(source));
    if (Find(to)) return Leave(Fail(kFileErrorOther, 183, false));  // ERROR_ALREADY_EXISTS
    Move(from, to);
    return Leave(1);
}

int ModelRemove(const char* path) {
    const Failure failure = Enter("Remove", path);
    const std::shared_ptr<ModelFile> found = Find(path);
    if (failure == kDeletePending && found) {
        found->Pending = true;
        return Leave(1);
    }
    if (failure != kNone && failure != kDeletePending) return Leave(Failed(failure));
    if (!found || found->Pending) return Leave(Absent(found));
    g_Model.Files.erase(path);
    return Leave(1);
}

int ModelResolve(const char* path, char** real) {
    if (Enter("Resolve", path) != kNone) return Leave(Failed(kNetwork));
    *real = static_cast<char*>(std::malloc(std::strlen(path) + 1));
    std::strcpy(*real, path);
    return Leave(1);
}

int ModelLinkCount(const char* path, unsigned* count) {
    if (Enter("LinkCount", path) != kNone) return Leave(Failed(kNetwork));
    const std::shared_ptr<ModelFile> found = Find(path);
    if (!found) return Leave(Fail(kFileErrorNotFound, 2, false));
    *count = found->Links;
    return Leave(1);
}

int ModelTryLock(const char* path, void** lock) {
    const Failure failure = Enter("TryLock", path);
    if (failure != kNone) return Leave(Failed(failure));
    if (g_Model.Locks[path]) return Leave(Failed(kLockBusy));
    if (!Find(path)) g_Model.Files[path] = std::make_shared<ModelFile>();
    g_Model.Locks[path] = true;
    *lock = new std::string(path);
    return Leave(1);
}

int ModelUnlock(void* lock) {
    std::string* const path = static_cast<std::string*>(lock);
    g_Model.Locks[*path] = false;
    delete path;
    return 1;
}

unsigned ModelPause(unsigned ms) {
    g_Model.PausedMs += ms;
    return ms;
}

ListFileOps ModelOps() {
    ListFileOps ops{&ModelOpen,   &ModelProbe,  &ModelReadOnly, &ModelSize,      &ModelRead,    &ModelWrite,
                    &ModelSync,   &ModelTruncate, &ModelClose,  &ModelReplace,   &ModelRename,  &ModelRemove,
                    &ModelResolve, &ModelLinkCount, &ModelTryLock, &ModelUnlock, &ModelPause};
    return ops;
}

// The failures an operation can meet.
std::vector<Failure> FailuresOf(const std::string& op) {
    const std::string name = op.substr(0, op.find(' '));
    if (name == "Probe") return {kDenied, kNetwork};
    if (name == "Open") return {kBusy, kDenied, kNetwork, kDiskFull};
    if (name == "Read-open") return {kBusy, kDenied, kNetwork};
    if (name == "Write") return {kDiskFull, kNetwork};
    if (name == "Sync") return {kNetwork, kNoFlush};
    if (name == "Replace") return {kCannotRemove, kCannotMove, kCannotMove2, kBusy, kDenied, kNetwork};
    if (name == "Rename") return {kBusy, kDenied, kNetwork};
    if (name == "Remove") return {kBusy, kDenied, kDeletePending, kNetwork};
    if (name == "TryLock") return {kLockBusy, kDenied, kNetwork};
    return {kNetwork};
}

bool MayLast(Failure failure) {
    return failure == kBusy || failure == kDenied || failure == kNetwork || failure == kLockBusy ||
           failure == kCannotMove2;
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
const char kOther[] = "[ 1 0000000000F1 ] [From the other list]\r\n[ 1 A271914BA85C ] [Al Jazeera too]\r\n";

struct Writer {
    const char* Name;
    const char* List;                                  // the list before, or null
    std::vector<std::pair<std::string, std::string>> Beside;  // other files in the folder
    bool IsStart;
    bool Appends;  // changes the list in place: a failure it cannot undo (the network gone) may keep its line
    bool (*Run)();                                     // true when it says it did what it was asked
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

const Writer kWriters[] = {
    {"start rewrites", kUntidy, {}, true, false, &Start},
    {"start beside a stopped rewrite's file", kCanonical, {{"~ChannelList.tm", "[ 1 A271"}}, true, false, &Start},
    {"start puts back a list left under the backup name", nullptr,
     {{"~ChannelList.bk", kUntidy}, {"~ChannelList.tm", kCanonical}}, true, false, &Start},
    {"add", kUntidy, {}, false, true, &Add},
    {"add makes the list", nullptr, {}, false, true, &Add},
    {"zelq-list normalise", kUntidy, {}, false, false, [] { return Said(NormaliseListFile(Options(), g_Out, g_Err)); }},
    {"zelq-list remove", kUntidy, {}, false, false, [] { return Said(RemoveRows(Options(), {"2"}, g_Out, g_Err)); }},
    {"zelq-list rename", kUntidy, {}, false, false, [] { return Said(RenameRow(Options(), "1", "Renamed", g_Out, g_Err)); }},
    {"zelq-list flag", kUntidy, {}, false, false, [] { return Said(FlagRows(Options(), "1-2", false, g_Out, g_Err)); }},
    {"zelq-list move", kUntidy, {}, false, false, [] { return Said(MoveRow(Options(), "3", "1", g_Out, g_Err)); }},
    {"zelq-list sort", kUntidy, {}, false, false, [] { return Said(SortRows(Options(), kSortByName, g_Out, g_Err)); }},
    {"zelq-list add", kUntidy, {}, false, true, [] {
         NewChannel channel;
         channel.Ident = "77";
         channel.Position = "7W";
         channel.Frequency = "11000";
         channel.Name = "Typed";
         return Said(AddChannel(Options(), channel, g_Out, g_Err));
     }},
    {"zelq-list merge", kUntidy, {{"other.ini", kOther}}, false, false,
     [] { return Said(MergeLists(Options(), {kFolder + "other.ini"}, g_Out, g_Err)); }},
    {"zelq-list merge makes the list", nullptr, {{"other.ini", kOther}}, false, false,
     [] { return Said(MergeLists(Options(), {kFolder + "other.ini"}, g_Out, g_Err)); }},
    {"zelq-list import", kUntidy, {{"rows.csv", ""}}, false, false,
     [] { return Said(ImportCsv(Options(), kFolder + "rows.csv", g_Out, g_Err)); }},
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
        rows += std::to_string(index.Rows[row].Flag) + " " + code + " " + std::string(RowName(index, row), RowNameLength(index, row)) + "\n";
    }
    FreeListIndex(&index);
    return rows;
}

// The rows the list shows, or "(missing)".
std::string ListRows(const std::string& path = kList) {
    const std::shared_ptr<ModelFile> file = Find(path);
    return file ? RowsOf(file->Data) : "(missing)";
}

// A fresh folder for a run of the writer.
void SetUpFolder(const Writer& writer, const std::string& csv) {
    g_Model = Model();
    for (const auto& file : writer.Beside) {
        auto made = std::make_shared<ModelFile>();
        made->Data = made->Durable = file.first == "rows.csv" ? csv : file.second;
        g_Model.Files[kFolder + file.first] = made;
    }
    if (writer.List) {
        auto list = std::make_shared<ModelFile>();
        list->Data = list->Durable = writer.List;
        g_Model.Files[kList] = list;
    }
}

void FreshPlugin() {
    std::memset(&g_State, 0, sizeof g_State);
    std::strcpy(g_State.ListPath, kList.c_str());
    ResetFakeWindow();
    g_Out.str("");
    g_Err.str("");
    g_Model.PausedMs = 0;
}

// What one run found wrong, or empty.
std::string Check(bool condition, const std::string& what, std::string* found) {
    if (!condition && found->empty()) *found = what;
    return *found;
}

// Ends the writer's run: other programs' handles close, the power cut takes
// its toll, and the faults stop.
void EndRun() {
    for (auto it = g_Model.Files.begin(); it != g_Model.Files.end();) {
        it = it->second->Pending ? g_Model.Files.erase(it) : std::next(it);
    }
    if (g_Model.Cut) {
        g_Model.Files.clear();
        for (auto& entry : g_Model.AtCut) {
            ModelFile& file = entry.second;
            if (file.Pending) continue;
            if (g_Model.Inject.Variant == 0) {
                file.Data = file.Durable;
            } else if (g_Model.Inject.Variant == 2 && file.Data != file.Durable) {
                std::size_t same = 0;
                while (same < file.Data.size() && same < file.Durable.size() && file.Data[same] == file.Durable[same]) {
                    ++same;
                }
                file.Data = file.Data.substr(0, same + (file.Data.size() - same) / 2);
            }
            file.Durable = file.Data;
            g_Model.Files[entry.first] = std::make_shared<ModelFile>(file);
        }
    }
    g_Model.Locks.clear();
    g_Model.Inject = Fault();
    g_Model.StuckOp.clear();
    g_Model.Held.clear();
    g_Model.NetworkGone = false;
}

struct Recorded {
    std::vector<std::string> Ops;
    std::string OldRows;
    std::string NewRows;
    std::string Csv;
};

// The CSV the import takes: the list's own, its first row renamed.
std::string ImportedCsv(const Writer& writer) {
    if (writer.Beside.empty() || writer.Beside[0].first != "rows.csv") return "";
    SetUpFolder(writer, "");
    std::ostringstream csv;
    ShowList(Options(), kShowCsv, ShowFilter(), csv, g_Err);
    std::string text = csv.str();
    const std::size_t at = text.find("Al Jazeera");
    if (at != std::string::npos) text.replace(at, 10, "Imported");
    return text;
}

Recorded Record(const Writer& writer) {
    Recorded recorded;
    recorded.Csv = ImportedCsv(writer);
    SetUpFolder(writer, recorded.Csv);
    recorded.OldRows = writer.List ? RowsOf(writer.List) : Find(kFolder + "~ChannelList.bk") ? ListRows(kFolder + "~ChannelList.bk") : "";
    FreshPlugin();
    const bool done = writer.Run();
    EXPECT_TRUE(done) << writer.Name << ": " << g_Err.str();
    recorded.Ops = g_Model.Ops;
    recorded.NewRows = ListRows();
    return recorded;
}

const unsigned kStartWaitLimitMs = 1000;

// The row the next add adds.
std::string NextRow() {
    const EntryCode code = EncodeEntryCode(0x4242, 130, 11'747'000);
    char text[64];
    std::snprintf(text, sizeof text, "1 %02X%02X%02X%02X%02X%02X Next\n", code.Bytes[0], code.Bytes[1],
                  code.Bytes[2], code.Bytes[3], code.Bytes[4], code.Bytes[5]);
    return text;
}

// Runs the writer with the fault, then the next start and the next add.
// Returns what went wrong, or an empty string.
std::string Explore(const Writer& writer, const Recorded& recorded, const Fault& fault) {
    std::string found;
    SetUpFolder(writer, recorded.Csv);
    g_Model.Inject = fault;
    FreshPlugin();
    const bool said = writer.Run();
    Check(!writer.IsStart || g_Model.PausedMs <= kStartWaitLimitMs, "the start waited " + std::to_string(g_Model.PausedMs) + " ms", &found);
    Check(g_Model.Struck, "the fault never struck: no operation " + fault.Op, &found);
    const bool cut = g_Model.Cut;
    EndRun();

    const std::string& before = recorded.OldRows;
    const std::string& after = recorded.NewRows;
    const auto whole = [&](const std::string& shown) { return shown == before || shown == after; };
    // Whole, and true to what the writer said; where the list is missing,
    // its backup holds it.
    const std::string rows = ListRows();
    const bool hasBackup = Find(kFolder + "~ChannelList.bk") != nullptr;
    const std::string backup = ListRows(kFolder + "~ChannelList.bk");
    bool kept = false;
    if (rows != "(missing)") {
        kept = cut || (!said && writer.Appends) ? whole(rows) : rows == (said ? after : before);
    } else if (hasBackup) {
        kept = cut ? whole(backup) : !said && backup == before;
    } else {
        kept = before.empty() && (cut || !said || after.empty());
    }
    Check(kept,
          "after the writer (which said " + std::string(said ? "done" : "not done") + ") the list shows\n" + rows +
              "and its backup\n" + backup,
          &found);
    const std::string expected = rows != "(missing)" ? rows : hasBackup ? backup : "";

    // The next start: everything back in place, within about a second.
    FreshPlugin();
    Start();
    Check(g_Model.PausedMs <= kStartWaitLimitMs, "the next start waited " + std::to_string(g_Model.PausedMs) + " ms",
          &found);
    const std::string started = ListRows();
    Check(started == expected || (started == "(missing)" && expected.empty()),
          "after the next start the list shows\n" + started + "instead of\n" + expected, &found);
    if (Find(kList)) {
        Check(!Find(kFolder + "~ChannelList.tm") && !Find(kFolder + "~ChannelList.bk"),
              "a side file outlived the next start", &found);
    }

    // The next add: the list and the new row, and nothing else beside it.
    FreshPlugin();
    Tune(0x4242, "Next");
    Check(AddCurrentChannel() == 1, "the next add failed", &found);
    const std::string added = ListRows();
    Check(added == expected + NextRow(), "after the next add the list shows\n" + added + "instead of\n" + expected +
                                             NextRow(),
          &found);
    for (const auto& entry : g_Model.Files) {
        const std::string name = BaseName(entry.first);
        Check(name == "ChannelList.ini" || name == "ChannelList.lck" || name == "other.ini" || name == "rows.csv",
              name + " outlived the next add", &found);
    }
    return found;
}

std::string Describe(const char* writer, const Fault& fault) {
    std::ostringstream row;
    row << "{\"" << writer << "\", {\"" << fault.Op << "\", " << fault.Occurrence << ", "
        << kFailureNames[fault.What] << ", " << (fault.ForGood ? "true" : "false") << ", " << fault.Variant << "}}";
    return row.str();
}

// Cases the explorer found, kept as rows: each is run as it was found.
struct FoundCase {
    const char* Writer;
    Fault What;
};

const FoundCase kFound[] = {
    // A start whose replace left the old list under the backup name while
    // another program held both files; then an add while that still held.
    {"start rewrites", {"Replace ChannelList.ini", 1, kCannotMove2, true, 0}},
    // The replace's rename of the new file failed, the list removed.
    {"zelq-list rename", {"Replace ChannelList.ini", 1, kCannotMove2, false, 0}},
    // A list being deleted answers access denied to every look.
    {"start rewrites", {"Probe ChannelList.ini", 3, kDenied, true, 0}},
    // A folder where this user may make files but not delete them.
    {"start rewrites", {"Remove ~ChannelList.bk", 2, kDenied, true, 0}},
    // A viewer stopped half way through writing its temporary file.
    {"start rewrites", {"Write ", 1, kPowerCut, false, 2}},
};

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
    }
    void TearDown() override { g_ListFileOps = saved_; }
    ListFileOps saved_;
};

TEST_F(FileStates, FoundCasesStayMended) {
    for (const FoundCase& found : kFound) {
        const Writer* writer = WriterNamed(found.Writer);
        ASSERT_NE(writer, nullptr) << found.Writer;
        const Recorded recorded = Record(*writer);
        EXPECT_EQ(Explore(*writer, recorded, found.What), "") << Describe(found.Writer, found.What);
    }
}

TEST_F(FileStates, EveryFailureAndPowerCutAtEveryStepOfEveryWriter) {
    long explored = 0;
    long lost = 0;
    for (const Writer& writer : kWriters) {
        const Recorded recorded = Record(writer);
        std::map<std::string, int> occurrences;
        for (const std::string& op : recorded.Ops) {
            const int occurrence = ++occurrences[op];
            std::vector<Fault> faults;
            for (const Failure failure : FailuresOf(op)) {
                faults.push_back(Fault{op, occurrence, failure, false, 0});
                if (MayLast(failure)) faults.push_back(Fault{op, occurrence, failure, true, 0});
            }
            for (int variant = 0; variant < 3; ++variant) faults.push_back(Fault{op, occurrence, kPowerCut, false, variant});
            for (const Fault& fault : faults) {
                ++explored;
                const std::string wrong = Explore(writer, recorded, fault);
                if (!wrong.empty()) {
                    ++lost;
                    ADD_FAILURE() << "found: " << Describe(writer.Name, fault) << "\n" << wrong;
                }
            }
        }
    }
    std::cout << "file states explored: " << explored << ", lists lost: " << lost << std::endl;
    EXPECT_EQ(lost, 0);
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
        Writer writer{c.Name, c.List, {{"other.ini", kOther}}, false, false, nullptr};
        if (c.Side) writer.Beside.push_back({c.Side, kUntidy});
        SetUpFolder(writer, "");
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
    const Writer writer{"held backup", nullptr, {{"~ChannelList.bk", kUntidy}}, true, false, nullptr};
    SetUpFolder(writer, "");
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
