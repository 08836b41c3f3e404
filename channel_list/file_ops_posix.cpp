// The list's file operations on POSIX systems: the C library's streams, with
// fsync for the disk, rename for the replace and flock for the lock.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "list_file.h"

namespace {

int OpenFile(const char* path, FileOpenMode mode, std::FILE** file) {
    *file = nullptr;
    int descriptor = -1;
    const char* streamMode = "rb";
    switch (mode) {
    case kOpenRead:
        descriptor = open(path, O_RDONLY | O_CLOEXEC);
        break;
    case kOpenAppend:
        descriptor = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        streamMode = "ab";
        break;
    case kOpenCreateNew:
        descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        streamMode = "wb";
        break;
    }
    if (descriptor < 0) return 0;
    struct stat status;
    // A folder opens for reading on POSIX; it is not a list.
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        close(descriptor);
        return 0;
    }
    std::FILE* stream = fdopen(descriptor, streamMode);
    if (!stream) {
        close(descriptor);
        return 0;
    }
    // The add's one line goes out in one write, or not at all.
    if (mode == kOpenAppend) std::setvbuf(stream, nullptr, _IONBF, 0);
    *file = stream;
    return 1;
}

int Exists(const char* path) {
    struct stat status;
    return lstat(path, &status) == 0 ? 1 : 0;
}

int Size(std::FILE* file, std::uint64_t* size) {
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || status.st_size < 0) return 0;
    *size = static_cast<std::uint64_t>(status.st_size);
    return 1;
}

int Read(std::FILE* file, void* buffer, std::size_t size, std::size_t* got) {
    *got = std::fread(buffer, 1, size, file);
    return std::ferror(file) ? 0 : 1;
}

int Write(std::FILE* file, const void* data, std::size_t size) {
    return std::fwrite(data, 1, size, file) == size && !std::ferror(file) ? 1 : 0;
}

int Flush(std::FILE* file) { return std::fflush(file) == 0 && !std::ferror(file) ? 1 : 0; }

int Sync(std::FILE* file) { return fsync(fileno(file)) == 0 ? 1 : 0; }

int Truncate(std::FILE* file, std::uint64_t size) {
    return ftruncate(fileno(file), static_cast<off_t>(size)) == 0 ? 1 : 0;
}

int Close(std::FILE* file) { return std::fclose(file) == 0 ? 1 : 0; }

// The folder that holds a path, for syncing the rename to the disk.
int SyncFolderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    std::size_t length = slash ? static_cast<std::size_t>(slash - path) : 0;
    char* folder = static_cast<char*>(std::malloc(length + 2));
    if (!folder) return 0;
    if (length == 0) {
        std::strcpy(folder, slash ? "/" : ".");
    } else {
        std::memcpy(folder, path, length);
        folder[length] = '\0';
    }
    const int descriptor = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::free(folder);
    if (descriptor < 0) return 0;
    const int synced = fsync(descriptor) == 0 ? 1 : 0;
    close(descriptor);
    return synced;
}

int Replace(const char* from, const char* to) {
    // The new file takes the list's permissions, so the replace changes
    // nothing but the content.
    struct stat status;
    if (stat(to, &status) == 0) chmod(from, status.st_mode & 07777);
    if (std::rename(from, to) != 0) return 0;
    // The rename itself reaches the disk with the folder. It has happened
    // either way; a failed folder sync is not undone.
    SyncFolderOf(to);
    return 1;
}

int Remove(const char* path) { return unlink(path) == 0 ? 1 : 0; }

int Lock(const char* path, unsigned waitMs, void** lock) {
    const int descriptor = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0) return 0;
    // flock belongs to the open file, so two writers in one process exclude
    // each other as two processes do.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            *lock = reinterpret_cast<void*>(static_cast<std::intptr_t>(descriptor) + 1);
            return 1;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    close(descriptor);
    return 0;
}

int Unlock(void* lock) {
    const int descriptor = static_cast<int>(reinterpret_cast<std::intptr_t>(lock) - 1);
    flock(descriptor, LOCK_UN);
    return close(descriptor) == 0 ? 1 : 0;
}

}  // namespace

ListFileOps DefaultListFileOps() {
    return ListFileOps{&OpenFile, &Exists, &Size, &Read, &Write, &Flush, &Sync, &Truncate,
                       &Close, &Replace, &Remove, &Lock, &Unlock};
}
