#include "list_file.h"

#include <cstdlib>
#include <cstring>

namespace {

std::size_t ReadWithFread(void* buffer, std::size_t size, std::FILE* file) {
    return std::fread(buffer, 1, size, file);
}

std::size_t WriteWithFwrite(const void* data, std::size_t size, std::FILE* file) {
    return std::fwrite(data, 1, size, file);
}

int CloseWithFclose(std::FILE* file) { return std::fclose(file); }

int RemoveWithRemove(const char* path) { return std::remove(path); }

}  // namespace

ListFileOps DefaultListFileOps() {
    return ListFileOps{&std::fopen, &ReadWithFread, &WriteWithFwrite, &CloseWithFclose,
                       &ReplaceFileAtomically, &RemoveWithRemove};
}

ListFileOps g_ListFileOps = DefaultListFileOps();

bool ReadOpenFile(std::FILE* file, FileBytes* bytes) {
    // Start from the size the file reports and grow if it turns out larger.
    std::size_t capacity = 64 * 1024;
    const long here = std::ftell(file);
    if (here >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        if (end > here) {
            // Some systems report a directory's size as the largest offset.
            if (static_cast<unsigned long>(end - here) > kMaxListFileSize) return false;
            capacity = static_cast<std::size_t>(end - here) + 1;
        }
        if (std::fseek(file, here, SEEK_SET) != 0) return false;
    }
    char* data = static_cast<char*>(std::malloc(capacity));
    if (!data) return false;
    std::size_t size = 0;
    for (;;) {
        const std::size_t got = g_ListFileOps.Read(data + size, capacity - 1 - size, file);
        size += got;
        if (size + 1 < capacity) {
            if (got == 0) break;
            continue;
        }
        // The buffer is full: grow it only if the file really goes on.
        char next;
        if (g_ListFileOps.Read(&next, 1, file) == 0) break;
        std::size_t grown = capacity + capacity / 2 + 1;
        if (grown > kMaxListFileSize + 1) grown = kMaxListFileSize + 1;
        char* larger = grown > capacity ? static_cast<char*>(std::realloc(data, grown)) : nullptr;
        if (!larger) {
            std::free(data);
            return false;
        }
        data = larger;
        capacity = grown;
        data[size++] = next;
    }
    if (std::ferror(file)) {
        std::free(data);
        return false;
    }
    data[size] = '\0';
    bytes->Data = data;
    bytes->Size = size;
    return true;
}

bool ReadWholeFile(const char* path, FileBytes* bytes) {
    std::FILE* file = g_ListFileOps.Open(path, "rb");
    if (!file) return false;
    const bool ok = ReadOpenFile(file, bytes);
    g_ListFileOps.Close(file);
    return ok;
}

void FreeFileBytes(FileBytes* bytes) {
    std::free(bytes->Data);
    bytes->Data = nullptr;
    bytes->Size = 0;
}

namespace {

// Collects the rewritten content. As long as it matches the original file
// byte for byte nothing is written; at the first difference the temporary
// file is opened and the matching prefix is copied into it.
struct RewriteSink {
    const FileBytes* Original;
    const char* TempPath;
    std::size_t Matched;  // bytes of output so far equal to the original's start
    std::FILE* Temp;
    bool Failed;
    std::size_t Buffered;
    char Buffer[64 * 1024];
};

void FlushSink(RewriteSink* sink) {
    if (sink->Failed || sink->Buffered == 0) return;
    if (g_ListFileOps.Write(sink->Buffer, sink->Buffered, sink->Temp) != sink->Buffered) {
        sink->Failed = true;
    }
    sink->Buffered = 0;
}

void WriteToTemp(RewriteSink* sink, const char* data, std::size_t size) {
    while (size > 0 && !sink->Failed) {
        const std::size_t room = sizeof sink->Buffer - sink->Buffered;
        const std::size_t chunk = size < room ? size : room;
        std::memcpy(sink->Buffer + sink->Buffered, data, chunk);
        sink->Buffered += chunk;
        data += chunk;
        size -= chunk;
        if (sink->Buffered == sizeof sink->Buffer) FlushSink(sink);
    }
}

// Leaves matching mode: opens the temporary file and copies into it the
// prefix that matched so far.
void StartTemp(RewriteSink* sink) {
    sink->Temp = g_ListFileOps.Open(sink->TempPath, "wb");
    if (!sink->Temp) {
        sink->Failed = true;
        return;
    }
    WriteToTemp(sink, sink->Original->Data, sink->Matched);
}

void Emit(RewriteSink* sink, const char* data, std::size_t size) {
    if (sink->Failed) return;
    if (!sink->Temp) {
        const std::size_t left = sink->Original->Size - sink->Matched;
        if (size <= left && std::memcmp(sink->Original->Data + sink->Matched, data, size) == 0) {
            sink->Matched += size;
            return;
        }
        StartTemp(sink);
    }
    WriteToTemp(sink, data, size);
}

// The list may be replaced only while it is still the file that was read and
// may be written: a read-only list stays untouched, and a list that another
// writer changed since it was read is not overwritten with stale content.
bool ListStillReplaceable(const char* path, std::size_t originalSize) {
    std::FILE* list = g_ListFileOps.Open(path, "r+b");
    if (!list) return false;
    bool same = false;
    if (std::fseek(list, 0, SEEK_END) == 0) {
        const long size = std::ftell(list);
        same = size >= 0 && static_cast<unsigned long>(size) == originalSize;
    }
    g_ListFileOps.Close(list);
    return same;
}

}  // namespace

int RewriteListFile(const char* path, const ListEntry* entries, std::size_t count,
                    const char* tail, std::size_t tailSize, const FileBytes& original) {
    const std::size_t pathLength = std::strlen(path);
    char* tempPath = static_cast<char*>(std::malloc(pathLength + sizeof kTempSuffix));
    RewriteSink* sink = static_cast<RewriteSink*>(std::malloc(sizeof(RewriteSink)));
    if (!tempPath || !sink) {
        std::free(tempPath);
        std::free(sink);
        return 0;
    }
    std::memcpy(tempPath, path, pathLength);
    std::memcpy(tempPath + pathLength, kTempSuffix, sizeof kTempSuffix);
    sink->Original = &original;
    sink->TempPath = tempPath;
    sink->Matched = 0;
    sink->Temp = nullptr;
    sink->Failed = false;
    sink->Buffered = 0;

    char line[kMaxLineLength + 1];
    for (std::size_t i = 0; i < count && !sink->Failed; ++i) {
        const std::size_t length = FormatLine(line, entries[i].Flag, entries[i].Code, entries[i].Name);
        Emit(sink, line, length);
    }
    Emit(sink, tail, tailSize);

    int result = 0;
    if (!sink->Temp && !sink->Failed && sink->Matched == original.Size) {
        result = 1;  // already in this form: nothing to write
    } else {
        if (!sink->Temp && !sink->Failed) StartTemp(sink);  // new content is shorter
        FlushSink(sink);
        if (sink->Temp) {
            if (g_ListFileOps.Close(sink->Temp) != 0) sink->Failed = true;
            sink->Temp = nullptr;
            if (!sink->Failed && ListStillReplaceable(path, original.Size) &&
                g_ListFileOps.Replace(tempPath, path) == 1) {
                result = 1;
            } else {
                g_ListFileOps.Remove(tempPath);
            }
        }
    }
    std::free(sink);
    std::free(tempPath);
    return result;
}
