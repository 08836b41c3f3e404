// The list's file operations on POSIX systems: plain file descriptors, fsync
// for the disk, rename for the replace, and an open file description lock
// for the list's lock.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "channel_list/file_ops.h"

namespace {

// A descriptor travels as a ListFile pointer one greater, so that 0 is never
// a null pointer.
ListFile* AsFile(int descriptor) {
    return reinterpret_cast<ListFile*>(static_cast<std::intptr_t>(descriptor) + 1);
}
int Descriptor(ListFile* file) { return static_cast<int>(reinterpret_cast<std::intptr_t>(file) - 1); }

// What each errno means to the list code; any other is kFileErrorOther.
constexpr struct {
    int Error;
    FileErrorKind Kind;
} kErrorKinds[] = {
    {ENOENT, kFileErrorNotFound}, {ENOTDIR, kFileErrorNoFolder},  {EISDIR, kFileErrorIsFolder},
    {EACCES, kFileErrorDenied},   {EPERM, kFileErrorDenied},      {EROFS, kFileErrorDenied},
    {EBUSY, kFileErrorInUse},     {ETXTBSY, kFileErrorInUse},     {ENOSPC, kFileErrorDiskFull},
    {EDQUOT, kFileErrorDiskFull}, {EFBIG, kFileErrorDiskFull},    {ENAMETOOLONG, kFileErrorPathTooLong},
    {ENOMEM, kFileErrorNoMemory},
};

// Records errno as the last failure; returns 0 for the caller to return.
int Fail(int error) {
    FileErrorKind kind = kFileErrorOther;
    for (const auto& known : kErrorKinds) {
        if (known.Error == error) kind = known.Kind;
    }
    SetFileError(kind, error);
    return 0;
}


// The folder that holds a path, as a new string ("." for a bare name).
char* FolderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (!slash) return strdup(".");
    return strndup(path, slash == path ? 1 : static_cast<std::size_t>(slash - path));
}

// Whether the folder that would hold a path exists.
bool FolderExists(const char* path) {
    char* folder = FolderOf(path);
    struct stat status;
    const bool exists = folder && stat(folder, &status) == 0 && S_ISDIR(status.st_mode);
    std::free(folder);
    return exists;
}

// A file that is not there because its folder is not there says so.
int FailOpen(const char* path, int error) { return Fail(error == ENOENT && !FolderExists(path) ? ENOTDIR : error); }

int OpenFile(const char* path, FileOpenMode mode, ListFile** file) {
    *file = nullptr;
    int flags = O_RDONLY;
    switch (mode) {
    case kOpenRead:
        break;
    case kOpenAppend:
        flags = O_WRONLY | O_APPEND;
        break;
    case kOpenWrite:
        flags = O_WRONLY;
        break;
    case kOpenCreateNew:
        flags = O_WRONLY | O_CREAT | O_EXCL;
        break;
    }
    const int descriptor = open(path, flags | O_CLOEXEC, 0666);
    if (descriptor < 0) return FailOpen(path, errno);
    struct stat status;
    if (fstat(descriptor, &status) != 0) {
        const int error = errno;
        close(descriptor);
        return Fail(error);
    }
    // A folder opens for reading here; it is not a list. Nor is a device or
    // a pipe.
    if (!S_ISREG(status.st_mode)) {
        close(descriptor);
        return Fail(S_ISDIR(status.st_mode) ? EISDIR : EACCES);
    }
    *file = AsFile(descriptor);
    return 1;
}

int Probe(const char* path, PathKind* kind) {
    struct stat status;
    if (stat(path, &status) == 0) {
        *kind = S_ISDIR(status.st_mode) ? kPathFolder : kPathFile;
        return 1;
    }
    const int error = errno;
    if (error != ENOENT) return Fail(error);
    // A link whose target is gone is a file that is not there.
    if (!FolderExists(path)) return Fail(ENOTDIR);
    *kind = kPathMissing;
    return 1;
}

int ReadOnly(const char* path, bool* readOnly) {
    struct stat status;
    if (stat(path, &status) != 0) return Fail(errno);
    // No write permission for anyone is the mode Windows calls read-only,
    // which binds even its administrators; root would pass access().
    *readOnly = (status.st_mode & 0222) == 0 || access(path, W_OK) != 0;
    return 1;
}

int Size(ListFile* file, std::uint64_t* size) {
    struct stat status;
    if (fstat(Descriptor(file), &status) != 0) return Fail(errno);
    if (status.st_size < 0) return Fail(EINVAL);
    *size = static_cast<std::uint64_t>(status.st_size);
    return 1;
}

