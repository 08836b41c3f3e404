// The benchmark: times the plug-in's load and add on generated lists of
// 1,000, 10,000 and 100,000 lines against yardsticks measured in the same run
// and the same build (see bench_operations.h), zelq-list's show, check, sort,
// import of the list's own CSV and merge of a second list on the
// 100,000-line list, and the peak heap of one 100,000-line load and of each
// zelq-list command. It builds
// from the same source natively and for i686 Windows (run under Wine), where
// it links the very core library the plug-in DLL links.
//
// Every timed run starts from a fresh copy of the list, written and synced
// outside the timed region. The operations take turns within each round, so
// that a change in the machine's load reaches all of them alike; the figures
// are the medians of the rounds.
//
// Usage: zelq_bench [--repetitions N] [--limits]
// (--limits: only zelq-list's memory on the lists at its limits)
// Exit status: 0 when every target is met; 1 when only timing targets are
// missed; 2 when an operation fails, the heap target is missed or the heap
// count does not see the core's blocks.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "bench_files.h"
#include "bench_operations.h"
#include "channel_list/file_bytes.h"
#include "channel_list/list_files.h"
#include "channel_list/load_list.h"
#include "heap_count.h"
#include "list_generator.h"
#include "null_window.h"
#include "platform_info.h"
#include "shared/plugin_state.h"
#include "timing.h"

