#include "list_file.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

ListFileOps g_ListFileOps = DefaultListFileOps();

namespace {

// Reads an open file from its start to its end into a new buffer.
bool ReadOpenFile(std::FILE* file, FileBytes* bytes) {
    std::uint64_t reported = 0;
    if (!g_ListFileOps.Size(file, &reported)) return false;
    // Some systems report a folder's size as the largest offset.
    if (reported > kMaxListFileSize) return false;

    // Room for the size the file reports, grown only if it turns out larger
    // (another program may be appending to it).
    std::size_t capacity = static_cast<std::size_t>(reported) + 1;
    char* data = static_cast<char*>(std::malloc(capacity));
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
                char* larger = capacity <= kMaxListFileSize ? static_cast<char*>(std::realloc(data, grown)) : nullptr;
                if (!larger) break;
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
    std::FILE* file = nullptr;
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

}  // namespace

bool ListLockPath(const char* listPath, char* out, std::size_t size) {
    const std::size_t length = std::strlen(listPath);
    const std::size_t nameOffset = FileNameOffset(listPath);
    // The name without its extension; a name that is all extension (".ini")
    // or has none keeps all of itself.
    std::size_t stem = length;
    for (std::size_t i = length; i > nameOffset + 1; --i) {
        if (listPath[i - 1] == '.') {
            stem = i - 1;
            break;
        }
    }
    static const char kLockExtension[] = ".lck";
    // A list whose own extension is ".lck" gets ".lck.lck", never itself.
    if (std::strcmp(listPath + stem, kLockExtension) == 0) stem = length;
    const std::size_t lockLength = stem + sizeof kLockExtension - 1;
    if (length == nameOffset || lockLength + 1 > size) return false;
    std::memcpy(out, listPath, stem);
    std::memcpy(out + stem, kLockExtension, sizeof kLockExtension);
    return true;
}

bool LockList(const char* listPath, ListLock* lock) {
    lock->Handle = nullptr;
    const std::size_t size = std::strlen(listPath) + 8;
    char* lockPath = static_cast<char*>(std::malloc(size));
    if (!lockPath) return false;
    const bool locked = ListLockPath(listPath, lockPath, size) &&
                        g_ListFileOps.Lock(lockPath, kListLockWaitMs, &lock->Handle);
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

// The temporary file's name: "~", hex digits, ".tmp", as long as the list's
// own name (so its path fits wherever the list's does), at least eight
// characters. The digits differ from writer to writer and from try to try.
constexpr char kTempExtension[] = ".tmp";
constexpr std::size_t kMinTempNameLength = 8;
constexpr std::size_t kMaxTempDigits = 16;
constexpr int kTempNameTries = 64;

std::uint64_t NextTempNumber() {
    static std::uint64_t counter = 0;
    // The time and this process's own addresses make numbers that other
    // writers are unlikely to pick; the exclusive create settles the rest.
    std::uint64_t value = static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    value ^= reinterpret_cast<std::uintptr_t>(&counter) * 0x9E3779B97F4A7C15ull;
    value += ++counter * 0xBF58476D1CE4E5B9ull;
    value ^= value >> 29;
    return value;
}

// Writes a fresh temporary name into rewrite->TempPath.
void NameTemp(ListRewrite* rewrite) {
    const char* const path = rewrite->ListPath;
    const std::size_t length = std::strlen(path);
    const std::size_t nameOffset = FileNameOffset(path);
    std::size_t nameLength = length - nameOffset;
    if (nameLength < kMinTempNameLength) nameLength = kMinTempNameLength;
    std::size_t digits = nameLength - 1 - (sizeof kTempExtension - 1);
    if (digits > kMaxTempDigits) digits = kMaxTempDigits;
    char* p = rewrite->TempPath;
    std::memcpy(p, path, nameOffset);
    p += nameOffset;
    *p++ = '~';
    std::uint64_t number = NextTempNumber();
    for (std::size_t i = 0; i < digits; ++i, number >>= 4) *p++ = "0123456789abcdef"[number & 0xF];
    std::memcpy(p, kTempExtension, sizeof kTempExtension);
}

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

// Leaves matching mode: makes the temporary file under a name no one else
// holds (a stale one a crash left behind only costs another try) and copies
// into it the part of the original that matched so far.
void StartTemp(ListRewrite* rewrite) {
    for (int attempt = 0; attempt < kTempNameTries; ++attempt) {
        NameTemp(rewrite);
        if (g_ListFileOps.Open(rewrite->TempPath, kOpenCreateNew, &rewrite->Temp)) {
            WriteToTemp(rewrite, rewrite->Original->Data, rewrite->Matched);
            return;
        }
        rewrite->Temp = nullptr;
        // Only a name that is taken is worth another try.
        if (!g_ListFileOps.Exists(rewrite->TempPath)) break;
    }
    rewrite->Failed = true;
}

void ReleaseRewrite(ListRewrite* rewrite) {
    std::free(rewrite->Buffer);
    std::free(rewrite->TempPath);
    rewrite->Buffer = nullptr;
    rewrite->TempPath = nullptr;
}

// Whether the list is still byte for byte the file that was read (or still
// absent, when it was).
bool ListStillAsRead(const ListRewrite* rewrite) {
    if (!rewrite->Original->Data) return !g_ListFileOps.Exists(rewrite->ListPath);
    FileBytes now;
    if (!ReadListFile(rewrite->ListPath, &now)) return false;
    const FileBytes& original = *rewrite->Original;
    const bool same = now.Size == original.Size && std::memcmp(now.Data, original.Data, now.Size) == 0;
    FreeFileBytes(&now);
    return same;
}

}  // namespace

bool BeginListRewrite(ListRewrite* rewrite, const char* path, const FileBytes& original) {
    BeginListComparison(rewrite, original);
    rewrite->ListPath = path;
    // The temporary path is at most eight characters longer than the list's
    // (for a list name shorter than eight), and as long for the plug-in's.
    rewrite->TempPath = static_cast<char*>(std::malloc(std::strlen(path) + kMinTempNameLength + 1));
    rewrite->Buffer = static_cast<char*>(std::malloc(kRewriteBufferSize));
    if (!rewrite->TempPath || !rewrite->Buffer) {
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
        // Every step is checked: a close that reports success says nothing
        // about a flush that failed before it.
        bool written = !rewrite->Failed && g_ListFileOps.Flush(rewrite->Temp) && g_ListFileOps.Sync(rewrite->Temp);
        if (!g_ListFileOps.Close(rewrite->Temp)) written = false;
        rewrite->Temp = nullptr;
        if (written) {
            if (!ListStillAsRead(rewrite)) {
                result = kRewriteListChanged;
            } else if (g_ListFileOps.Replace(rewrite->TempPath, rewrite->ListPath)) {
                result = kRewriteWritten;
            }
        }
        if (result != kRewriteWritten) g_ListFileOps.Remove(rewrite->TempPath);
    }
    ReleaseRewrite(rewrite);
    return result;
}

void BeginListComparison(ListRewrite* rewrite, const FileBytes& original) {
    rewrite->ListPath = nullptr;
    rewrite->Original = &original;
    rewrite->Matched = 0;
    rewrite->Temp = nullptr;
    rewrite->Failed = false;
    rewrite->Buffered = 0;
    rewrite->TempPath = nullptr;
    rewrite->Buffer = nullptr;
}

bool ListRewriteDiffers(ListRewrite* rewrite) {
    return rewrite->Failed || rewrite->Matched != rewrite->Original->Size;
}

void CancelListRewrite(ListRewrite* rewrite) {
    if (rewrite->Temp) {
        g_ListFileOps.Close(rewrite->Temp);
        rewrite->Temp = nullptr;
        g_ListFileOps.Remove(rewrite->TempPath);
    }
    ReleaseRewrite(rewrite);
}
