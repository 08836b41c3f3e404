// The list's file operations on Windows: the system's own file handles,
// opened with the wide functions (paths arrive as UTF-8), so any folder name
// Windows allows works. Data files are opened sharing read, write and delete,
// so the plug-in never stands in another program's way.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <initializer_list>

#include "channel_list/file_ops.h"

namespace {

// The longest path handled, in UTF-16 units with the NUL: the classic limit.
constexpr int kWidePathSize = MAX_PATH;

ListFile* AsFile(HANDLE handle) { return reinterpret_cast<ListFile*>(handle); }
HANDLE Handle(ListFile* file) { return reinterpret_cast<HANDLE>(file); }

// What each error means to the list code, and whether it may pass when the
// operation is tried again; any other is kFileErrorOther.
constexpr struct {
    DWORD Error;
    FileErrorKind Kind;
    bool MayPass;
} kErrorKinds[] = {
    {ERROR_FILE_NOT_FOUND, kFileErrorNotFound, false},
    {ERROR_PATH_NOT_FOUND, kFileErrorNoFolder, false},
    {ERROR_BAD_NETPATH, kFileErrorNoFolder, false},
    {ERROR_BAD_NET_NAME, kFileErrorNoFolder, false},
    {ERROR_DIRECTORY, kFileErrorIsFolder, false},
    // Also what a file being deleted, or held by a scanner, answers.
    {ERROR_ACCESS_DENIED, kFileErrorDenied, true},
    {ERROR_WRITE_PROTECT, kFileErrorDenied, false},
    {ERROR_SHARING_VIOLATION, kFileErrorInUse, true},
    {ERROR_LOCK_VIOLATION, kFileErrorInUse, true},
    {ERROR_DISK_FULL, kFileErrorDiskFull, false},
    {ERROR_HANDLE_DISK_FULL, kFileErrorDiskFull, false},
    {ERROR_FILENAME_EXCED_RANGE, kFileErrorPathTooLong, false},
    {ERROR_NOT_ENOUGH_MEMORY, kFileErrorNoMemory, false},
    {ERROR_OUTOFMEMORY, kFileErrorNoMemory, false},
};

FileError Fail(DWORD error) {
    for (const auto& known : kErrorKinds) {
        if (known.Error == error) return FileError{known.Kind, static_cast<long>(error), known.MayPass};
    }
    return FileError{kFileErrorOther, static_cast<long>(error), false};
}

FileError FailLast() { return Fail(GetLastError()); }

constexpr FileError kDone{};

// Converts a UTF-8 path; an error when it is not valid UTF-8 or does not fit.
FileError WidePath(const char* path, wchar_t (&wide)[kWidePathSize]) {
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide, kWidePathSize) > 0) return kDone;
    return Fail(GetLastError() == ERROR_INSUFFICIENT_BUFFER ? ERROR_FILENAME_EXCED_RANGE : ERROR_INVALID_NAME);
}

// The system's handle of a file or folder at a wide path, opened to look at
// it (no access to its data), sharing everything.
HANDLE OpenToLook(const wchar_t* path) {
    return CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}


// The system's handle of a file at a UTF-8 path.
FileError OpenHandle(const char* path, DWORD access, DWORD disposition, HANDLE* handle) {
    wchar_t wide[kWidePathSize];
    if (const FileError converted = WidePath(path, wide)) return converted;
    *handle = CreateFileW(wide, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (*handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A folder answers "access denied"; say what it is.
        const DWORD attributes = GetFileAttributesW(wide);
        if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return Fail(ERROR_DIRECTORY);
        }
        return Fail(error);
    }
    // Anything but a disk file (a device name, say) is not a list.
    if (GetFileType(*handle) != FILE_TYPE_DISK) {
        CloseHandle(*handle);
        return Fail(ERROR_ACCESS_DENIED);
    }
    return kDone;
}