int Read(ListFile* file, void* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    if (size > SSIZE_MAX) size = SSIZE_MAX;
    for (;;) {
        const ssize_t count = read(Descriptor(file), buffer, size);
        if (count >= 0) {
            *got = static_cast<std::size_t>(count);
            return 1;
        }
        if (errno != EINTR) return Fail(errno);
    }
}

int Write(ListFile* file, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t count = write(Descriptor(file), bytes, size);
        if (count < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        if (count == 0) return Fail(ENOSPC);
        bytes += count;
        size -= static_cast<std::size_t>(count);
    }
    return 1;
}

int Sync(ListFile* file) {
    if (fsync(Descriptor(file)) == 0) return 1;
    // EINVAL: a file that does not support synchronisation.
    if (errno == EINVAL || errno == ENOTSUP) {
        SetFileError(kFileErrorNotSupported, errno);
        return 0;
    }
    return Fail(errno);
}

int Truncate(ListFile* file, std::uint64_t size) {
    return ftruncate(Descriptor(file), static_cast<off_t>(size)) == 0 ? 1 : Fail(errno);
}

int Close(ListFile* file) { return close(Descriptor(file)) == 0 ? 1 : Fail(errno); }

// Syncs the folder that holds a path, so that a rename in it reaches the disk.
void SyncFolderOf(const char* path) {
    char* folder = FolderOf(path);
    if (!folder) return;
    const int descriptor = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::free(folder);
    if (descriptor < 0) return;
    fsync(descriptor);
    close(descriptor);
}

// Gives the file open as `descriptor` (`own` its status) the list's group,
// and for root its owner too. A user not of the list's group may not give
// it; the file then keeps this user's group.
void TakeOwners(int descriptor, const struct stat& own, const struct stat& list) {
    const bool root = geteuid() == 0;
    if (own.st_gid == list.st_gid && (!root || own.st_uid == list.st_uid)) return;
    const int given = fchown(descriptor, root ? list.st_uid : static_cast<uid_t>(-1), list.st_gid);
    static_cast<void>(given);
}

// Gives the new file at `path` what the list it replaces has: its group (and
// its owner, for root) as far as this user may set them, and its permission
// bits, so that the replace changes nothing but the content and whoever could
// write the list still can. Only a file of this user's, through a descriptor
// opened without following a link: another user of a shared folder who put
// a link in its place gains nothing.
void TakeOwnersAndMode(const char* path, const struct stat& list) {
    int descriptor = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0 && errno == EACCES) descriptor = open(path, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return;
    struct stat own;
    if (fstat(descriptor, &own) == 0 && S_ISREG(own.st_mode) && own.st_nlink == 1 && own.st_uid == geteuid()) {
        TakeOwners(descriptor, own, list);
        fchmod(descriptor, list.st_mode & 07777);
    }
    close(descriptor);
}

// A rename here is one step: the list is the old file or the new one at
// every moment, so no backup is needed, and none is made.
int Replace(const char* from, const char* to, const char*) {
    struct stat list;
    if (stat(to, &list) != 0) return Fail(errno);
    TakeOwnersAndMode(from, list);
    if (std::rename(from, to) != 0) return Fail(errno);
    // The rename itself reaches the disk with the folder. It has happened
    // either way; a failed folder sync is not undone.
    SyncFolderOf(to);
    return 1;
}

int Rename(const char* from, const char* to) {
    // A second name, then the first one gone: `to` is never overwritten.
    // A file system without links (FAT) refuses the first step.
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL && errno != ENOSYS) return Fail(errno);
        if (link(from, to) != 0) return Fail(errno);
        unlink(from);
    }
    SyncFolderOf(to);
    return 1;
}

int Remove(const char* path) { return unlink(path) == 0 ? 1 : Fail(errno); }

int LinkCount(const char* path, unsigned* count) {
    struct stat status;
    if (stat(path, &status) != 0) return Fail(errno);
    *count = static_cast<unsigned>(status.st_nlink);
    return 1;
}

int Resolve(const char* path, char** real) {
    struct stat status;
    char* resolved = nullptr;
    // Only a link is followed; a path without one stays as it was given.
    if (lstat(path, &status) == 0 && S_ISLNK(status.st_mode)) resolved = realpath(path, nullptr);
    if (!resolved) resolved = strdup(path);
    if (!resolved) return Fail(ENOMEM);
    *real = resolved;
    return 1;
}

unsigned Pause(unsigned milliseconds) {
    struct timespec start;
    struct timespec end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    struct timespec wait;
    wait.tv_sec = static_cast<time_t>(milliseconds / 1000);
    wait.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    const long long waited = (end.tv_sec - start.tv_sec) * 1000LL + (end.tv_nsec - start.tv_nsec) / 1000000LL;
    return waited > milliseconds ? static_cast<unsigned>(waited) : milliseconds;
}