namespace {

enum OperationIndex { kLoad, kReference, kFloor, kAdd, kRead, kOperationCount };

struct Operation {
    const char* Name;
    bool (*Run)();
};

const Operation kOperations[kOperationCount] = {
    {"load", &RunLoad}, {"reference", &RunReference}, {"floor", &RunFloor}, {"add", &RunAdd}, {"read", &RunRead},
};

constexpr std::size_t kSizeCount = 3;
const std::size_t kSizes[kSizeCount] = {1000, 10000, 100000};
constexpr std::size_t kBig = 100000;

// The reference is quadratic: seconds per load at 100,000 lines.
constexpr int kBigReferenceRepetitions = 3;
constexpr int kDefaultRepetitions = 15;
constexpr int kToolRepetitions = 7;

// The targets at 100,000 lines.
constexpr double kMinReferenceOverLoad = 50;
constexpr double kMaxLoadOverFloor = 4;
constexpr double kMaxAddOverLoad = 1;
constexpr long long kHeapAllowance = 1 << 20;
constexpr long long kHeapFileFactor = 3;
// zelq-list's check and edits: one copy of the list, an index of its lines
// and the output; import and merge, besides, the CSV or the second list.
constexpr long long kToolHeapFileFactor = 3;
constexpr long long kToolHeapAllowance = 4 << 20;

struct SizeResult {
    std::size_t Lines = 0;
    std::string List;
    Samples Times[kOperationCount];
};

const char* BuildName() {
#if defined(_WIN32) && !defined(_WIN64) && defined(__i386__)
    return "i686 (MinGW-w64, 32-bit Windows)";
#elif defined(__x86_64__) && !defined(_WIN32)
    return "native x86-64";
#else
    return "other";
#endif
}

const std::string& BenchListPath() {
    static const std::string path = BenchFile("ChannelList.ini");
    return path;
}

// Restores the list and runs the operation, timing only the operation.
bool TimeOnce(const Operation& operation, const std::string& list, Samples* samples) {
    if (!WriteWholeFile(BenchListPath(), list)) {
        std::fprintf(stderr, "zelq bench: cannot write the list %s\n", BenchListPath().c_str());
        return false;
    }
    const BenchClock::time_point start = BenchClock::now();
    const bool done = operation.Run();
    const BenchClock::time_point stop = BenchClock::now();
    if (!done) {
        std::fprintf(stderr, "zelq bench: %s failed on the list of %s\n", operation.Name, BenchListPath().c_str());
        return false;
    }
    if (samples) samples->Add(Milliseconds(start, stop));
    return true;
}

bool MeasureSize(SizeResult* result, int repetitions) {
    const bool big = result->Lines == kBig;
    // One untimed run of each first (but the long reference), so that files
    // and code are warm alike.
    for (int i = 0; i < kOperationCount; ++i) {
        if (big && i == kReference) continue;
        if (!TimeOnce(kOperations[i], result->List, nullptr)) return false;
    }
    for (int round = 0; round < repetitions; ++round) {
        for (int turn = 0; turn < kOperationCount; ++turn) {
            const int i = (turn + round) % kOperationCount;
            if (big && i == kReference && round >= kBigReferenceRepetitions) continue;
            if (!TimeOnce(kOperations[i], result->List, &result->Times[i])) return false;
        }
    }
    return true;
}

std::string Figure(double value, const char* format) {
    if (value < 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

double Ratio(double a, double b) { return a < 0 || b <= 0 ? -1 : a / b; }

void PrintSamples(const SizeResult (&results)[kSizeCount]) {
    std::printf("\nEvery operation, in milliseconds (median, fastest, slowest, runs):\n");
    for (const SizeResult& result : results) {
        for (int i = 0; i < kOperationCount; ++i) {
            const Samples& times = result.Times[i];
            std::printf("  %7zu lines  %-10s %10.3f %10.3f %10.3f %4zu\n", result.Lines, kOperations[i].Name,
                        times.Median(), times.Min(), times.Max(), times.Count());
        }
    }
}

void PrintTable(const SizeResult (&results)[kSizeCount]) {
    std::printf("\nMedians, in milliseconds (%s):\n", BuildName());
    std::printf("  %7s %9s %9s %10s %8s %8s %8s %9s %10s %8s\n", "lines", "bytes", "load", "reference", "floor",
                "add", "read", "ref/load", "load/floor", "add/load");
    for (const SizeResult& result : results) {
        const double load = result.Times[kLoad].Median();
        const double reference = result.Times[kReference].Median();
        const double floor = result.Times[kFloor].Median();
        const double add = result.Times[kAdd].Median();
        const double read = result.Times[kRead].Median();
        std::printf("  %7zu %9zu %9s %10s %8s %8s %8s %9s %10s %8s\n", result.Lines, result.List.size(),
                    Figure(load, "%.3f").c_str(), Figure(reference, "%.1f").c_str(), Figure(floor, "%.3f").c_str(),
                    Figure(add, "%.3f").c_str(), Figure(read, "%.3f").c_str(),
                    Figure(Ratio(reference, load), "%.1fx").c_str(), Figure(Ratio(load, floor), "%.2fx").c_str(),
                    Figure(Ratio(add, load), "%.2fx").c_str());
    }
}

// Prints one target's line; returns whether it is met.
bool PrintTarget(const char* what, double value, const char* valueFormat, bool atLeast, double limit,
                 const char* limitFormat) {
    const bool met = value >= 0 && (atLeast ? value >= limit : value <= limit);
    const std::string shown = Figure(value, valueFormat);
    const std::string bound = Figure(limit, limitFormat);
    std::printf("  %-44s %-14s %12s  %s\n", what, ((atLeast ? "at least " : "at most ") + bound).c_str(),
                shown.c_str(), met ? "met" : "MISSED");
    return met;
}

struct HeapResult {
    bool SeesCore = false;         // ReadListFile's buffer was counted
    bool SeesOperatorNew = false;  // a block of operator new was counted
    bool Loaded = false;
    long long FileSize = 0;
    long long Peak = 0;
    long long Left = 0;
    long long Allocations = 0;
    long long ShowPeak = -1;
    long long CheckPeak = -1;
    long long EditPeak = -1;
    long long CsvSize = 0;
    long long OtherSize = 0;
    long long ImportPeak = -1;
    long long VastCellPeak = -1;
    long long MergePeak = -1;
};

// A block of operator new's that escapes, so that the compiler cannot leave
// the allocation out.
char* volatile g_NewProbe = nullptr;

// Peak heap of one run of `run` above what was held before it.
template <typename Run>
long long PeakOf(Run run, long long* left, long long* allocations) {
    const long long before = HeapLiveBytes();
    const long long callsBefore = HeapAllocations();
    ResetHeapPeak();
    run();
    if (left) *left = HeapLiveBytes() - before;
    if (allocations) *allocations = HeapAllocations() - callsBefore;
    return HeapPeakBytes() - before;
}

HeapResult MeasureHeap(const std::string& list, const std::string& other) {
    HeapResult result;
    result.FileSize = static_cast<long long>(list.size());
    result.OtherSize = static_cast<long long>(other.size());
    if (!WriteWholeFile(BenchListPath(), list)) return result;

    // The counting functions must see the core's own calls, and the C++
    // runtime's: a count that misses them would understate the peak.
    long long before = HeapLiveBytes();
    ListFiles files;
    FileBytes bytes;
    if (ReadListFile(&files, BenchListPath().c_str(), kMaxListFileSize, &bytes)) {
        result.SeesCore = HeapLiveBytes() - before >= static_cast<long long>(bytes.Size);
        FreeFileBytes(&bytes);
    }
    before = HeapLiveBytes();
    g_NewProbe = new char[4096];
    result.SeesOperatorNew = HeapLiveBytes() - before >= 4096;
    delete[] g_NewProbe;
    g_NewProbe = nullptr;

    result.Peak = PeakOf([&] { result.Loaded = RunLoad(); }, &result.Left, &result.Allocations);

    long long lines = 0;
    if (WriteWholeFile(BenchListPath(), list)) {
        result.ShowPeak = PeakOf([&] { RunShow(&lines); }, nullptr, nullptr);
        result.CheckPeak = PeakOf([&] { RunCheck(&lines); }, nullptr, nullptr);
        result.EditPeak = PeakOf([&] { RunEdit(&lines); }, nullptr, nullptr);
    }
    // The CSV is written outside the count; the import changes nothing.
    if (WriteWholeFile(BenchListPath(), list) && WriteOwnCsv()) {
        result.CsvSize = static_cast<long long>(ReadWholeFile(OwnCsvPath()).size());
        bool imported = false;
        const long long peak = PeakOf([&] { imported = RunImport(&lines); }, nullptr, nullptr);
        if (imported) result.ImportPeak = peak;
        // Any CSV, one with a cell as large as the whole CSV too, within the
        // same bound (the CSV's bytes are written outside the count).
        bool refused = false;
        if (WriteVastCellCsv(result.CsvSize)) {
            const long long vast = PeakOf([&] { refused = RunImportOfVastCell(); }, nullptr, nullptr);
            if (refused) result.VastCellPeak = vast;
        }
    }
    if (WriteWholeFile(BenchListPath(), list)) {
        bool merged = false;
        const long long peak = PeakOf([&] { merged = RunMerge(&lines); }, nullptr, nullptr);
        if (merged) result.MergePeak = peak;
    }
    return result;
}

struct ToolResult {
    Samples Show;
    Samples Check;
    Samples Edit;
    Samples Import;
    Samples Merge;
    long long ShowLines = 0;
    long long CheckLines = 0;
    long long EditLines = 0;
    long long ImportLines = 0;
    long long MergeLines = 0;
};

// Times an edit on a fresh copy of the list for each run, written and synced
// outside the timed region.
bool TimeEdit(const std::string& list, bool (*run)(long long*), const char* name, Samples* samples,
              long long* lines) {
    for (int round = -1; round < kToolRepetitions; ++round) {
        if (!WriteWholeFile(BenchListPath(), list)) return false;
        const BenchClock::time_point start = BenchClock::now();
        if (!run(lines)) {
            std::fprintf(stderr, "zelq bench: zelq-list %s failed\n", name);
            return false;
        }
        const BenchClock::time_point stop = BenchClock::now();
        if (round >= 0) samples->Add(Milliseconds(start, stop));
    }
    return true;
}

bool MeasureTool(const std::string& list, ToolResult* result) {
    if (!WriteWholeFile(BenchListPath(), list)) return false;
    // Neither writes the list: one copy serves every run.
    for (int round = -1; round < kToolRepetitions; ++round) {
        BenchClock::time_point start = BenchClock::now();
        if (!RunShow(&result->ShowLines)) {
            std::fprintf(stderr, "zelq bench: zelq-list show failed\n");
            return false;
        }
        BenchClock::time_point stop = BenchClock::now();
        if (round >= 0) result->Show.Add(Milliseconds(start, stop));
        start = BenchClock::now();
        if (!RunCheck(&result->CheckLines)) {
            std::fprintf(stderr, "zelq bench: zelq-list check failed\n");
            return false;
        }
        stop = BenchClock::now();
        if (round >= 0) result->Check.Add(Milliseconds(start, stop));
    }
    // The edits write the list: a fresh copy for each run. The import of the
    // list's own CSV changes nothing, but is timed the same way.
    return WriteOwnCsv() && TimeEdit(list, &RunEdit, "sort", &result->Edit, &result->EditLines) &&
           TimeEdit(list, &RunImport, "import", &result->Import, &result->ImportLines) &&
           TimeEdit(list, &RunMerge, "merge", &result->Merge, &result->MergeLines);
}

double Mebibytes(long long bytes) { return static_cast<double>(bytes) / (1 << 20); }

// The lists at the limits of zelq-list's memory, and what each command may
// hold on them (docs/zelq-list.md): the list's bytes, its index and what
// the command keeps of each row, under kToolHeapFileFactor times the list
// and kToolHeapAllowance for a list of the lines the plug-in writes, under
// kRewriteAllFileFactor times when an edit holds a new line for every row
// (recode of every name), and under kAnyListFileFactor times whatever the
// list holds.
constexpr long long kRewriteAllFileFactor = 4;
constexpr long long kAnyListFileFactor = 7;
// import and merge hold, besides, the CSV or the other list and the rows
// they add: at most these times the CSV, or the largest other list.
constexpr long long kImportCsvFactor = 7;
constexpr long long kMergeOtherFactor = 6;

// A line of the list for channel `n`, as the plug-in writes it.
std::string ChannelLine(std::uint32_t n, const std::string& name) {
    char line[64];
    std::snprintf(line, sizeof line, "[ 1 %08X%04X ] [", static_cast<unsigned>(n * 2654435761u),
                  static_cast<unsigned>(n & 0xFFFF));
    return line + name + "]\r\n";
}

struct LimitList {
    const char* Name;
    std::string Bytes;
};

// One row whose name is 20 MiB of "é" in UTF-8; rows of the plug-in's
// shortest lines (a one-letter name, 24 bytes); the same with names in
// UTF-8, which recode writes anew; one row, then lines of one byte that do
// not read, each followed by a blank line (the most entries of the index a
// byte of the list can make).
std::vector<LimitList> LimitLists() {
    std::vector<LimitList> lists;
    std::string name;
    for (int i = 0; i < (10 << 20); ++i) name += "\xC3\xA9";
    lists.push_back({"one 20 MiB name", ChannelLine(1, name)});
    std::string rows;
    for (std::uint32_t n = 1; rows.size() < (8u << 20); ++n) rows += ChannelLine(n, "x");
    lists.push_back({"24-byte lines", rows});
    rows.clear();
    for (std::uint32_t n = 1; rows.size() < (8u << 20); ++n) rows += ChannelLine(n, "\xC3\xA9");
    lists.push_back({"names in UTF-8", rows});
    std::string lines = ChannelLine(1, "x");
    while (lines.size() < (6u << 20)) lines += "x\n\n";
    lists.push_back({"1-byte lines", lines});
    // The same after a line longer than the first 64 KiB, from which the
    // index takes its size: counted whole, never grown.
    lists.push_back({"1-byte lines, late", std::string(70000, 'x') + "\r\n" + lines});
    return lists;
}

struct LimitCommand {
    const char* Name;
    std::vector<std::string> Arguments;
    bool Findings;       // may end with 1
    const char* List;    // the one list it runs on; nullptr: every list
    bool RewritesEvery;  // holds a new line for every row
};

// Runs each command on each limit list, a fresh copy each time, and prints
// its peak heap; returns whether every peak is under its limit.
bool MeasureLimits() {
    const std::vector<LimitCommand> commands = {
        {"check", {"check"}, true, nullptr, false},
        {"show", {"show"}, false, nullptr, false},
        {"normalise", {"normalise"}, false, nullptr, false},
        {"flag 1 off", {"flag", "1", "off"}, false, nullptr, false},
        {"sort --by name", {"sort", "--by", "name"}, false, nullptr, false},
        {"sort --by satellite", {"sort", "--by", "satellite"}, false, nullptr, false},
        {"remove 1", {"remove", "1"}, false, nullptr, false},
        {"flag every row off", {"flag", "", "off"}, false, "24-byte lines", false},
        {"recode utf-8", {"recode", "utf-8"}, false, "names in UTF-8", true},
    };
    bool met = true;
    std::printf("\nzelq-list at the limits of its memory (peak heap; limit: %lldx the list + %lld MiB for lines the"
                " plug-in writes, %lldx when a new line is held for every row, %lldx for any list):\n",
                kToolHeapFileFactor, kToolHeapAllowance >> 20, kRewriteAllFileFactor, kAnyListFileFactor);
    for (const LimitList& list : LimitLists()) {
        const long long size = static_cast<long long>(list.Bytes.size());
        const bool plugInLines = std::strncmp(list.Name, "1-byte lines", 12) != 0;
        for (const LimitCommand& command : commands) {
            if (command.List && std::strcmp(list.Name, command.List) != 0) continue;
            if (!WriteWholeFile(BenchListPath(), list.Bytes)) return false;
            std::vector<std::string> arguments = command.Arguments;
            // Every row: the list's rows, one a line.
            if (arguments[0] == "flag" && arguments[1].empty()) arguments[1] = "1-" + std::to_string(size / 24);
            bool done = false;
            const bool over = static_cast<std::uint64_t>(size) > kMaxPluginListSize;
            const long long peak =
                PeakOf([&] { done = RunListCommand(arguments, command.Findings, over); }, nullptr, nullptr);
            const long long factor = !plugInLines            ? kAnyListFileFactor
                                     : command.RewritesEvery ? kRewriteAllFileFactor
                                                             : kToolHeapFileFactor;
            const long long limit = factor * size + kToolHeapAllowance;
            const bool under = done && peak < limit;
            std::printf("  %-18s %-20s %9.2f MiB  %5.2fx the %6.2f MiB list  limit %8.2f MiB  %s\n", list.Name,
                        command.Name, Mebibytes(peak), Ratio(static_cast<double>(peak), static_cast<double>(size)),
                        Mebibytes(size), Mebibytes(limit), !done ? "FAILED" : under ? "met" : "MISSED");
            met = met && under;
        }
    }
    // import and merge into a list of one row: every row of the CSV, or of
    // the other list, new to it.
    const std::string one = ChannelLine(0xFFFFFF, "x");
    const std::string other = LimitLists()[1].Bytes;
    // A CSV of new channels, each row as short as a row can be: the
    // smallest idents and positions first, LF alone.
    std::string csv = "flag,ident,tenths,mhz,name\n";
    for (std::size_t digits = 2; csv.size() < (8u << 20) && digits <= 9; ++digits) {
        for (std::uint32_t ident = 1; ident <= 65535 && csv.size() < (8u << 20); ++ident) {
            const std::string identText = std::to_string(ident);
            if (identText.size() >= digits) break;
            for (std::uint32_t tenths = 1; tenths < 3600 && csv.size() < (8u << 20); ++tenths) {
                const std::string tenthsText = std::to_string(tenths);
                if (identText.size() + tenthsText.size() == digits) csv += "1," + identText + "," + tenthsText + ",1,x\n";
            }
        }
    }
    if (!WriteWholeFile(OwnCsvPath(), csv) || !WriteWholeFile(OtherListPath(), other)) return false;
    for (const bool import : {true, false}) {
        if (!WriteWholeFile(BenchListPath(), one)) return false;
        bool done = false;
        const long long peak = PeakOf(
            [&] {
                done = RunListCommand({import ? "import" : "merge", import ? OwnCsvPath() : OtherListPath()}, false,
                                      false);
            },
            nullptr, nullptr);
        const long long read = static_cast<long long>(import ? csv.size() : other.size());
        const long long limit = kToolHeapFileFactor * static_cast<long long>(one.size()) +
                                (import ? kImportCsvFactor : kMergeOtherFactor) * read + kToolHeapAllowance;
        const bool under = done && peak < limit;
        std::printf("  %-18s %-20s %9.2f MiB  %5.2fx the %6.2f MiB %s  limit %8.2f MiB  %s\n", "one row",
                    import ? "import of new rows" : "merge of new rows", Mebibytes(peak),
                    Ratio(static_cast<double>(peak), static_cast<double>(read)), Mebibytes(read),
                    import ? "CSV " : "list", Mebibytes(limit), !done ? "FAILED" : under ? "met" : "MISSED");
        met = met && under;
    }
    return met;
}

// Prints one heap target's line; returns whether it is met: the run was
// valid and its peak is under the limit.
bool PrintHeapTarget(const char* what, long long peak, long long limit, bool valid) {
    char bound[48];
    std::snprintf(bound, sizeof bound, "under %.2f MiB", Mebibytes(limit));
    const bool met = valid && peak >= 0 && peak < limit;
    std::printf("  %-44s %-14s %12s  %s\n", what, bound, Figure(Mebibytes(peak), "%.2f MiB").c_str(),
                met ? "met" : "MISSED");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    int repetitions = kDefaultRepetitions;
    bool limitsOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repetitions") == 0 && i + 1 < argc) {
            repetitions = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--limits") == 0) {
            limitsOnly = true;
        } else {
            std::fprintf(stderr, "usage: %s [--repetitions N] [--limits]\n", argv[0]);
            return 2;
        }
    }
    if (repetitions < kBigReferenceRepetitions) repetitions = kBigReferenceRepetitions;

    std::memset(&g_State, 0, sizeof g_State);
    if (!UseListPath(BenchListPath())) {
        std::fprintf(stderr, "zelq bench: the path %s is too long\n", BenchListPath().c_str());
        return 2;
    }

    std::printf("ZelqEditor benchmark: %s build, compiled by GCC %s, %s, %s\n", BuildName(), __VERSION__,
#ifdef __OPTIMIZE__
                "optimised",
#else
                "NOT optimised",
#endif
#ifdef __SSE2__
                "with SSE2");
#else
                "without SSE2");
#endif
    std::printf("Running on %s; machine load %s at the start\n", RunningSystem().c_str(), MachineLoad().c_str());
    std::printf("Files in %s; clock step %.3f us; %d rounds (the reference at %zu lines: %d)\n",
                BenchDirectory().c_str(), ClockStepMicroseconds(), repetitions, kBig, kBigReferenceRepetitions);
    std::fflush(stdout);

