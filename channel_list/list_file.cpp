#include "list_file.h"

#include <cstdlib>
#include <cstring>

ListFileOps g_ListFileOps = DefaultListFileOps();
FileError g_LastFileError;

void SetFileError(FileErrorKind kind, long systemCode, bool mayPass) {
    g_LastFileError = FileError{kind, systemCode, mayPass};
}

bool SyncFile(ListFile* file) {
    return g_ListFileOps.Sync(file) || g_LastFileError.Kind == kFileErrorNotSupported;
}

namespace {

// Reads an open file from its start to its end into a new buffer.
bool ReadOpenFile(ListFile* file, FileBytes* bytes) {
    std::uint64_t reported = 0;
    if (!g_ListFileOps.Size(file, &reported)) return false;
    // Some systems report a folder's size as the largest offset.
    if (reported > kMaxListFileSize) {
        SetFileError(kFileErrorTooLarge);
        return false;
    }

    // Room for the size the file reports, grown only if it turns out larger
    // (another program may be appending to it).
    std::size_t capacity = static_cast<std::size_t>(reported) + 1;
    char* data = static_cast<char*>(std::malloc(capacity));
    if (!data) SetFileError(kFileErrorNoMemory);
    std::size_t size = 0;
    while (data) {
        std::size_t got = 0;
        if (size + 1 < capacity) {
            if (!g_ListFileOps.Read(file, data + size, capacity - 1 - size, &got)) break;
            size += got;
            if (got > 0) continue;
        } else {
            char next;
            if (!g_ListFileOps.Read(file, &next, 1, &got)) break;
            if (got > 0) {
                const std::size_t grown = capacity + capacity / 2 + 4096;
                if (capacity > kMaxListFileSize) {
                    SetFileError(kFileErrorTooLarge);
                    break;
                }
                char* larger = static_cast<char*>(std::realloc(data, grown));
                if (!larger) {
                    SetFileError(kFileErrorNoMemory);
                    break;
                }
                data = larger;
                capacity = grown;
                data[size++] = next;
                continue;
            }
        }
        data[size] = '\0';
        bytes->Data = data;
        bytes->Size = size;
        return true;
    }
    std::free(data);
    return false;
}

}  // namespace

bool ReadListFile(const char* path, FileBytes* bytes) {
    ListFile* file = nullptr;
    if (!g_ListFileOps.Open(path, kOpenRead, &file)) return false;
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

// Where the file name in a path begins: after the last "/" or "\" (or a
// drive's ":").
std::size_t FileNameOffset(const char* path) {
    std::size_t offset = 0;
    for (std::size_t i = 0; path[i] != '\0'; ++i) {
        if (path[i] == '/' || path[i] == '\\' || path[i] == ':') offset = i + 1;
    }
    return offset;
}

constexpr char kLockExtension[] = ".lck";
constexpr char kTempPrefix[] = "~";
constexpr char kTempExtension[] = ".tm";

// Puts folder + prefix + the list's name without its extension + extension
// into out. False when the path has no file name or the result does not fit.
bool SidePath(const char* listPath, const char* prefix, const char* extension, char* out, std::size_t size) {
    const std::size_t length = std::strlen(listPath);
    const std::size_t nameOffset = FileNameOffset(listPath);
    if (length == nameOffset) return false;
    // The name without its extension; a name that is all extension (".ini")
    // or has none keeps all of itself.
    std::size_t stem = length;
    for (std::size_t i = length; i > nameOffset + 1; --i) {
        if (listPath[i - 1] == '.') {
            stem = i - 1;
            break;
        }
    }
    if (std::strcmp(listPath + stem, kLockExtension) == 0) stem = length;
    const std::size_t prefixLength = std::strlen(prefix);
    const std::size_t extensionLength = std::strlen(extension);
    if (stem + prefixLength + extensionLength + 1 > size) return false;
    char* p = out;
    std::memcpy(p, listPath, nameOffset);
    p += nameOffset;
    std::memcpy(p, prefix, prefixLength);
    p += prefixLength;
    std::memcpy(p, listPath + nameOffset, stem - nameOffset);
    p += stem - nameOffset;
    std::memcpy(p, extension, extensionLength + 1);
    return true;
}

// Room for a path named after the list: at most this much longer than the
// list's own path (for a list without a three-letter extension).
constexpr std::size_t kSidePathExtra = 8;

// Pauses between tries of an operation that another program's handle
// stopped: about a second in all.
constexpr unsigned kRetryPausesMs[] = {10, 20, 40, 80, 150, 250, 450};

bool RetryWhileInUse(int (*operation)(const char*, const char*), const char* a, const char* b) {
    for (std::size_t attempt = 0;; ++attempt) {
        SetFileError(kFileErrorNone);
        if (operation(a, b)) return true;
        if (!g_LastFileError.MayPass || attempt == sizeof kRetryPausesMs / sizeof kRetryPausesMs[0]) return false;
        g_ListFileOps.Pause(kRetryPausesMs[attempt]);
    }
}

int ReplaceOperation(const char* from, const char* to) { return g_ListFileOps.Replace(from, to); }
int RemoveOperation(const char* path, const char*) { return g_ListFileOps.Remove(path); }

}  // namespace

