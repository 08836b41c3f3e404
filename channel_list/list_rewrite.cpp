#include "list_rewrite.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kRewriteBufferSize = 64 * 1024;

// Read by signal and console handlers, which may run at any moment.
const char* volatile g_ActiveTemp = nullptr;

void FlushBuffer(ListRewrite* rewrite) {
    if (rewrite->Failed || rewrite->Buffered == 0) return;
    if (!rewrite->Files->Write(rewrite->Temp, rewrite->Buffer, rewrite->Buffered)) rewrite->Failed = true;
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
// of the original that matched so far. The writer opened the list with
// OpenListToChange, which removed any file of that name a writer before it
// left; one that is there all the same is not this writer's to remove.
void StartTemp(ListRewrite* rewrite) {
    ListFiles& files = *rewrite->Files;
    const ListPaths& paths = files.Paths;
    rewrite->Failed = true;
    // A second name of the list would keep the old content under it.
    FileIdentity identity{0, 0, 1};
    if (rewrite->Original->Data && !files.Did(g_ListFileOps.Identify(paths.Real, &identity))) return;
    if (identity.Links > 1) {
        files.Fail(kFileErrorLinked);
        return;
    }
    g_ActiveTemp = paths.Temp;
    if (files.Create(paths.Temp, rewrite->Original->Data ? paths.Real : nullptr, &rewrite->Temp)) {
        rewrite->Failed = false;
        WriteToTemp(rewrite, rewrite->Original->Data, rewrite->Matched);
        return;
    }
    g_ActiveTemp = nullptr;
}

void ReleaseRewrite(ListRewrite* rewrite) {
    g_ActiveTemp = nullptr;
    std::free(rewrite->Buffer);
    rewrite->Buffer = nullptr;
}

// Whether the list is still byte for byte the file that was read (or still
// absent, when it was). Compared a buffer at a time: a second copy of a large
// list is never held.
bool ListStillAsRead(ListRewrite* rewrite) {
    ListFiles& files = *rewrite->Files;
    const FileBytes& original = *rewrite->Original;
    if (!original.Data) return files.Is(files.Paths.Real, kPathMissing);
    ListFile* file = nullptr;
    if (!files.Open(files.Paths.Real, kOpenRead, &file)) return false;
    std::uint64_t size = 0;
    bool same = files.Did(g_ListFileOps.Size(file, &size)) && size == original.Size;
    std::size_t at = 0;
    while (same) {
        std::size_t got = 0;
        if (!files.Did(g_ListFileOps.Read(file, rewrite->Buffer, kRewriteBufferSize, &got))) {
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

// The new list, whole and on the disk under the temporary name, goes in the
// list's place, the old list under the backup name until it is there. Any
// way the replace ends, the list or the backup holds the old list or the new
// one: a replace that fails leaves, as Windows documents, either both files
// under their own names, or the list missing, its old content under the
// backup name and the new file under its own. The second is finished here
// when it can be: the new file takes the list's name, or else the old one
// takes it back. Where neither can be done now, the backup stays, and the
// next writer puts it back.
RewriteResult PutInPlace(const ListRewrite* rewrite) {
    ListFiles& files = *rewrite->Files;
    const ListPaths& paths = files.Paths;
    // Nothing to keep: a list made anew takes a name that is still free.
    if (!rewrite->Original->Data) {
        if (files.Rename(paths.Temp, paths.Real)) return kRewriteWritten;
        const RewriteResult result = files.Is(paths.Real, kPathFile) ? kRewriteListChanged : kRewriteFailed;
        files.RemoveQuietly(paths.Temp);
        return result;
    }
    if (files.Replace(paths.Temp, paths.Real, paths.Backup)) {
        files.RemoveQuietly(paths.Backup);
        return kRewriteWritten;
    }
    const FileError failure = files.Error;
    RewriteResult result = kRewriteFailed;
    if (files.Is(paths.Real, kPathMissing)) {
        if (!files.Is(paths.Backup, kPathFile)) {
            // Not what Windows documents of a replace given a backup name:
            // the new file, whole, is then the only copy, and takes the
            // list's name, or the backup's, which the next writer looks for.
            if (files.Rename(paths.Temp, paths.Real)) return kRewriteWritten;
            if (files.Rename(paths.Temp, paths.Backup)) result = kRewriteLeftInBackup;
            files.Error = failure;
            return result;
        }
        if (files.Rename(paths.Temp, paths.Real)) {
            files.RemoveQuietly(paths.Backup);
            return kRewriteWritten;
        }
        if (!files.Rename(paths.Backup, paths.Real)) result = kRewriteLeftInBackup;
    }
    // The list is there (or its backup holds it): the new file goes.
    files.Error = failure;
    files.RemoveQuietly(paths.Temp);
    if (result == kRewriteFailed && files.Is(paths.Real, kPathFile)) files.RemoveQuietly(paths.Backup);
    return result;
}

}  // namespace

const char* ActiveTempPath() { return g_ActiveTemp; }

bool BeginListRewrite(ListRewrite* rewrite, ListFiles* files, const FileBytes& original) {
    BeginListComparison(rewrite, original);
    rewrite->Files = files;
    rewrite->Buffer = static_cast<char*>(std::malloc(kRewriteBufferSize));
    return rewrite->Buffer || files->Fail(kFileErrorNoMemory);
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
        if (!rewrite->Files) {
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
        bool written = !rewrite->Failed && rewrite->Files->Sync(rewrite->Temp);
        if (!rewrite->Files->Close(rewrite->Temp)) written = false;
        rewrite->Temp = nullptr;
        if (written && !ListStillAsRead(rewrite)) {
            result = kRewriteListChanged;
            written = false;
        }
        if (written) {
            // From here the file is the replace's: a program being stopped
            // leaves it to the next writer.
            g_ActiveTemp = nullptr;
            result = PutInPlace(rewrite);
        } else {
            rewrite->Files->RemoveQuietly(rewrite->Files->Paths.Temp);
        }
    }
    ReleaseRewrite(rewrite);
    return result;
}

void BeginListComparison(ListRewrite* rewrite, const FileBytes& original) {
    *rewrite = ListRewrite{};
    rewrite->Original = &original;
}

bool ListRewriteDiffers(ListRewrite* rewrite) {
    return rewrite->Failed || rewrite->Matched != rewrite->Original->Size;
}
