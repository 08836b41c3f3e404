// The list's file operations on Windows. Paths arrive as UTF-8 and are opened
// with the wide functions, so any folder name Windows allows works. Files are
// opened with CreateFileW (sharing read, write and delete, so the plug-in
// never stands in another program's way) and used as C streams.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdlib>

#include "../channel_list/list_file.h"

namespace {

// The longest path handled, in UTF-16 units with the NUL: the classic limit.
constexpr int kWidePathSize = MAX_PATH;

// Converts a UTF-8 path; false when it is not valid UTF-8 or does not fit.
bool WidePath(const char* path, wchar_t (&wide)[kWidePathSize]) {
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide, kWidePathSize);
    return length > 0;
}

HANDLE OsHandle(std::FILE* file) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))); }

int OpenFile(const char* path, FileOpenMode mode, std::FILE** file) {
    *file = nullptr;
    wchar_t wide[kWidePathSize];
    if (!WidePath(path, wide)) return 0;
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    int flags = _O_RDONLY | _O_BINARY;
    const char* streamMode = "rb";
    if (mode == kOpenAppend) {
        // A read-only list is the user's wish to keep it as it is, also where
        // the attribute is not enforced (see Replace).
        const DWORD attributes = GetFileAttributesW(wide);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return 0;
        access = GENERIC_READ | GENERIC_WRITE;  // writing, and cutting back a failed append
        disposition = OPEN_ALWAYS;
        flags = _O_WRONLY | _O_APPEND | _O_BINARY;
        streamMode = "ab";
    } else if (mode == kOpenCreateNew) {
        access = GENERIC_WRITE;
        disposition = CREATE_NEW;
        flags = _O_WRONLY | _O_BINARY;
        streamMode = "wb";
    }
    HANDLE handle = CreateFileW(wide, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    // A folder does not open this way on Windows; anything but a disk file
    // (a device name, say) is not a list either.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return 0;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (descriptor < 0) {
        CloseHandle(handle);
        return 0;
    }
    std::FILE* stream = _fdopen(descriptor, streamMode);
    if (!stream) {
        _close(descriptor);  // closes the handle too
        return 0;
    }
    // The add's one line goes out in one write, or not at all.
    if (mode == kOpenAppend) std::setvbuf(stream, nullptr, _IONBF, 0);
    *file = stream;
    return 1;
}

int Exists(const char* path) {
    wchar_t wide[kWidePathSize];
    return WidePath(path, wide) && GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int Size(std::FILE* file, std::uint64_t* size) {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(OsHandle(file), &value) || value.QuadPart < 0) return 0;
    *size = static_cast<std::uint64_t>(value.QuadPart);
    return 1;
}

int Read(std::FILE* file, void* buffer, std::size_t size, std::size_t* got) {
    *got = std::fread(buffer, 1, size, file);
    return std::ferror(file) ? 0 : 1;
}

int Write(std::FILE* file, const void* data, std::size_t size) {
    return std::fwrite(data, 1, size, file) == size && !std::ferror(file) ? 1 : 0;
}

// The C runtime's fclose may report success although its own last flush
// failed, so the flush is made and checked before.
int Flush(std::FILE* file) { return std::fflush(file) == 0 && !std::ferror(file) ? 1 : 0; }

int Sync(std::FILE* file) { return FlushFileBuffers(OsHandle(file)) ? 1 : 0; }

int Truncate(std::FILE* file, std::uint64_t size) {
    if (std::fflush(file) != 0) return 0;
    HANDLE handle = OsHandle(file);
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(handle, offset, nullptr, FILE_BEGIN) && SetEndOfFile(handle) ? 1 : 0;
}

int Close(std::FILE* file) { return std::fclose(file) == 0 ? 1 : 0; }

int Replace(const char* from, const char* to) {
    wchar_t wideFrom[kWidePathSize];
    wchar_t wideTo[kWidePathSize];
    if (!WidePath(from, wideFrom) || !WidePath(to, wideTo)) return 0;
    // A read-only list is the user's wish to keep it as it is. Windows refuses
    // to replace one anyway; the check makes that hold wherever the attribute
    // is not enforced (an administrator's emulated file system, say).
    const DWORD attributes = GetFileAttributesW(wideTo);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return 0;
    // On one volume this swaps the list in one step; write-through makes the
    // rename itself reach the disk before it returns. The new file's data
    // was flushed to the disk before.
    return MoveFileExW(wideFrom, wideTo, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

int Remove(const char* path) {
    wchar_t wide[kWidePathSize];
    return WidePath(path, wide) && DeleteFileW(wide) ? 1 : 0;
}

int Lock(const char* path, unsigned waitMs, void** lock) {
    wchar_t wide[kWidePathSize];
    if (!WidePath(path, wide)) return 0;
    // The lock file stays beside the list, empty and hidden; deleting it
    // would let two writers lock two different files of one name.
    HANDLE handle = CreateFileW(wide, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    // A byte range lock belongs to the handle: every other opener of the lock
    // file, in this process or another, waits for it.
    const DWORD start = GetTickCount();
    for (;;) {
        OVERLAPPED at;
        ZeroMemory(&at, sizeof at);
        if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            *lock = handle;
            return 1;
        }
        const DWORD error = GetLastError();
        if ((error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) || GetTickCount() - start >= waitMs) break;
        Sleep(10);
    }
    CloseHandle(handle);
    return 0;
}

int Unlock(void* lock) {
    HANDLE handle = static_cast<HANDLE>(lock);
    OVERLAPPED at;
    ZeroMemory(&at, sizeof at);
    UnlockFileEx(handle, 0, 1, 0, &at);
    return CloseHandle(handle) ? 1 : 0;
}

}  // namespace

ListFileOps DefaultListFileOps() {
    return ListFileOps{&OpenFile, &Exists, &Size, &Read, &Write, &Flush, &Sync, &Truncate,
                       &Close, &Replace, &Remove, &Lock, &Unlock};
}
