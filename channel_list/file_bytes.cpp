#include "file_bytes.h"

#include <cstdlib>

#include "list_files.h"

namespace {

// Reads an open file from its start to its end into a new buffer.
bool ReadOpenFile(ListFiles* files, ListFile* file, std::uint64_t maxSize, FileBytes* bytes) {
    std::uint64_t reported = 0;
    if (!files->Did(g_ListFileOps.Size(file, &reported))) return false;
    // Some systems report a folder's size as the largest offset.
    if (reported > maxSize) {
        files->Fail(kFileErrorTooLarge);
        const std::size_t most = static_cast<std::size_t>(-1);
        bytes->Size = reported < most ? static_cast<std::size_t>(reported) : most;
        return false;
    }

    // Room for the size the file reports, grown only if it turns out larger
    // (another program may be appending to it).
    std::size_t capacity = static_cast<std::size_t>(reported) + 1;
    char* data = static_cast<char*>(std::malloc(capacity));
    if (!data) files->Fail(kFileErrorNoMemory);
    std::size_t size = 0;
    while (data) {
        // A full buffer reads one byte more, and grows only when there is one.
        const bool full = size + 1 == capacity;
        char next;
        std::size_t got = 0;
        if (!files->Did(g_ListFileOps.Read(file, full ? &next : data + size, full ? 1 : capacity - 1 - size, &got))) {
            break;
        }
        if (got == 0) {
            data[size] = '\0';
            bytes->Data = data;
            bytes->Size = size;
            return true;
        }
        if (full) {
            if (capacity > maxSize) {
                files->Fail(kFileErrorTooLarge);
                bytes->Size = capacity;
                break;
            }
            const std::size_t grown = capacity + capacity / 2 + 4096;
            char* larger = static_cast<char*>(std::realloc(data, grown));
            if (!larger) {
                files->Fail(kFileErrorNoMemory);
                break;
            }
            data = larger;
            capacity = grown;
            data[size] = next;
        }
        size += got;
    }
    std::free(data);
    return false;
}

}  // namespace

bool ReadListFile(ListFiles* files, const char* path, std::uint64_t maxSize, FileBytes* bytes) {
    *bytes = FileBytes{nullptr, 0};
    if (maxSize > kMaxListFileSize) maxSize = kMaxListFileSize;
    ListFile* file = nullptr;
    if (!files->Did(g_ListFileOps.Open(path, kOpenRead, &file))) return false;
    const bool ok = ReadOpenFile(files, file, maxSize, bytes);
    g_ListFileOps.Close(file);
    return ok;
}

void FreeFileBytes(FileBytes* bytes) {
    std::free(bytes->Data);
    bytes->Data = nullptr;
    bytes->Size = 0;
}
