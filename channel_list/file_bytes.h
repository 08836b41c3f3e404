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

// Reads the file's bytes, up to `maxSize` of them (at most kMaxListFileSize).
// Returns false, with the reason in files->Error and nothing allocated,
// when the file cannot be opened or read (including when the path names a
// folder), is larger than `maxSize` (kFileErrorTooLarge; bytes->Size then
// tells its size), or memory runs out.
bool ReadListFile(ListFiles* files, const char* path, std::uint64_t maxSize, FileBytes* bytes);

void FreeFileBytes(FileBytes* bytes);

#endif  // ZELQ_CHANNEL_LIST_FILE_BYTES_H
