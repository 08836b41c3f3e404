// A file read whole into memory: the list, and the CSV import reads.
#ifndef ZELQ_CHANNEL_LIST_FILE_BYTES_H
#define ZELQ_CHANNEL_LIST_FILE_BYTES_H

#include <cstddef>
#include <cstdint>

struct ListFiles;

// A whole file's bytes, NUL-terminated for convenience.
struct FileBytes {
    char* Data;
    std::size_t Size;
};

// The largest list file read: far beyond any real channel list (some twenty
// million lines), and small enough to fit a 32-bit process. A larger file is
// treated as one that cannot be read, and is left as it is.
constexpr std::uint64_t kMaxListFileSize = std::uint64_t{1} << 30;

// The largest list the plug-in's start reads: it runs in the viewer's 32-bit
// process, on the viewer's thread, and puts every row into its window. Some
// 400,000 rows of the lines it writes, four times the most the benchmark
// times. zelq-list reads larger lists (warning of them), so that a user can
// make one smaller.
constexpr std::uint64_t kMaxPluginListSize = std::uint64_t{16} << 20;

// Reads the file's bytes, up to `maxSize` of them (at most kMaxListFileSize).
// Returns false, with the reason in files->Error and nothing allocated,
// when the file cannot be opened or read (including when the path names a
// folder), is larger than `maxSize` (kFileErrorTooLarge; bytes->Size then
// tells its size), or memory runs out.
bool ReadListFile(ListFiles* files, const char* path, std::uint64_t maxSize, FileBytes* bytes);

void FreeFileBytes(FileBytes* bytes);

#endif  // ZELQ_CHANNEL_LIST_FILE_BYTES_H
