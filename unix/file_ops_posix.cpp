// The list's file operations on POSIX systems: plain file descriptors, fsync
// for the disk (and of the folder for its names), rename for the replace,
// and an open file description lock for the list's lock.
//
// A folder that anyone may write and whose sticky bit is set (/tmp, a shared
// folder) lets every user put links in it. A link there is followed only as
// Linux's protected-symlinks rule allows, whatever the host's settings: when
// this user or the folder's owner owns it. The side files and the lock file
// are opened without following links at all.
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
#include <string>

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
    {ELOOP, kFileErrorDenied},    {EBUSY, kFileErrorInUse},       {ETXTBSY, kFileErrorInUse},
    {ENOSPC, kFileErrorDiskFull}, {EDQUOT, kFileErrorDiskFull},   {EFBIG, kFileErrorDiskFull},
    {ENAMETOOLONG, kFileErrorPathTooLong}, {ENOMEM, kFileErrorNoMemory},
};

FileError Fail(int error) {
    for (const auto& known : kErrorKinds) {
        if (known.Error == error) return FileError{known.Kind, error, false};
    }
    return FileError{kFileErrorOther, error, false};
}

constexpr FileError kDone{};

// The folder that holds a path ("." for a bare name).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

// Whether the folder that would hold a path exists.
bool FolderExists(const char* path) {
    struct stat status;
    return stat(FolderOf(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A file that is not there because its folder is not there says so.
FileError FailOpen(const char* path, int error) { return Fail(error == ENOENT && !FolderExists(path) ? ENOTDIR : error); }

// Whether the link at `path` (`link` its lstat) may be followed: outside a
// sticky folder that anyone may write, or owned by this user or by the
// folder's owner. EACCES when not, as the kernel's rule answers.
int Followable(const std::string& path, const struct stat& link) {
    struct stat folder;
    if (stat(FolderOf(path).c_str(), &folder) != 0) return errno;
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || link.st_uid == geteuid() || link.st_uid == folder.st_uid ? 0 : EACCES;
}

FileError OpenFile(const char* path, FileOpenMode mode, ListFile** file) {
    *file = nullptr;
    // The list is opened through its resolved path, never through a link; a
    // file that is read may be named through one that may be followed.
    int flags = O_RDONLY;
    struct stat link;
    if (mode != kOpenRead) {
        flags = (mode == kOpenAppend ? O_WRONLY | O_APPEND : O_WRONLY) | O_NOFOLLOW;
    } else if (lstat(path, &link) == 0 && S_ISLNK(link.st_mode) && Followable(path, link) != 0) {
        return Fail(EACCES);
    }
    const int descriptor = open(path, flags | O_CLOEXEC);
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
    return kDone;
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

// A new file, never through a link. One made like the list is made with no
// more than its owner's permissions, then given the list's group (and its
// owner, for root) and permission bits before a byte is written: whoever
// could write the list still can, and no one else sees the new file.
FileError Create(const char* path, const char* like, ListFile** file) {
    *file = nullptr;
    struct stat model;
    if (like && stat(like, &model) != 0) return Fail(errno);
    const mode_t mode = like ? model.st_mode & 0600 : 0666;
    const int descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (descriptor < 0) return FailOpen(path, errno);
    struct stat own;
    if (like && fstat(descriptor, &own) == 0) {
        TakeOwners(descriptor, own, model);
        fchmod(descriptor, model.st_mode & 07777);
    }
    *file = AsFile(descriptor);
    return kDone;
}

FileError Probe(const char* path, PathKind* kind) {
    struct stat status;
    if (stat(path, &status) == 0) {
        *kind = S_ISDIR(status.st_mode)                              ? kPathFolder
                : S_ISFIFO(status.st_mode)                           ? kPathPipe
                : S_ISSOCK(status.st_mode)                           ? kPathSocket
                : S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) ? kPathDevice
                                                                     : kPathFile;
        return kDone;
    }
    const int error = errno;
    if (error != ENOENT) return Fail(error);
    // A link whose target is gone is a file that is not there.
    if (!FolderExists(path)) return Fail(ENOTDIR);
    *kind = kPathMissing;
    return kDone;
}

FileError ReadOnly(const char* path, bool* readOnly) {
    struct stat status;
    if (stat(path, &status) != 0) return Fail(errno);
    // No write permission for anyone is the mode Windows calls read-only,
    // which binds even its administrators; root would pass access().
    *readOnly = (status.st_mode & 0222) == 0 || access(path, W_OK) != 0;
    return kDone;
}

FileError Size(ListFile* file, std::uint64_t* size) {
    struct stat status;
    if (fstat(Descriptor(file), &status) != 0) return Fail(errno);
    if (status.st_size < 0) return Fail(EINVAL);
    *size = static_cast<std::uint64_t>(status.st_size);
    return kDone;
}

FileError Read(ListFile* file, void* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    if (size > SSIZE_MAX) size = SSIZE_MAX;
    for (;;) {
        const ssize_t count = read(Descriptor(file), buffer, size);
        if (count >= 0) {
            *got = static_cast<std::size_t>(count);
            return kDone;
        }
        if (errno != EINTR) return Fail(errno);
    }
}

FileError Write(ListFile* file, const void* data, std::size_t size) {
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
    return kDone;
}

// fsync's answer: EINVAL and ENOTSUP from a file (or folder) that does not
// support synchronisation.
FileError Synced(int descriptor) {
    if (fsync(descriptor) == 0) return kDone;
    if (errno == EINVAL || errno == ENOTSUP) return FileError{kFileErrorNotSupported, errno, false};
    return Fail(errno);
}

FileError Sync(ListFile* file) { return Synced(Descriptor(file)); }

// The names given and taken in a folder reach the disk with the folder.
FileError SyncNames(const char* path) {
    const int descriptor = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return Fail(errno);
    const FileError answer = Synced(descriptor);
    close(descriptor);
    return answer;
}

FileError Truncate(ListFile* file, std::uint64_t size) {
    return ftruncate(Descriptor(file), static_cast<off_t>(size)) == 0 ? kDone : Fail(errno);
}

FileError Close(ListFile* file) { return close(Descriptor(file)) == 0 ? kDone : Fail(errno); }

// A rename here is one step: the list is the old file or the new one at
// every moment, so no backup is needed, and none is made.
FileError Replace(const char* from, const char* to, const char*) {
    return std::rename(from, to) == 0 ? kDone : Fail(errno);
}

FileError Rename(const char* from, const char* to) {
    // A second name, then the first one gone: `to` is never overwritten.
    // A file system without links (FAT) refuses the first step.
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return kDone;
    if (errno != EINVAL && errno != ENOSYS) return Fail(errno);
    if (link(from, to) != 0) return Fail(errno);
    unlink(from);
    return kDone;
}

FileError Remove(const char* path) { return unlink(path) == 0 ? kDone : Fail(errno); }

FileError Identify(const char* path, FileIdentity* identity) {
    struct stat status;
    if (stat(path, &status) != 0) return Fail(errno);
    *identity = FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                             static_cast<unsigned>(status.st_nlink)};
    return kDone;
}

// The path with every link in it followed (those of its folders too), each
// as the protected-symlinks rule allows; a path without links stays as it was
// given. A missing last part is kept as it is: the list may not exist yet.
FileError Resolve(const char* path, char** real) {
    std::string resolved = path[0] == '/' ? "/" : "";
    std::string pending = path;
    int links = 0;
    while (!pending.empty()) {
        const std::size_t slash = pending.find('/');
        const std::string part = pending.substr(0, slash);
        pending = slash == std::string::npos ? "" : pending.substr(slash + 1);
        // What is resolved so far holds no link, so ".." after it is the
        // folder above, as the system reads it.
        if (part.empty() || part == ".") continue;
        const std::string candidate = resolved.empty() ? part : resolved + (resolved == "/" ? "" : "/") + part;
        struct stat status;
        if (lstat(candidate.c_str(), &status) != 0) {
            // A missing last part is the list's own name, which may not exist yet.
            if (errno != ENOENT || !pending.empty()) return Fail(errno == ENOENT ? ENOTDIR : errno);
            resolved = candidate;
            continue;
        }
        if (!S_ISLNK(status.st_mode)) {
            resolved = candidate;
            continue;
        }
        if (++links > 40) return Fail(ELOOP);
        const int refused = Followable(candidate, status);
        if (refused != 0) return Fail(refused);
        char target[PATH_MAX];
        const ssize_t length = readlink(candidate.c_str(), target, sizeof target - 1);
        if (length < 0) return Fail(errno);
        target[length] = '\0';
        if (target[0] == '/') resolved = "/";
        pending = std::string(target) + (pending.empty() ? "" : "/" + pending);
    }
    *real = strdup(resolved.empty() ? "." : resolved.c_str());
    return *real ? kDone : Fail(ENOMEM);
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

// Opens the lock file for reading and writing, never through a link: the one
// there, or a new one when there is none. A lock file another user made is
// opened without O_CREAT, which Linux's protected-regular-files rule refuses
// in a shared folder. Read and write: a write lock needs both, and a lock
// file this user cannot open so is an error, never a weaker lock.
int OpenLockFile(const char* path, bool* made) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        *made = false;
        int descriptor = open(path, O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (descriptor >= 0 || errno != ENOENT) return descriptor;
        descriptor = open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        *made = descriptor >= 0;
        if (descriptor >= 0 || errno != EEXIST) return descriptor;
    }
    return -1;
}

// Whether `path` still names the file open as `descriptor`: a writer that
// held its lock may have removed it (RemoveLock). A path that cannot be
// looked at for another reason is taken to.
bool StillNamed(const char* path, int descriptor) {
    struct stat opened;
    struct stat named;
    if (fstat(descriptor, &opened) != 0) return true;
    if (opened.st_nlink == 0) return false;
    if (lstat(path, &named) != 0) return errno != ENOENT;
    return named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

FileError TryLock(const char* path, void** lock) {
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
        if (descriptor < 0) return Fail(errno == EEXIST ? EBUSY : errno);
        while (fcntl(descriptor, F_OFD_SETLK, &range) != 0) {
            const int error = errno;
            if (error == EINTR) continue;
            close(descriptor);
            if (error != EAGAIN && error != EACCES) return Fail(error);
            return FileError{kFileErrorLockBusy, 0, false};
        }
        if (StillNamed(path, descriptor)) {
            HeldLock* const held = static_cast<HeldLock*>(std::malloc(sizeof(HeldLock)));
            if (!held) {
                close(descriptor);
                return Fail(ENOMEM);
            }
            *held = HeldLock{descriptor, made};
            *lock = held;
            return kDone;
        }
        close(descriptor);
    }
    return FileError{kFileErrorLockBusy, 0, false};
}

FileError Unlock(void* lock) {
    // Closing the last descriptor of the description releases its lock.
    HeldLock* const held = static_cast<HeldLock*>(lock);
    const int closed = close(held->Descriptor);
    std::free(held);
    return closed == 0 ? kDone : Fail(errno);
}

FileError ShareLock(void* lock, const char* lockPath, const char* listPath) {
    const int descriptor = static_cast<HeldLock*>(lock)->Descriptor;
    struct stat list;
    struct stat own;
    if (stat(listPath, &list) != 0 || !S_ISREG(list.st_mode)) return kDone;
    if (fstat(descriptor, &own) != 0) return Fail(errno);
    // Only the empty lock file this user owns that the path itself names: a
    // link or a second name put there by another user changes nothing.
    if (!S_ISREG(own.st_mode) || own.st_uid != geteuid() || own.st_nlink != 1 || own.st_size != 0 ||
        !StillNamed(lockPath, descriptor)) {
        return kDone;
    }
    TakeOwners(descriptor, own, list);
    // Whoever may write the list may open the lock file for reading and
    // writing, which a lock needs; the owner always may.
    const mode_t mode = (list.st_mode & 0666) | ((list.st_mode & 0222) << 1) | 0600;
    if ((own.st_mode & 07777) != mode && fchmod(descriptor, mode) != 0) return Fail(errno);
    return kDone;
}

FileError RemoveLock(void* lock, const char* lockPath) {
    const HeldLock* const held = static_cast<HeldLock*>(lock);
    if (!held->Made || !StillNamed(lockPath, held->Descriptor)) return kDone;
    return unlink(lockPath) == 0 ? kDone : Fail(errno);
}

}  // namespace

void DescribeSystemError(long code, char* out, std::size_t size) {
    if (size == 0) return;
    const char* text = std::strerror(static_cast<int>(code));
    std::strncpy(out, text ? text : "unknown error", size - 1);
    out[size - 1] = '\0';
}

ListFileOps DefaultListFileOps() {
    return ListFileOps{&OpenFile, &Create,  &Probe,  &ReadOnly, &Size,     &Read,    &Write,
                       &Sync,     &SyncNames, &Truncate, &Close, &Replace, &Rename,  &Remove,
                       &Resolve,  &Identify, &TryLock, &Unlock, &Pause,    &ShareLock, &RemoveLock};
}