FileError OpenFile(const char* path, FileOpenMode mode, ListFile** file) {
    *file = nullptr;
    // Append only: every write goes to the end of the file in one piece,
    // wherever another writer left it. GENERIC_WRITE for SetEndOfFile.
    const DWORD access = mode == kOpenRead     ? GENERIC_READ
                         : mode == kOpenAppend ? FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE
                                               : GENERIC_WRITE;
    HANDLE handle = INVALID_HANDLE_VALUE;
    const FileError answer = OpenHandle(path, access, OPEN_EXISTING, &handle);
    if (!answer) *file = AsFile(handle);
    return answer;
}

// New files take their folder's permissions: `like` has nothing to give.
FileError Create(const char* path, const char*, ListFile** file) {
    *file = nullptr;
    HANDLE handle = INVALID_HANDLE_VALUE;
    const FileError answer = OpenHandle(path, GENERIC_WRITE, CREATE_NEW, &handle);
    if (!answer) *file = AsFile(handle);
    return answer;
}

FileError Probe(const char* path, PathKind* kind) {
    wchar_t wide[kWidePathSize];
    if (const FileError converted = WidePath(path, wide)) return converted;
    const DWORD attributes = GetFileAttributesW(wide);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        *kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? kPathFolder : kPathFile;
        return kDone;
    }
    // Only "no such file" means there is none: a network folder that does not
    // answer for a moment, or a file being deleted, is not a missing list.
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return Fail(error);
    *kind = kPathMissing;
    return kDone;
}

FileError ReadOnly(const char* path, bool* readOnly) {
    wchar_t wide[kWidePathSize];
    if (const FileError converted = WidePath(path, wide)) return converted;
    const DWORD attributes = GetFileAttributesW(wide);
    if (attributes == INVALID_FILE_ATTRIBUTES) return FailLast();
    *readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    return kDone;
}

FileError Size(ListFile* file, std::uint64_t* size) {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(Handle(file), &value)) return FailLast();
    if (value.QuadPart < 0) return Fail(ERROR_INVALID_DATA);
    *size = static_cast<std::uint64_t>(value.QuadPart);
    return kDone;
}

FileError Read(ListFile* file, void* buffer, std::size_t size, std::size_t* got) {
    *got = 0;
    const DWORD wanted = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD count = 0;
    if (!ReadFile(Handle(file), buffer, wanted, &count, nullptr)) return FailLast();
    *got = count;
    return kDone;
}

FileError Write(ListFile* file, const void* data, std::size_t size) {
    // One call: a reader of the file sees the whole line or none of it.
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD wanted = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD count = 0;
        if (!WriteFile(Handle(file), bytes, wanted, &count, nullptr)) return FailLast();
        if (count == 0) return Fail(ERROR_DISK_FULL);
        bytes += count;
        size -= count;
    }
    return kDone;
}

// FlushFileBuffers' answer. Some network redirectors do not flush, above all
// on a handle that may only append: not supported, and nothing is known of
// the disk.
FileError Flushed(HANDLE handle) {
    if (FlushFileBuffers(handle)) return kDone;
    const DWORD error = GetLastError();
    if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) {
        return FileError{kFileErrorNotSupported, static_cast<long>(error), false};
    }
    return Fail(error);
}

FileError Sync(ListFile* file) { return Flushed(Handle(file)); }

// Windows documents no way to make a rename or a removal durable (a replace's
// REPLACEFILE_WRITE_THROUGH is documented as not supported, and
// MOVEFILE_WRITE_THROUGH covers only a move done as a copy). NTFS logs every
// change of names, and a flush of a file commits its log up to that change:
// the file at `path`, in the folder whose names changed, is flushed.
FileError SyncNames(const char* path) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (const FileError opened = OpenHandle(path, GENERIC_WRITE, OPEN_EXISTING, &handle)) return opened;
    const FileError answer = Flushed(handle);
    CloseHandle(handle);
    return answer;
}

