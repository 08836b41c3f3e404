#include "side_paths.h"

#include <cstdlib>
#include <cstring>

#include "list_files.h"

namespace {

// Where the file name in a path begins: after the last "/" or "\" (or a
// drive's ":").
std::size_t FileNameOffset(const char* path) {
    std::size_t offset = 0;
    for (std::size_t i = 0; path[i] != '\0'; ++i) {
        if (path[i] == '/' || path[i] == '\\' || path[i] == ':') offset = i + 1;
    }
    return offset;
}

// The side files' prefixes and extensions, in the order of ListPaths after Real.
constexpr struct {
    const char* Prefix;
    const char* Extension;
} kSides[] = {{"", ".lck"}, {"~", ".tm"}, {"~", ".bk"}, {"~", ".dm"}};
constexpr std::size_t kSideCount = sizeof kSides / sizeof kSides[0];

}  // namespace

bool ResolveListPaths(ListFiles* files, const char* listPath) {
    ListPaths& paths = files->Paths;
    FreeListPaths(&paths);
    if (listPath[FileNameOffset(listPath)] == '\0') return files->Fail(kFileErrorIsFolder);
    // A symbolic link stays a link: the side files are made, and the list is
    // replaced, where the list really lives.
    char* real = nullptr;
    if (!files->Did(g_ListFileOps.Resolve(listPath, &real))) return false;
    const std::size_t length = std::strlen(real);
    const std::size_t nameOffset = FileNameOffset(real);
    // The name without its extension; a name that is all extension (".ini")
    // or has none keeps all of itself, and so does a ".lck" name.
    const char* const dot = std::strrchr(real + nameOffset + 1, '.');
    std::size_t stem = dot ? static_cast<std::size_t>(dot - real) : length;
    if (std::strcmp(real + stem, kSides[0].Extension) == 0) stem = length;
    // Room for the real path and each side path ("~" and ".lck" at most).
    char* const block = static_cast<char*>(std::malloc(length + 1 + kSideCount * (stem + 6)));
    if (!block) {
        std::free(real);
        return files->Fail(kFileErrorNoMemory);
    }
    std::memcpy(block, real, length + 1);
    std::free(real);
    char* at = block + length + 1;
    char** const sides[] = {&paths.Lock, &paths.Temp, &paths.Backup, &paths.Aside};
    for (std::size_t i = 0; i < kSideCount; ++i) {
        // The folder, the prefix, the stem and the extension.
        *sides[i] = at;
        std::memcpy(at, block, nameOffset);
        at += nameOffset;
        at = std::strcpy(at, kSides[i].Prefix) + std::strlen(kSides[i].Prefix);
        std::memcpy(at, block + nameOffset, stem - nameOffset);
        at += stem - nameOffset;
        at = std::strcpy(at, kSides[i].Extension) + std::strlen(kSides[i].Extension) + 1;
    }
    paths.Real = block;
    return true;
}

void FreeListPaths(ListPaths* paths) {
    std::free(paths->Real);
    *paths = ListPaths{};
}
