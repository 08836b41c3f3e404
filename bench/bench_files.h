// The benchmark's scratch directory and whole-file access through the core's
// own file operations.
#ifndef ZELQ_BENCH_BENCH_FILES_H
#define ZELQ_BENCH_BENCH_FILES_H

#include <string>

// A directory of this process's own in the system's temporary folder ($TMPDIR
// or /tmp; %TEMP% on Windows), made on first use and removed at exit. The
// path is UTF-8, with the platform's separators.
const std::string& BenchDirectory();

// A file in that directory.
std::string BenchFile(const char* name);

// Puts a path into g_State.ListPath; false when it does not fit.
bool UseListPath(const std::string& path);

// Makes the file anew with these bytes, synced to the disk, so that nothing
// of the write is still pending when the next operation is timed. False on
// any failure.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// The file's bytes, or an empty string when it cannot be read.
std::string ReadWholeFile(const std::string& path);

#endif  // ZELQ_BENCH_BENCH_FILES_H