FileError Truncate(ListFile* file, std::uint64_t size) {
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(Handle(file), offset, nullptr, FILE_BEGIN) && SetEndOfFile(Handle(file)) ? kDone
                                                                                                      : FailLast();
}

FileError Close(ListFile* file) { return CloseHandle(Handle(file)) ? kDone : FailLast(); }

// The attributes a rewritten list keeps: those a user or another program
// sets on a list and SetFileAttributesW can give the new file. A read-only
// list is never replaced. The archive attribute is always set: the content
// changed, so a backup program should take the list again.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Gives a file another name in its folder, a name that must be free.
// MOVEFILE_WRITE_THROUGH is documented to matter only where the move is done
// as a copy and a delete (across volumes): it then returns only once the copy
// is on the disk. The content's own durability comes from the flush made
// before, the name's from SyncNames after.
FileError MoveTo(const wchar_t* from, const wchar_t* to) {
    return MoveFileExW(from, to, MOVEFILE_WRITE_THROUGH) ? kDone : FailLast();
}

// Whether the list can be deleted now, as replacing it needs: another
// program may hold it open without sharing its deletion (an editor, a
// scanner for a moment). Asked before ReplaceFileW, which then fails the same
// way, because Wine's ReplaceFileW leaves a file of its own (rf*.tmp) beside
// the list in that case.
FileError MayDelete(const wchar_t* path) {
    HANDLE handle = CreateFileW(path, DELETE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return FailLast();
    CloseHandle(handle);
    return kDone;
}

// The full path of a file named relative to the current folder (as
// zelq-list names it), in UTF-16: Wine's ReplaceFileW works only with a path
// that names the folder.
FileError FullPath(const char* path, wchar_t (&full)[kWidePathSize]) {
    wchar_t wide[kWidePathSize];
    if (const FileError converted = WidePath(path, wide)) return converted;
    const DWORD length = GetFullPathNameW(wide, kWidePathSize, full, nullptr);
    if (length > 0 && length < kWidePathSize) return kDone;
    return Fail(length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
}

FileError Replace(const char* from, const char* to, const char* backup) {
    wchar_t wideFrom[kWidePathSize];
    wchar_t wideTo[kWidePathSize];
    wchar_t wideBackup[kWidePathSize];
    for (const FileError answer : {FullPath(from, wideFrom), FullPath(to, wideTo), FullPath(backup, wideBackup)}) {
        if (answer) return answer;
    }
    const DWORD attributes = GetFileAttributesW(wideTo);
    if (attributes == INVALID_FILE_ATTRIBUTES) return FailLast();
    // The new file takes the list's attributes before either way of putting
    // it in place: a rename keeps none, and Wine's ReplaceFileW does not keep
    // them either.
    if (!SetFileAttributesW(wideFrom, (attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE)) return FailLast();
    if (const FileError deletable = MayDelete(wideTo)) return deletable;
    // ReplaceFileW keeps what Windows keeps on the list itself: its
    // permissions, owner, alternate streams, compression, encryption and
    // short name. The old list goes under the backup name, so that every
    // way the replace can fail leaves it under a name the next writer looks
    // for. Information that cannot be merged (no right to set the
    // permissions, say) does not stop the rewrite: the list then fares as
    // under a rename.
    if (ReplaceFileW(wideTo, wideFrom, wideBackup, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) return kDone;
    const DWORD error = GetLastError();
    switch (error) {
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
    case ERROR_CALL_NOT_IMPLEMENTED: {
        // A file system or network redirector that does not do it: the same
        // in two renames, the old list to the backup name first.
        const FileError moved = MoveTo(wideTo, wideBackup);
        return moved ? moved : MoveTo(wideFrom, wideTo);
    }
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        // Another program holds one of the files. The list keeps its name,
        // or the old list is under the backup name (the list code looks).
        return FileError{kFileErrorInUse, static_cast<long>(error), true};
    default:
        // Both files keep their names (a list another program holds without
        // sharing its deletion answers a sharing violation).
        return Fail(error);
    }
}

FileError Rename(const char* from, const char* to) {
    wchar_t wideFrom[kWidePathSize];
    wchar_t wideTo[kWidePathSize];
    if (const FileError converted = WidePath(from, wideFrom)) return converted;
    if (const FileError converted = WidePath(to, wideTo)) return converted;
    return MoveTo(wideFrom, wideTo);
}

FileError Remove(const char* path) {
    wchar_t wide[kWidePathSize];
    if (const FileError converted = WidePath(path, wide)) return converted;
    return DeleteFileW(wide) ? kDone : FailLast();
}

typedef DWORD(WINAPI* FinalPathFunction)(HANDLE, LPWSTR, DWORD, DWORD);

// The path of the file at `full` (a full path) with every symbolic link and
// junction on the way followed, in its plain form ("C:\..." or
// "\\server\..."), UTF-8, found through the file, or through its folder
// `open` and its `name` when it does not exist yet. `given` itself where that
// is the same path (no link on the way, no short name). Windows before Vista
// has neither links nor the function that follows them: there, `given`.
// Fixed buffers only: the plug-in takes its memory with malloc alone.
FileError FinalPath(const char* given, const wchar_t* full, const wchar_t* open, const wchar_t* name, char** real) {
    const FinalPathFunction finalPath = reinterpret_cast<FinalPathFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
    constexpr DWORD kTargetSize = 2 * kWidePathSize;
    wchar_t target[kTargetSize] = L"";
    wchar_t* plain = target;
    if (finalPath) {
        HANDLE handle = OpenToLook(open);
        if (handle == INVALID_HANDLE_VALUE) return FailLast();
        // FILE_NAME_NORMALIZED | VOLUME_NAME_DOS: "\\?\C:\..." or "\\?\UNC\server\...".
        const DWORD length = finalPath(handle, target, kWidePathSize + 8, 0);
        const DWORD error = GetLastError();
        CloseHandle(handle);
        if (length == 0) return Fail(error);
        if (length >= kWidePathSize + 8) return Fail(ERROR_FILENAME_EXCED_RANGE);
        if (std::wcsncmp(target, L"\\\\?\\UNC\\", 8) == 0) {
            plain = target + 6;
            plain[0] = L'\\';
        } else if (std::wcsncmp(target, L"\\\\?\\", 4) == 0) {
            plain = target + 4;
        }
        // With the name of a file that does not exist yet after its folder.
        const std::size_t folder = std::wcslen(plain);
        if (name && folder + 1 + std::wcslen(name) >= kWidePathSize) return Fail(ERROR_FILENAME_EXCED_RANGE);
        if (name && folder > 0 && plain[folder - 1] != L'\\') std::wcscat(plain, L"\\");
        if (name) std::wcscat(plain, name);
    }
    const char* const path = plain[0] == L'\0' || lstrcmpiW(plain, full) == 0 ? given : nullptr;
    // It must fit as the list's own path does.
    if (!path && std::wcslen(plain) >= static_cast<std::size_t>(kWidePathSize)) return Fail(ERROR_FILENAME_EXCED_RANGE);
    const int size = path ? static_cast<int>(std::strlen(path)) + 1
                          : WideCharToMultiByte(CP_UTF8, 0, plain, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return FailLast();
    *real = static_cast<char*>(std::malloc(static_cast<std::size_t>(size)));
    if (!*real) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    if (path) std::memcpy(*real, path, static_cast<std::size_t>(size));
    if (!path) WideCharToMultiByte(CP_UTF8, 0, plain, -1, *real, size, nullptr, nullptr);
    return kDone;
}

FileError Resolve(const char* path, char** real) {
    wchar_t full[kWidePathSize];
    if (const FileError converted = FullPath(path, full)) return converted;
    if (GetFileAttributesW(full) != INVALID_FILE_ATTRIBUTES) return FinalPath(path, full, full, nullptr, real);
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return FailLast();
    // A list not made yet: found through its folder ("C:\" at a drive's root).
    wchar_t folder[kWidePathSize];
    std::wcscpy(folder, full);
    wchar_t* const name = std::wcsrchr(folder, L'\\');
    if (!name) return Fail(ERROR_INVALID_NAME);
    name[name > folder && name[-1] == L':' ? 1 : 0] = L'\0';
    return FinalPath(path, full, folder, std::wcsrchr(full, L'\\') + 1, real);
}

FileError Identify(const char* path, FileIdentity* identity) {
    wchar_t wide[kWidePathSize];
    if (const FileError converted = WidePath(path, wide)) return converted;
    HANDLE handle = OpenToLook(wide);
    if (handle == INVALID_HANDLE_VALUE) return FailLast();
    BY_HANDLE_FILE_INFORMATION information;
    const BOOL told = GetFileInformationByHandle(handle, &information);
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (!told) return Fail(error);
    *identity = FileIdentity{information.dwVolumeSerialNumber,
                             (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow,
                             information.nNumberOfLinks};
    return kDone;
}

unsigned Pause(unsigned milliseconds) {
    const DWORD start = GetTickCount();
    Sleep(milliseconds);
    const DWORD waited = GetTickCount() - start;
    return waited > milliseconds ? waited : milliseconds;
}

// Opens the lock file: read and write access, or read alone when the file was
// made by an account that lets this one only read it (LockFileEx needs no
// more). No delete sharing: the file cannot vanish while anyone holds it.
HANDLE OpenLockFile(const wchar_t* path) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE handle = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, kShare, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        handle = CreateFileW(path, GENERIC_READ, kShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_SHARING_VIOLATION) {
            SetLastError(ERROR_ACCESS_DENIED);
        }
    }
    return handle;
}

FileError TryLock(const char* path, void** lock) {
    wchar_t wide[kWidePathSize];
    if (const FileError converted = WidePath(path, wide)) return converted;
    // A byte range lock belongs to the handle: every other opener of the lock
    // file, in this process or another, waits for it. A program that holds
    // the file itself open without sharing (a scanner) is waited for too.
    constexpr FileError kBusy{kFileErrorLockBusy, 0, false};
    HANDLE handle = OpenLockFile(wide);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION ? kBusy : FailLast();
    OVERLAPPED at = {};
    if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        *lock = handle;
        return kDone;
    }
    const DWORD error = GetLastError();
    CloseHandle(handle);
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? kBusy : Fail(error);
}

FileError Unlock(void* lock) {
    HANDLE handle = static_cast<HANDLE>(lock);
    OVERLAPPED at = {};
    UnlockFileEx(handle, 0, 1, 0, &at);
    return CloseHandle(handle) ? kDone : FailLast();
}

}  // namespace

void DescribeSystemError(long code, char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length > 0 && text) {
        // One line, without the full stop and line break the system ends with.
        DWORD end = length;
        while (end > 0 && (text[end - 1] == L'\r' || text[end - 1] == L'\n' || text[end - 1] == L' ' ||
                           text[end - 1] == L'.')) {
            --end;
        }
        for (DWORD i = 0; i < end; ++i) {
            if (text[i] == L'\r' || text[i] == L'\n') text[i] = L' ';
        }
        const int written =
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(end), out, static_cast<int>(size - 1), nullptr, nullptr);
        out[written > 0 ? written : 0] = '\0';
    }
    if (text) LocalFree(text);
    if (out[0] == '\0') {
        std::snprintf(out, size, "error %lu", static_cast<unsigned long>(code));
    }
}

ListFileOps DefaultListFileOps() {
    return ListFileOps{&OpenFile, &Create,  &Probe,  &ReadOnly, &Size,     &Read,    &Write,
                       &Sync,     &SyncNames, &Truncate, &Close, &Replace, &Rename,  &Remove,
                       &Resolve,  &Identify, &TryLock, &Unlock, &Pause};
}
