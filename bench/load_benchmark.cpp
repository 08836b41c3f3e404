// Times loading and adding on generated lists of 1,000, 10,000 and 100,000
// lines, against yardsticks measured in the same run:
//   load       LoadChannelList: read, de-duplicate, rewrite;
//   reference  the plain fscanf load with its linear duplicate scan;
//   floor      reading the file's bytes and writing them back, nothing else;
//   add        AddCurrentChannel with a channel not in the list: scan, append;
//   read       reading the file's bytes.
// Each benchmark restores the list outside the timed region and times only
// the operation itself. After the runs it prints the medians and their ratios
// and checks the targets at 100,000 lines: the load at least 50 times faster
// than the reference and within 5 times the floor, the add within 5 times the
// read. The exit status is 1 when a target measured in this run is missed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "bench_files.h"
#include "channel_list/add_channel.h"
#include "channel_list/load_list.h"
#include "list_generator.h"
#include "null_window.h"
#include "reference_load.h"
#include "shared/plugin_state.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string& GeneratedList(std::size_t lines) {
    static std::map<std::size_t, std::string> lists;
    std::string& list = lists[lines];
    if (list.empty()) list = GenerateChannelList(lines);
    return list;
}

const std::string& ListFile() {
    static const std::string path = BenchDirectory() + "/ChannelList.ini";
    return path;
}

// Sets up the list path and returns the generated list; reports an error to
// the benchmark when the path does not fit.
const std::string* Prepare(benchmark::State& state) {
    std::memset(&g_State, 0, sizeof g_State);
    if (!UseListPath(ListFile())) {
        state.SkipWithError("the temporary path is too long");
        return nullptr;
    }
    return &GeneratedList(static_cast<std::size_t>(state.range(0)));
}

// Runs `operation` once per iteration on a fresh copy of the list, timing only
// the operation; it returns false on failure.
template <typename Operation>
void TimeOnFreshCopies(benchmark::State& state, const char* failure, Operation operation) {
    const std::string* list = Prepare(state);
    if (!list) return;
    for (auto _ : state) {
        if (!WriteWholeFile(ListFile(), *list)) {
            state.SkipWithError("cannot restore the list");
            break;
        }
        const Clock::time_point start = Clock::now();
        const bool ok = operation();
        const Clock::time_point stop = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
        if (!ok) {
            state.SkipWithError(failure);
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * list->size()));
}

// Reads the whole file into a new buffer; with `writeBack` writes the bytes
// back over it. The least any load has to do.
bool CopyThrough(bool writeBack) {
    std::FILE* file = std::fopen(ListFile().c_str(), "rb");
    if (!file) return false;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::rewind(file);
    char* bytes = static_cast<char*>(std::malloc(static_cast<std::size_t>(size) + 1));
    const bool read = bytes && std::fread(bytes, 1, static_cast<std::size_t>(size), file) ==
                                   static_cast<std::size_t>(size);
    std::fclose(file);
    bool ok = read;
    if (ok && writeBack) {
        file = std::fopen(ListFile().c_str(), "wb");
        ok = file && std::fwrite(bytes, 1, static_cast<std::size_t>(size), file) ==
                         static_cast<std::size_t>(size);
        if (file && std::fclose(file) != 0) ok = false;
    }
    benchmark::DoNotOptimize(bytes);
    std::free(bytes);
    return ok;
}

void BM_Load(benchmark::State& state) {
    TimeOnFreshCopies(state, "the load did not rewrite the list", [] {
        g_State.RowCount = 0;
        return LoadChannelList() == 1;
    });
}

void BM_Reference(benchmark::State& state) {
    TimeOnFreshCopies(state, "the reference did not rewrite the list", [] {
        g_State.RowCount = 0;
        return ReferenceLoadChannelList() == 1;
    });
}

void BM_Floor(benchmark::State& state) {
    TimeOnFreshCopies(state, "cannot copy the list", [] { return CopyThrough(true); });
}

void BM_Add(benchmark::State& state) {
    TimeOnFreshCopies(state, "the add did not append", [] {
        ChannelRecord& channel = g_State.CurrentChannel;
        std::memset(&channel, 0, sizeof channel);
        std::strcpy(channel.ChannelName, "Benchmark channel");
        channel.ChannelIdent = kAbsentChannelIdent;
        channel.RecPosition = kAbsentChannelPosition;
        channel.TuneValue = 11'747'000;
        channel.ValidWord = 1;
        g_State.RowCount = 0;
        return AddCurrentChannel() == 1;
    });
}

void BM_Read(benchmark::State& state) {
    TimeOnFreshCopies(state, "cannot read the list", [] { return CopyThrough(false); });
}

