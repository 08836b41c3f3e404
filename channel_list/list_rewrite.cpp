#include "list_rewrite.h"

#include <cstdlib>
#include <cstring>

#include "side_paths.h"

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

bool ListIsMissing(const char* path) {
    PathKind kind;
    return g_ListFileOps.Probe(path, &kind) && kind == kPathMissing;
}

// Removes the temporary file after a failure, keeping that failure's reason.
void RemoveTemp(const ListRewrite* rewrite) {
    const FileError failure = g_LastFileError;
    RemoveFile(rewrite->TempPath);
    g_LastFileError = failure;
}

}  // namespace

const char* ActiveTempPath() { return g_ActiveTemp; }

bool ListLeftUnderTempName(const char* listPath) {
    char* real = nullptr;
    char* temp = nullptr;
    if (!ResolveListPaths(listPath, &real, &temp)) return false;
    PathKind kind;
    const bool left = ListIsMissing(real) && g_ListFileOps.Probe(temp, &kind) && kind == kPathFile;
    std::free(real);
    std::free(temp);
    return left;
}

bool RestoreReplacedList(const char* listPath) {
    char* real = nullptr;
    char* temp = nullptr;
    if (!ResolveListPaths(listPath, &real, &temp)) return false;
    PathKind kind;
    const bool restored = ListIsMissing(real) && g_ListFileOps.Probe(temp, &kind) && kind == kPathFile &&
                          ReplaceFile(temp, real);
    std::free(real);
    std::free(temp);
    return restored;
}

bool BeginListRewrite(ListRewrite* rewrite, const char* path, const FileBytes& original) {
    BeginListComparison(rewrite, original);
    rewrite->ListPath = path;
    if (!ResolveListPaths(path, &rewrite->RealPath, &rewrite->TempPath)) return false;
    rewrite->Buffer = static_cast<char*>(std::malloc(kRewriteBufferSize));
    if (!rewrite->Buffer) {
        SetFileError(kFileErrorNoMemory);
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
        bool replaceTried = false;
        if (written) {
            if (!ListStillAsRead(rewrite)) {
                result = kRewriteListChanged;
            } else {
                replaceTried = true;
                if (ReplaceFile(rewrite->TempPath, rewrite->RealPath)) result = kRewriteWritten;
            }
        }
        // A replace that removed the list but could not put the new file in
        // its place (Windows documents that end of ReplaceFileW) leaves the
        // new file the list's only copy: it stays, for the next writer to
        // put back (RestoreReplacedList).
        const bool listLost = replaceTried && result != kRewriteWritten && rewrite->Original->Data &&
                              ListIsMissing(rewrite->RealPath);
        if (result != kRewriteWritten && !listLost) RemoveTemp(rewrite);
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
