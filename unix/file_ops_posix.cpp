// The list's file operations on POSIX systems: plain file descriptors, fsync
// for the disk, rename for the replace, and an open file description lock
// for the list's lock.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

// Records errno as the last failure; returns 0 for the caller to return.
int Fail(int error) {
    FileErrorKind kind = kFileErrorOther;
    switch (error) {
    case ENOENT:
        kind = kFileErrorNotFound;
        break;
    case ENOTDIR:
        kind = kFileErrorNoFolder;
        break;
    case EISDIR:
        kind = kFileErrorIsFolder;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        kind = kFileErrorDenied;
        break;
    case EBUSY:
    case ETXTBSY:
        kind = kFileErrorInUse;
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        kind = kFileErrorDiskFull;
        break;
    case ENAMETOOLONG:
        kind = kFileErrorPathTooLong;
        break;
    case ENOMEM:
        kind = kFileErrorNoMemory;
        break;
    default:
        break;
    }
    SetFileError(kind, error);
    return 0;
}


// The folder that holds a path, as a new string ("." for a bare name).
char* FolderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const std::size_t length = slash ? static_cast<std::size_t>(slash - path) : 0;
    char* folder = static_cast<char*>(std::malloc(length + 2));
    if (!folder) return nullptr;
    if (length == 0) {
        std::strcpy(folder, slash ? "/" : ".");
    } else {
        std::memcpy(folder, path, length);
        folder[length] = '\0';
    }
    return folder;
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

int Replace(const char* from, const char* to) {
    // The new file takes the list's permissions, so the replace changes
    // nothing but the content.
    struct stat status;
    if (stat(to, &status) == 0) chmod(from, status.st_mode & 07777);
    if (std::rename(from, to) != 0) return Fail(errno);
    // The rename itself reaches the disk with the folder. It has happened
    // either way; a failed folder sync is not undone.
    SyncFolderOf(to);
    return 1;
}

int Remove(const char* path) { return unlink(path) == 0 ? 1 : Fail(errno); }

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

void Pause(unsigned milliseconds) {
    struct timespec wait;
    wait.tv_sec = static_cast<time_t>(milliseconds / 1000);
    wait.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

int Lock(const char* path, unsigned waitMs, void** lock) {
    // Read and write: a write lock needs both, and a lock file this user
    // cannot open so is an error, never a weaker lock.
    const int descriptor = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0) return Fail(errno);
    // A lock of the open file description on byte 0: it excludes every other
    // open of the lock file, in this process or another, and the record locks
    // Wine takes for a Windows program's LockFileEx on the same byte.
    struct flock range;
    std::memset(&range, 0, sizeof range);
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = 1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (fcntl(descriptor, F_OFD_SETLK, &range) == 0) {
            *lock = AsFile(descriptor);
            return 1;
        }
        const int error = errno;
        if (error != EAGAIN && error != EACCES && error != EINTR) {
            close(descriptor);
            return Fail(error);
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        Pause(10);
    }
    close(descriptor);
    SetFileError(kFileErrorLockBusy);
    return 0;
}

int Unlock(void* lock) {
    // Closing the last descriptor of the description releases its lock.
    return close(Descriptor(static_cast<ListFile*>(lock))) == 0 ? 1 : Fail(errno);
}

}  // namespace

void DescribeSystemError(long code, char* out, std::size_t size) {
    if (size == 0) return;
    const char* text = std::strerror(static_cast<int>(code));
    std::strncpy(out, text ? text : "unknown error", size - 1);
    out[size - 1] = '\0';
}

ListFileOps DefaultListFileOps() {
    return ListFileOps{&OpenFile, &Probe,   &ReadOnly, &Size, &Read,   &Write, &Sync,
                       &Truncate, &Close,   &Replace,  &Remove, &Resolve, &Lock, &Unlock, &Pause};
}