benchmark::internal::Benchmark* Configure(benchmark::internal::Benchmark* benchmark, int repetitions) {
    return benchmark->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(repetitions)
        ->ReportAggregatesOnly(true);
}

void Sizes(benchmark::internal::Benchmark* benchmark) {
    Configure(benchmark->Arg(1000)->Arg(10000)->Arg(100000), 7)->MinTime(0.1);
}

BENCHMARK(BM_Load)->Apply(Sizes);
BENCHMARK(BM_Floor)->Apply(Sizes);
BENCHMARK(BM_Add)->Apply(Sizes);
BENCHMARK(BM_Read)->Apply(Sizes);
BENCHMARK(BM_Reference)->Apply([](benchmark::internal::Benchmark* b) {
    Configure(b->Arg(1000)->Arg(10000), 5)->MinTime(0.1);
});
// Quadratic: seconds per load at 100,000 lines, so one load per repetition.
BENCHMARK(BM_Reference)->Apply([](benchmark::internal::Benchmark* b) {
    Configure(b->Arg(100000), 3)->Iterations(1);
});

// Shows every run as the console reporter does and keeps the medians, in
// milliseconds, by benchmark and list size.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so logs stay plain.
    MedianReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") {
                continue;
            }
            const double milliseconds =
                run.GetAdjustedRealTime() * 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            medians[{run.run_name.function_name, std::atoll(run.run_name.args.c_str())}] = milliseconds;
        }
    }

    // The median, or a negative number when it was not measured.
    double Median(const std::string& name, long long lines) const {
        const auto found = medians.find({name, lines});
        return found == medians.end() ? -1 : found->second;
    }

private:
    std::map<std::pair<std::string, long long>, double> medians;
};

std::string Figure(double value, const char* format) {
    if (value < 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

double Ratio(double a, double b) { return a < 0 || b <= 0 ? -1 : a / b; }

// Prints the table and the targets; returns the number of targets missed.
int PrintSummary(const MedianReporter& reporter) {
    std::printf("\nMedians of this run, in milliseconds:\n");
    std::printf("%8s %10s %9s %11s %8s %8s %8s %10s %10s %9s\n", "lines", "bytes", "load", "reference",
                "floor", "add", "read", "ref/load", "load/floor", "add/read");
    for (long long lines : {1000LL, 10000LL, 100000LL}) {
        const double load = reporter.Median("BM_Load", lines);
        const double reference = reporter.Median("BM_Reference", lines);
        const double floor = reporter.Median("BM_Floor", lines);
        const double add = reporter.Median("BM_Add", lines);
        const double read = reporter.Median("BM_Read", lines);
        std::printf("%8lld %10zu %9s %11s %8s %8s %8s %10s %10s %9s\n", lines,
                    GeneratedList(static_cast<std::size_t>(lines)).size(), Figure(load, "%.3f").c_str(),
                    Figure(reference, "%.3f").c_str(), Figure(floor, "%.3f").c_str(),
                    Figure(add, "%.3f").c_str(), Figure(read, "%.3f").c_str(),
                    Figure(Ratio(reference, load), "%.1fx").c_str(),
                    Figure(Ratio(load, floor), "%.2fx").c_str(), Figure(Ratio(add, read), "%.2fx").c_str());
    }

    struct Target {
        const char* what;
        double ratio;
        bool atLeast;  // the ratio must be at least the limit, else at most
        double limit;
    };
    const long long big = 100000;
    const Target targets[] = {
        {"load faster than the reference by at least", Ratio(reporter.Median("BM_Reference", big),
                                                             reporter.Median("BM_Load", big)), true, 50},
        {"load / floor at most", Ratio(reporter.Median("BM_Load", big), reporter.Median("BM_Floor", big)),
         false, 5},
        {"add / read at most", Ratio(reporter.Median("BM_Add", big), reporter.Median("BM_Read", big)), false, 5},
    };
    int missed = 0;
    std::printf("\nTargets at 100,000 lines:\n");
    for (const Target& target : targets) {
        const char* verdict = "not measured";
        if (target.ratio >= 0) {
            const bool met = target.atLeast ? target.ratio >= target.limit : target.ratio <= target.limit;
            verdict = met ? "met" : "MISSED";
            if (!met) ++missed;
        }
        std::printf("  %-44s %4.0fx: %8s  %s\n", target.what, target.limit,
                    Figure(target.ratio, "%.2fx").c_str(), verdict);
    }
    std::printf("  (%lld window calls made, to a window that does nothing)\n", g_NullWindowCalls);
    return missed;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return PrintSummary(reporter) == 0 ? 0 : 1;
}