bool ListLockPath(const char* listPath, char* out, std::size_t size) {
    return SidePath(listPath, "", kLockExtension, out, size);
}

bool ListTempPath(const char* listPath, char* out, std::size_t size) {
    return SidePath(listPath, kTempPrefix, kTempExtension, out, size);
}

bool ReplaceFile(const char* from, const char* to) { return RetryWhileInUse(&ReplaceOperation, from, to); }

bool RemoveFile(const char* path) { return RetryWhileInUse(&RemoveOperation, path, nullptr); }

bool LockList(const char* listPath, ListLock* lock) {
    lock->Handle = nullptr;
    // A lock file is made only beside what may be a list.
    PathKind kind;
    if (!g_ListFileOps.Probe(listPath, &kind)) return false;
    if (kind == kPathFolder) {
        SetFileError(kFileErrorIsFolder);
        return false;
    }
    const std::size_t size = std::strlen(listPath) + kSidePathExtra + 1;
    char* lockPath = static_cast<char*>(std::malloc(size));
    if (!lockPath) {
        SetFileError(kFileErrorNoMemory);
        return false;
    }
    bool locked = false;
    if (!ListLockPath(listPath, lockPath, size)) {
        SetFileError(kFileErrorIsFolder);  // a path that ends in a separator names a folder
    } else {
        locked = g_ListFileOps.Lock(lockPath, kListLockWaitMs, &lock->Handle) != 0;
    }
    std::free(lockPath);
    if (!locked) lock->Handle = nullptr;
    return locked;
}

void UnlockList(ListLock* lock) {
    if (lock->Handle) g_ListFileOps.Unlock(lock->Handle);
    lock->Handle = nullptr;
}

namespace {

constexpr std::size_t kRewriteBufferSize = 64 * 1024;

// Read by signal and console handlers, which may run at any moment.
const char* volatile g_ActiveTemp = nullptr;

void FlushBuffer(ListRewrite* rewrite) {
    if (rewrite->Failed || rewrite->Buffered == 0) return;
    if (!g_ListFileOps.Write(rewrite->Temp, rewrite->Buffer, rewrite->Buffered)) rewrite->Failed = true;
    rewrite->Buffered = 0;
}

void WriteToTemp(ListRewrite* rewrite, const char* data, std::size_t size) {
    while (size > 0 && !rewrite->Failed) {
        const std::size_t room = kRewriteBufferSize - rewrite->Buffered;
        const std::size_t chunk = size < room ? size : room;
        std::memcpy(rewrite->Buffer + rewrite->Buffered, data, chunk);
        rewrite->Buffered += chunk;
        data += chunk;
        size -= chunk;
        if (rewrite->Buffered == kRewriteBufferSize) FlushBuffer(rewrite);
    }
}

// Leaves matching mode: makes the temporary file and copies into it the part
// of the original that matched so far. A file of that name is what a writer
// stopped before its end left behind (only the holder of the list's lock
// writes one): it goes first.
void StartTemp(ListRewrite* rewrite) {
    g_ActiveTemp = rewrite->TempPath;
    RemoveFile(rewrite->TempPath);
    if (g_ListFileOps.Open(rewrite->TempPath, kOpenCreateNew, &rewrite->Temp)) {
        WriteToTemp(rewrite, rewrite->Original->Data, rewrite->Matched);
        return;
    }
    rewrite->Temp = nullptr;
    rewrite->Failed = true;
    g_ActiveTemp = nullptr;
}

void ReleaseRewrite(ListRewrite* rewrite) {
    g_ActiveTemp = nullptr;
    std::free(rewrite->Buffer);
    std::free(rewrite->TempPath);
    std::free(rewrite->RealPath);
    rewrite->Buffer = nullptr;
    rewrite->TempPath = nullptr;
    rewrite->RealPath = nullptr;
}

// Whether the list is still byte for byte the file that was read (or still
// absent, when it was). Compared a buffer at a time: a second copy of a large
// list is never held.
bool ListStillAsRead(ListRewrite* rewrite) {
    const FileBytes& original = *rewrite->Original;
    if (!original.Data) {
        PathKind kind;
        return g_ListFileOps.Probe(rewrite->ListPath, &kind) && kind == kPathMissing;
    }
    ListFile* file = nullptr;
    if (!g_ListFileOps.Open(rewrite->ListPath, kOpenRead, &file)) return false;
    std::uint64_t size = 0;
    bool same = g_ListFileOps.Size(file, &size) && size == original.Size;
    std::size_t at = 0;
    while (same) {
        std::size_t got = 0;
        if (!g_ListFileOps.Read(file, rewrite->Buffer, kRewriteBufferSize, &got)) {
            same = false;
        } else if (got == 0) {
            break;
        } else {
            same = got <= original.Size - at && std::memcmp(original.Data + at, rewrite->Buffer, got) == 0;
            at += got;
        }
    }
    g_ListFileOps.Close(file);
    return same && at == original.Size;
}

// Removes the temporary file after a failure, keeping that failure's reason.
void RemoveTemp(const ListRewrite* rewrite) {
    const FileError failure = g_LastFileError;
    RemoveFile(rewrite->TempPath);
    g_LastFileError = failure;
}

}  // namespace