    if (limitsOnly) return MeasureLimits() ? 0 : 2;

    SizeResult results[kSizeCount];
    for (std::size_t s = 0; s < kSizeCount; ++s) {
        results[s].Lines = kSizes[s];
        results[s].List = GenerateChannelList(kSizes[s]);
        if (!MeasureSize(&results[s], repetitions)) return 2;
    }
    const SizeResult& big = results[kSizeCount - 1];

    // The second list merge reads: another keeper's list, which holds every
    // line of this one and, before them, about 9,000 channels this one lacks.
    const std::string other = GenerateChannelList(kBig / 10 + 1) + big.List;
    if (!WriteWholeFile(OtherListPath(), other)) return 2;
    ToolResult tool;
    if (!MeasureTool(big.List, &tool)) return 2;
    const HeapResult heap = MeasureHeap(big.List, other);
    const std::string loadAtEnd = MachineLoad();

    PrintSamples(results);
    PrintTable(results);

    const double load = big.Times[kLoad].Median();
    std::printf("\nzelq-list on the %zu-line list, medians of %d runs, next to the plug-in's load:\n", kBig,
                kToolRepetitions);
    std::printf("  %-22s %10.3f ms\n", "load (plug-in start)", load);
    std::printf("  %-22s %10.3f ms  %6.1fx the load  (fastest %.3f, slowest %.3f; %lld lines printed)\n",
                "show (table)", tool.Show.Median(), Ratio(tool.Show.Median(), load), tool.Show.Min(), tool.Show.Max(),
                tool.ShowLines);
    std::printf("  %-22s %10.3f ms  %6.1fx the load  (fastest %.3f, slowest %.3f; %lld lines printed)\n", "check",
                tool.Check.Median(), Ratio(tool.Check.Median(), load), tool.Check.Min(), tool.Check.Max(),
                tool.CheckLines);
    std::printf("  %-22s %10.3f ms  %6.1fx the load  (fastest %.3f, slowest %.3f; %lld lines printed)\n",
                "sort --by name (edit)", tool.Edit.Median(), Ratio(tool.Edit.Median(), load), tool.Edit.Min(),
                tool.Edit.Max(), tool.EditLines);
    std::printf("  %-22s %10.3f ms  %6.1fx the load  (fastest %.3f, slowest %.3f; %lld lines printed)\n",
                "import (own CSV)", tool.Import.Median(), Ratio(tool.Import.Median(), load), tool.Import.Min(),
                tool.Import.Max(), tool.ImportLines);
    std::printf("  %-22s %10.3f ms  %6.1fx the load  (fastest %.3f, slowest %.3f; %lld lines printed)\n",
                "merge (second list)", tool.Merge.Median(), Ratio(tool.Merge.Median(), load), tool.Merge.Min(),
                tool.Merge.Max(), tool.MergeLines);

