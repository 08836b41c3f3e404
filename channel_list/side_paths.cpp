#include "side_paths.h"

#include <cstdlib>
#include <cstring>

#include "file_ops.h"

namespace {

constexpr char kLockExtension[] = ".lck";
constexpr char kTempPrefix[] = "~";
constexpr char kTempExtension[] = ".tm";
constexpr char kBackupExtension[] = ".bk";

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

char* NewSidePath(const char* listPath, SideFile which) {
    const char* const prefix = which == kSideLock ? "" : kTempPrefix;
    const char* const extension = which == kSideLock   ? kLockExtension
                                  : which == kSideTemp ? kTempExtension
                                                       : kBackupExtension;
    const std::size_t length = std::strlen(listPath);
    const std::size_t nameOffset = FileNameOffset(listPath);
    if (length == nameOffset) {
        SetFileError(kFileErrorIsFolder);
        return nullptr;
    }
    // The name without its extension; a name that is all extension (".ini")
    // or has none keeps all of itself.
    std::size_t stem = length;
    for (std::size_t i = length; i > nameOffset + 1; --i) {
        if (listPath[i - 1] == '.') {
            stem = i - 1;
            break;
        }
    }
    if (std::strcmp(listPath + stem, kLockExtension) == 0) stem = length;
    const std::size_t prefixLength = std::strlen(prefix);
    const std::size_t extensionLength = std::strlen(extension);
    char* const path = static_cast<char*>(std::malloc(stem + prefixLength + extensionLength + 1));
    if (!path) {
        SetFileError(kFileErrorNoMemory);
        return nullptr;
    }
    char* p = path;
    std::memcpy(p, listPath, nameOffset);
    p += nameOffset;
    std::memcpy(p, prefix, prefixLength);
    p += prefixLength;
    std::memcpy(p, listPath + nameOffset, stem - nameOffset);
    p += stem - nameOffset;
    std::memcpy(p, extension, extensionLength + 1);
    return path;
}

bool ResolveListPaths(const char* listPath, ListPaths* paths) {
    *paths = ListPaths{nullptr, nullptr, nullptr};
    // A symbolic link stays a link: the side files are made, and the list is
    // replaced, where the list really lives.
    if (!g_ListFileOps.Resolve(listPath, &paths->Real)) {
        paths->Real = nullptr;
        return false;
    }
    paths->Temp = NewSidePath(paths->Real, kSideTemp);
    paths->Backup = paths->Temp ? NewSidePath(paths->Real, kSideBackup) : nullptr;
    if (paths->Backup) return true;
    FreeListPaths(paths);
    return false;
}

void FreeListPaths(ListPaths* paths) {
    std::free(paths->Real);
    std::free(paths->Temp);
    std::free(paths->Backup);
    *paths = ListPaths{nullptr, nullptr, nullptr};
}