// A held lock: the lock file's descriptor, and whether this lock made the
// file (only then may it remove it).
struct HeldLock {
    int Descriptor;
    bool Made;
};

// Opens the lock file for reading and writing, making it when it is missing.
// Read and write: a write lock needs both, and a lock file this user cannot
// open so is an error, never a weaker lock.
int OpenLockFile(const char* path, bool* made) {
    const int descriptor = open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    *made = descriptor >= 0;
    if (descriptor >= 0 || errno != EEXIST) return descriptor;
    // There already (or gone again since, or a link to a file that is not
    // there yet: made here, but not counted as this lock's own).
    return open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

// Whether `path` still names the file open as `descriptor`: a writer that
// held its lock may have removed it (RemoveLock). A path that cannot be
// looked at for another reason is taken to.
bool StillNamed(const char* path, int descriptor, bool followLink) {
    struct stat opened;
    struct stat named;
    if (fstat(descriptor, &opened) != 0) return true;
    if (opened.st_nlink == 0) return false;
    if ((followLink ? stat(path, &named) : lstat(path, &named)) != 0) return errno != ENOENT;
    return named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

int TryLock(const char* path, void** lock) {
    // A lock of the open file description on byte 0: it excludes every other
    // open of the lock file, in this process or another, and the record locks
    // Wine takes for a Windows program's LockFileEx on the same byte.
    struct flock range = {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_len = 1;
    // A lock on a file the writer before removed guards nothing: the lock
    // file is the one the path names now, tried a few times as it changes.
    for (int attempt = 0; attempt < 3; ++attempt) {
        bool made = false;
        const int descriptor = OpenLockFile(path, &made);
        if (descriptor < 0) return Fail(errno);
        while (fcntl(descriptor, F_OFD_SETLK, &range) != 0) {
            const int error = errno;
            if (error == EINTR) continue;
            close(descriptor);
            if (error != EAGAIN && error != EACCES) return Fail(error);
            SetFileError(kFileErrorLockBusy);
            return 0;
        }
        if (StillNamed(path, descriptor, true)) {
            HeldLock* const held = static_cast<HeldLock*>(std::malloc(sizeof(HeldLock)));
            if (!held) {
                close(descriptor);
                return Fail(ENOMEM);
            }
            held->Descriptor = descriptor;
            held->Made = made;
            *lock = held;
            return 1;
        }
        close(descriptor);
    }
    SetFileError(kFileErrorLockBusy);
    return 0;
}

int Unlock(void* lock) {
    // Closing the last descriptor of the description releases its lock.
    HeldLock* const held = static_cast<HeldLock*>(lock);
    const int closed = close(held->Descriptor);
    std::free(held);
    return closed == 0 ? 1 : Fail(errno);
}

int ShareLock(void* lock, const char* lockPath, const char* listPath) {
    const int descriptor = static_cast<HeldLock*>(lock)->Descriptor;
    struct stat list;
    struct stat own;
    if (stat(listPath, &list) != 0 || !S_ISREG(list.st_mode)) return 1;
    if (fstat(descriptor, &own) != 0) return Fail(errno);
    // Only the empty lock file this user owns that the path itself names: a
    // link or a second name put there by another user changes nothing.
    if (!S_ISREG(own.st_mode) || own.st_uid != geteuid() || own.st_nlink != 1 || own.st_size != 0 ||
        !StillNamed(lockPath, descriptor, false)) {
        return 1;
    }
    TakeOwners(descriptor, own, list);
    // Whoever may write the list may open the lock file for reading and
    // writing, which a lock needs; the owner always may.
    const mode_t mode = (list.st_mode & 0666) | ((list.st_mode & 0222) << 1) | 0600;
    if ((own.st_mode & 07777) != mode && fchmod(descriptor, mode) != 0) return Fail(errno);
    return 1;
}

int RemoveLock(void* lock, const char* lockPath) {
    const HeldLock* const held = static_cast<HeldLock*>(lock);
    if (!held->Made || !StillNamed(lockPath, held->Descriptor, false)) return 1;
    return unlink(lockPath) == 0 ? 1 : Fail(errno);
}

}  // namespace

void DescribeSystemError(long code, char* out, std::size_t size) {
    if (size == 0) return;
    const char* text = std::strerror(static_cast<int>(code));
    std::strncpy(out, text ? text : "unknown error", size - 1);
    out[size - 1] = '\0';
}

ListFileOps DefaultListFileOps() {
    return ListFileOps{&OpenFile, &Probe,   &ReadOnly, &Size,   &Read,    &Write,     &Sync,    &Truncate,
                       &Close,    &Replace, &Rename,   &Remove, &Resolve, &LinkCount, &TryLock, &Unlock,
                       &Pause,    &ShareLock, &RemoveLock};
}