    const long long limit = kHeapFileFactor * heap.FileSize + kHeapAllowance;
    std::printf("\nHeap (%s):\n", HeapCounterName());
    std::printf("  the count sees the core's blocks: %s; operator new's: %s; C runtime blocks freed here: %lld\n",
                heap.SeesCore ? "yes" : "NO", heap.SeesOperatorNew ? "yes" : "NO", HeapForeignBlocks());
    std::printf("  one load of %zu lines: peak %lld bytes (%.2f MiB, %.2fx the %lld-byte file) in %lld allocations;"
                " left behind %lld bytes\n",
                kBig, heap.Peak, Mebibytes(heap.Peak), Ratio(static_cast<double>(heap.Peak),
                static_cast<double>(heap.FileSize)), heap.FileSize, heap.Allocations, heap.Left);
    const double file = static_cast<double>(heap.FileSize);
    std::printf("  zelq-list show: peak %.2f MiB (%.2fx the file); check: peak %.2f MiB (%.2fx); sort --by name:"
                " peak %.2f MiB (%.2fx)\n",
                Mebibytes(heap.ShowPeak), Ratio(static_cast<double>(heap.ShowPeak), file), Mebibytes(heap.CheckPeak),
                Ratio(static_cast<double>(heap.CheckPeak), file), Mebibytes(heap.EditPeak),
                Ratio(static_cast<double>(heap.EditPeak), file));
    std::printf("  zelq-list import of its own %lld-byte CSV: peak %.2f MiB; of as large a CSV of one vast name cell"
                " (refused): peak %.2f MiB; merge of a %lld-byte second list: peak %.2f MiB\n",
                heap.CsvSize, Mebibytes(heap.ImportPeak), Mebibytes(heap.VastCellPeak), heap.OtherSize,
                Mebibytes(heap.MergePeak));

