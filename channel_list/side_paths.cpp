#include "side_paths.h"

#include <cstdio>
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
    const char* const dot = std::strrchr(listPath + nameOffset + 1, '.');
    std::size_t stem = dot ? static_cast<std::size_t>(dot - listPath) : length;
    if (std::strcmp(listPath + stem, kLockExtension) == 0) stem = length;
    const std::size_t size = stem + std::strlen(prefix) + std::strlen(extension) + 1;
    char* const path = static_cast<char*>(std::malloc(size));
    if (!path) {
        SetFileError(kFileErrorNoMemory);
        return nullptr;
    }
    // The folder, the prefix, the stem and the extension.
    std::snprintf(path, size, "%.*s%s%.*s%s", static_cast<int>(nameOffset), listPath, prefix,
                  static_cast<int>(stem - nameOffset), listPath + nameOffset, extension);
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