const char* ActiveTempPath() { return g_ActiveTemp; }

bool BeginListRewrite(ListRewrite* rewrite, const char* path, const FileBytes& original) {
    BeginListComparison(rewrite, original);
    rewrite->ListPath = path;
    // A symbolic link stays a link: the temporary file is made, and replaces
    // the list, where the list really lives.
    if (!g_ListFileOps.Resolve(path, &rewrite->RealPath)) {
        rewrite->RealPath = nullptr;
        return false;
    }
    const std::size_t size = std::strlen(rewrite->RealPath) + kSidePathExtra + 1;
    rewrite->TempPath = static_cast<char*>(std::malloc(size));
    rewrite->Buffer = static_cast<char*>(std::malloc(kRewriteBufferSize));
    if (!rewrite->TempPath || !rewrite->Buffer) {
        SetFileError(kFileErrorNoMemory);
        ReleaseRewrite(rewrite);
        return false;
    }
    if (!ListTempPath(rewrite->RealPath, rewrite->TempPath, size)) {
        SetFileError(kFileErrorIsFolder);
        ReleaseRewrite(rewrite);
        return false;
    }
    return true;
}

void AppendToRewrite(ListRewrite* rewrite, const char* data, std::size_t size) {
    if (rewrite->Failed) return;
    if (!rewrite->Temp) {
        const FileBytes& original = *rewrite->Original;
        const std::size_t left = original.Size - rewrite->Matched;
        if (size <= left && (size == 0 || std::memcmp(original.Data + rewrite->Matched, data, size) == 0)) {
            rewrite->Matched += size;
            return;
        }
        // A comparison stops at the first difference.
        if (!rewrite->TempPath) {
            rewrite->Failed = true;
            return;
        }
        StartTemp(rewrite);
    }
    WriteToTemp(rewrite, data, size);
}

RewriteResult FinishListRewrite(ListRewrite* rewrite) {
    if (!rewrite->Temp && !rewrite->Failed && rewrite->Matched == rewrite->Original->Size) {
        ReleaseRewrite(rewrite);
        return kRewriteUnchanged;
    }
    // New content shorter than the original, and equal to its start.
    if (!rewrite->Temp && !rewrite->Failed) StartTemp(rewrite);

    RewriteResult result = kRewriteFailed;
    if (rewrite->Temp) {
        FlushBuffer(rewrite);
        bool written = !rewrite->Failed && SyncFile(rewrite->Temp);
        if (!g_ListFileOps.Close(rewrite->Temp)) written = false;
        rewrite->Temp = nullptr;
        if (written) {
            if (!ListStillAsRead(rewrite)) {
                result = kRewriteListChanged;
            } else if (ReplaceFile(rewrite->TempPath, rewrite->RealPath)) {
                result = kRewriteWritten;
            }
        }
        if (result != kRewriteWritten) RemoveTemp(rewrite);
    }
    ReleaseRewrite(rewrite);
    return result;
}

void BeginListComparison(ListRewrite* rewrite, const FileBytes& original) {
    rewrite->ListPath = nullptr;
    rewrite->Original = &original;
    rewrite->RealPath = nullptr;
    rewrite->TempPath = nullptr;
    rewrite->Matched = 0;
    rewrite->Temp = nullptr;
    rewrite->Failed = false;
    rewrite->Buffered = 0;
    rewrite->Buffer = nullptr;
}

bool ListRewriteDiffers(ListRewrite* rewrite) {
    return rewrite->Failed || rewrite->Matched != rewrite->Original->Size;
}

void CancelListRewrite(ListRewrite* rewrite) {
    if (rewrite->Temp) {
        g_ListFileOps.Close(rewrite->Temp);
        rewrite->Temp = nullptr;
        RemoveTemp(rewrite);
    }
    ReleaseRewrite(rewrite);
}