    std::printf("\nTargets at %zu lines (%s build, one run):\n", kBig, BuildName());
    int timingMissed = 0;
    if (!PrintTarget("load faster than the reference", Ratio(big.Times[kReference].Median(), load), "%.1fx", true,
                     kMinReferenceOverLoad, "%.0fx")) {
        ++timingMissed;
    }
    if (!PrintTarget("load / read-and-write floor", Ratio(load, big.Times[kFloor].Median()), "%.2fx", false,
                     kMaxLoadOverFloor, "%.0fx")) {
        ++timingMissed;
    }
    if (!PrintTarget("add / load", Ratio(big.Times[kAdd].Median(), load), "%.2fx", false, kMaxAddOverLoad,
                     "%.0fx")) {
        ++timingMissed;
    }
    const bool heapMet = PrintHeapTarget("peak heap of one load, under 3x file + 1 MiB", heap.Peak, limit,
                                         heap.Loaded && heap.SeesCore && heap.SeesOperatorNew && heap.Left == 0);
    // zelq-list's check and edits: one copy of the list, an index of its
    // lines and the output, at most three times the file and a few MiB;
    // import and merge hold the CSV or the second list besides.
    const long long toolLimit = kToolHeapFileFactor * heap.FileSize + kToolHeapAllowance;
    const bool toolHeapMet = PrintHeapTarget("zelq-list check and edit, under 3x file + 4 MiB",
                                             std::max(heap.CheckPeak, heap.EditPeak), toolLimit,
                                             heap.CheckPeak >= 0 && heap.EditPeak >= 0);
    const bool ownCsvHeapMet = PrintHeapTarget("zelq-list import, under 3x file + CSV + 4 MiB", heap.ImportPeak,
                                               toolLimit + heap.CsvSize, true);
    const bool vastCellHeapMet = PrintHeapTarget("zelq-list import of one vast cell, the same", heap.VastCellPeak,
                                                 toolLimit + heap.CsvSize, true);
    const bool importHeapMet = ownCsvHeapMet && vastCellHeapMet;
    const bool mergeHeapMet = PrintHeapTarget("zelq-list merge, under 3x file + other + 4 MiB", heap.MergePeak,
                                              toolLimit + heap.OtherSize, true);
    if (!heap.Loaded) std::printf("  (the load under the heap count did not rewrite the list)\n");
    std::printf("  (%lld window calls made, to a window that does nothing; machine load %s at the end)\n",
                g_NullWindowCalls, loadAtEnd.c_str());

    const bool limitsMet = MeasureLimits();
    if (!heapMet || !toolHeapMet || !importHeapMet || !mergeHeapMet || !limitsMet) return 2;
    return timingMissed == 0 ? 0 : 1;
}
