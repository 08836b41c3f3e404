#include "bench_operations.h"

#include <cstring>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <vector>

#include "bench_files.h"
#include "channel_list/add_channel.h"
#include "channel_list/file_bytes.h"
#include "channel_list/list_files.h"
#include "channel_list/load_list.h"
#include "list_generator.h"
#include "reference_load.h"
#include "shared/plugin_state.h"
#include "zelq_list.h"

namespace {

// An output stream that keeps nothing and counts the lines written to it.
class LineCounter : public std::streambuf {
public:
    long long Lines = 0;

protected:
    int_type overflow(int_type c) override {
        if (c == '\n') ++Lines;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        for (std::streamsize i = 0; i < count; ++i) Lines += text[i] == '\n';
        return count;
    }
};

const std::string& FloorTempPath() {
    static const std::string path = BenchFile("~floor.tmp");
    return path;
}

const std::string& FloorBackupPath() {
    static const std::string path = BenchFile("~floor.bak");
    return path;
}

}  // namespace

bool RunLoad() {
    g_State.RowCount = 0;
    return LoadChannelList() == 1 && g_State.RowCount > 0;
}

bool RunReference() {
    g_State.RowCount = 0;
    return ReferenceLoadChannelList() == 1 && g_State.RowCount > 0;
}

bool RunFloor() {
    ListFiles files;
    FileBytes bytes;
    if (!ReadListFile(&files, g_State.ListPath, kMaxListFileSize, &bytes)) return false;
    const char* const temp = FloorTempPath().c_str();
    ListFile* file = nullptr;
    bool done = files.Did(g_ListFileOps.Create(temp, g_State.ListPath, &file));
    if (done) {
        done = files.Did(g_ListFileOps.Write(file, bytes.Data, bytes.Size)) && files.Sync(file);
        if (!files.Did(g_ListFileOps.Close(file))) done = false;
        // The old list is kept under a backup name until the new one is in
        // place (where the system keeps one) and its name on the disk, then
        // removed, and that too made to reach the disk.
        done = done && files.Replace(temp, g_State.ListPath, FloorBackupPath().c_str());
        if (!done) files.RemoveQuietly(temp);
        files.SyncNames(g_State.ListPath);
        files.RemoveQuietly(FloorBackupPath().c_str());
        files.SyncNames(g_State.ListPath);
    }
    FreeFileBytes(&bytes);
    return done;
}

bool RunAdd() {
    ChannelRecord& channel = g_State.CurrentChannel;
    std::memset(&channel, 0, sizeof channel);
    std::strcpy(channel.ChannelName, "Benchmark channel");
    channel.ChannelIdent = kAbsentChannelIdent;
    channel.RecPosition = kAbsentChannelPosition;
    channel.TuneValue = 11'747'000;
    channel.ValidWord = 1;
    g_State.HostMatched = false;
    g_State.RowCount = 0;
    return AddCurrentChannel() == 1;
}

bool RunRead() {
    ListFiles files;
    FileBytes bytes;
    if (!ReadListFile(&files, g_State.ListPath, kMaxListFileSize, &bytes)) return false;
    const bool read = bytes.Size > 0;
    FreeFileBytes(&bytes);
    return read;
}

bool RunShow(long long* lines) {
    ListOptions options;
    options.ListPath = g_State.ListPath;
    LineCounter outBuffer, errBuffer;
    std::ostream out(&outBuffer), err(&errBuffer);
    const int result = ShowList(options, kShowTable, ShowFilter(), out, err);
    *lines = outBuffer.Lines;
    return result == kExitOk && errBuffer.Lines == 0;
}

bool RunCheck(long long* lines) {
    ListOptions options;
    options.ListPath = g_State.ListPath;
    LineCounter outBuffer, errBuffer;
    std::ostream out(&outBuffer), err(&errBuffer);
    // The generated lists hold duplicates, which check reports.
    const int result = CheckList(options, out, err);
    *lines = outBuffer.Lines;
    return (result == kExitOk || result == kExitFindings) && errBuffer.Lines == 0;
}

bool RunEdit(long long* lines) {
    ListOptions options;
    options.ListPath = g_State.ListPath;
    LineCounter outBuffer, errBuffer;
    std::ostream out(&outBuffer), err(&errBuffer);
    const int result = SortRows(options, kSortByName, out, err);
    *lines = outBuffer.Lines;
    return result == kExitOk && errBuffer.Lines == 0;
}

const std::string& OwnCsvPath() {
    static const std::string path = BenchFile("rows.csv");
    return path;
}

const std::string& OtherListPath() {
    static const std::string path = BenchFile("other.ini");
    return path;
}

bool WriteOwnCsv() {
    ListOptions options;
    options.ListPath = g_State.ListPath;
    std::ostringstream csv;
    LineCounter errBuffer;
    std::ostream err(&errBuffer);
    return ShowList(options, kShowCsv, ShowFilter(), csv, err) == kExitOk && WriteWholeFile(OwnCsvPath(), csv.str());
}

bool RunImport(long long* lines) {
    ListOptions options;
    options.ListPath = g_State.ListPath;
    LineCounter outBuffer, errBuffer;
    std::ostream out(&outBuffer), err(&errBuffer);
    const int result = ImportCsv(options, OwnCsvPath(), out, err);
    *lines = outBuffer.Lines;
    return result == kExitOk && errBuffer.Lines == 0 && outBuffer.Lines == 1;
}

const std::string& VastCellCsvPath() {
    static const std::string path = BenchFile("vast.csv");
    return path;
}

bool WriteVastCellCsv(long long size) {
    return WriteWholeFile(VastCellCsvPath(), "flag,ident,position,satellite,mhz,code,tenths,name\r\n,,1,77,13E,,11000,,," +
                                                 std::string(static_cast<std::size_t>(size), 'x') + "\r\n");
}

bool RunImportOfVastCell() {
    const std::string& path = VastCellCsvPath();
    ListOptions options;
    options.ListPath = g_State.ListPath;
    LineCounter outBuffer, errBuffer;
    std::ostream out(&outBuffer), err(&errBuffer);
    const int result = ImportCsv(options, path, out, err);
    return result == kExitError && errBuffer.Lines == 1;
}

bool RunMerge(long long* lines) {
    ListOptions options;
    options.ListPath = g_State.ListPath;
    LineCounter outBuffer, errBuffer;
    std::ostream out(&outBuffer), err(&errBuffer);
    const int result = MergeLists(options, std::vector<std::string>{OtherListPath()}, out, err);
    *lines = outBuffer.Lines;
    return result == kExitOk && errBuffer.Lines == 0;
}

bool RunListCommand(const std::vector<std::string>& arguments, bool findings, bool overPluginLimit) {
    std::vector<const char*> argv{"zelq-list", "--list", g_State.ListPath};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    LineCounter outBuffer, errBuffer;
    std::ostream out(&outBuffer), err(&errBuffer);
    const int result = RunZelqList(static_cast<int>(argv.size()), argv.data(), out, err, 0);
    return (result == kExitOk || (findings && result == kExitFindings)) && errBuffer.Lines == (overPluginLimit ? 1 : 0);
}
