// The benchmark's scratch directory and plain whole-file access.
#ifndef ZELQ_BENCH_BENCH_FILES_H
#define ZELQ_BENCH_BENCH_FILES_H

#include <string>

// A directory of this process's own under $TMPDIR (or /tmp), made on first
// use and removed at exit.
const std::string& BenchDirectory();

// Puts a path into g_State.ListPath; false when it does not fit.
bool UseListPath(const std::string& path);

// Replaces the file's content; false on any failure.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

#endif  // ZELQ_BENCH_BENCH_FILES_H
