// What the benchmark runs on, for its report.
#ifndef ZELQ_BENCH_PLATFORM_INFO_H
#define ZELQ_BENCH_PLATFORM_INFO_H

#include <string>

// The system the program runs on, e.g. "Linux 6.1.0 x86_64" or "Windows
// (Wine 8.0) on Linux".
std::string RunningSystem();

// The machine's load averages over 1, 5 and 15 minutes as the system shows
// them (/proc/loadavg, also read under Wine), or "unknown".
std::string MachineLoad();

// The load averages in a file laid out as /proc/loadavg, as MachineLoad
// shows them, or "unknown" when it cannot be read.
std::string LoadAverageFrom(const char* path);

#endif  // ZELQ_BENCH_PLATFORM_INFO_H
