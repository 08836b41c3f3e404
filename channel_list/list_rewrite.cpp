#include "list_rewrite.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kRewriteBufferSize = 64 * 1024;
// How often a removed backup is looked for while another program's handle
// keeps its name.
constexpr unsigned kGoneRetryMs = 10;

// Read by signal and console handlers, which may run at any moment.
const char* volatile g_ActiveTemp = nullptr;

void FlushBuffer(ListRewrite* rewrite) {
    if (rewrite->Failed || rewrite->Buffered == 0) return;
    if (!rewrite->Files->Did(g_ListFileOps.Write(rewrite->Temp, rewrite->Buffer, rewrite->Buffered))) rewrite->Failed = true;
    rewrite->Buffered = 0;
}

void WriteToTemp(ListRewrite* rewrite, const char* data, std::size_t size) {
    rewrite->Size += size;
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
    if (files.Did(g_ListFileOps.Create(paths.Temp, rewrite->Original->Data ? paths.Real : nullptr, &rewrite->Temp))) {
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
    if (!files.Did(g_ListFileOps.Open(files.Paths.Real, kOpenRead, &file))) return false;
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

// Once the new list has the list's name: the names reach the disk, then the
// old list under the backup name goes, and that too reaches the disk, so a
// backup that is still there always means an unfinished write. Where the
// new list's data could not be flushed, the backup stays until a later reader
// finds the new list whole (an empty list has no data to lose). A backup that
// cannot be removed is harmless beside a list that shows rows; beside an
// empty one it would be taken for the list, so that write is not done.
RewriteResult Finish(const ListRewrite* rewrite, bool dataConfirmed) {
    ListFiles& files = *rewrite->Files;
    const char* const backup = files.Paths.Backup;
    files.SyncNames(files.Paths.Real);
    if (!dataConfirmed && rewrite->Size > 0) return kRewriteWritten;
    // A file being deleted keeps its name until another program's handle to
    // it closes, and a cut before that keeps the file.
    bool removed = files.RemoveIfThere(backup);
    while (removed && rewrite->Size == 0 && !files.Is(backup, kPathMissing)) removed = files.Pause(kGoneRetryMs);
    if (!removed) {
        files.Unconfirmed = true;
        return rewrite->Size > 0 ? kRewriteWritten : kRewriteUnfinished;
    }
    files.SyncNames(files.Paths.Real);
    return kRewriteWritten;
}

// The new list, whole under the temporary name, goes in the list's place,
// the old list under the backup name until it is there. Any way the replace
// ends, the list or the backup holds the old list or the new one: a replace
// that fails leaves, as Windows documents, either both files under their
// own names, or the list missing, its old content under the backup name and
// the new file under its own. The second is finished here when it can be:
// the new file takes the list's name, or else the old one takes it back.
// Where neither can be done now, the backup stays, and the next writer puts
// it back.
RewriteResult PutInPlace(const ListRewrite* rewrite, bool dataConfirmed) {
    ListFiles& files = *rewrite->Files;
    const ListPaths& paths = files.Paths;
    // Nothing to keep: a list made anew takes a name that is still free.
    // Where its data could not be flushed, an empty backup stands for the
    // list there was not, so that a reader who finds it damaged puts that
    // back.
    if (!rewrite->Original->Data) {
        ListFile* empty = nullptr;
        if (!dataConfirmed && !g_ListFileOps.Create(paths.Backup, nullptr, &empty)) g_ListFileOps.Close(empty);
        if (files.Rename(paths.Temp, paths.Real)) return Finish(rewrite, dataConfirmed);
        files.RemoveQuietly(paths.Backup);
        const RewriteResult result = files.Is(paths.Real, kPathFile) ? kRewriteListChanged : kRewriteFailed;
        files.RemoveQuietly(paths.Temp);
        return result;
    }
    if (files.Replace(paths.Temp, paths.Real, paths.Backup)) return Finish(rewrite, dataConfirmed);
    const FileError failure = files.Error;
    RewriteResult result = kRewriteFailed;
    if (files.Is(paths.Real, kPathMissing)) {
        if (files.Rename(paths.Temp, paths.Real)) return Finish(rewrite, dataConfirmed);
        // Not what Windows documents of a replace given a backup name: the
        // new file, whole, may be the only copy. It takes the backup's name,
        // or keeps its own; the next writer puts either back.
        const bool copy = files.Is(paths.Backup, kPathFile);
        if (!copy) files.Rename(paths.Temp, paths.Backup);
        if (!copy || !files.Rename(paths.Backup, paths.Real)) {
            files.Error = failure;
            return kRewriteLeftInBackup;
        }
        files.SyncNames(paths.Real);
    }
    // The list is there: the new file goes.
    files.Error = failure;
    files.RemoveQuietly(paths.Temp);
    if (files.Is(paths.Real, kPathFile)) files.RemoveQuietly(paths.Backup);
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
        ListFiles& files = *rewrite->Files;
        FlushBuffer(rewrite);
        // Whether the file system took this very flush.
        const bool unconfirmed = files.Unconfirmed;
        files.Unconfirmed = false;
        bool written = !rewrite->Failed && files.Sync(rewrite->Temp);
        const bool dataConfirmed = !files.Unconfirmed;
        files.Unconfirmed = files.Unconfirmed || unconfirmed;
        if (!files.Did(g_ListFileOps.Close(rewrite->Temp))) written = false;
        rewrite->Temp = nullptr;
        if (written && !ListStillAsRead(rewrite)) {
            result = kRewriteListChanged;
            written = false;
        }
        if (written) {
            // From here the file is the replace's: a program being stopped
            // leaves it to the next writer.
            g_ActiveTemp = nullptr;
            result = PutInPlace(rewrite, dataConfirmed);
        } else {
            files.RemoveQuietly(files.Paths.Temp);
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
