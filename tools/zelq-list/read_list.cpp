#include "read_list.h"

#include <sys/stat.h>

#include <cstdio>

#include "messages.h"
#include "utf8_text.h"

std::uint64_t MaxListSize() {
    // A 32-bit program holds the list, its index and the new list's buffers
    // in at most 2 to 4 GiB of address space.
    return sizeof(void*) < 8 ? std::uint64_t{512} << 20 : kMaxListFileSize;
}

namespace {

// "1.5 MiB", "300 MiB", "2 GiB".
std::string SizeText(unsigned long long bytes) {
    char text[32];
    const double mebibytes = static_cast<double>(bytes) / (1024.0 * 1024.0);
    if (bytes >= (1ull << 30) && bytes % (1ull << 30) == 0) {
        std::snprintf(text, sizeof text, "%llu GiB", bytes >> 30);
    } else if (mebibytes >= 100 || bytes % (1ull << 20) == 0) {
        std::snprintf(text, sizeof text, "%.0f MiB", mebibytes);
    } else {
        std::snprintf(text, sizeof text, "%.1f MiB", mebibytes);
    }
    return text;
}

// "PATH is SIZE; zelq-list WHAT of at most LIMIT", or "PATH is too large;
// ..." when the size found is not over the limit (the file shrank since).
std::string OverLimit(const std::string& path, std::uint64_t size, const char* what, std::uint64_t limit) {
    const std::string most = std::string("zelq-list ") + what + " of at most " + SizeText(limit);
    return size > limit ? path + " is " + SizeText(size) + "; " + most : path + " is too large; " + most;
}

}  // namespace

std::string TooLargeMessage(const std::string& path) {
    // The file's size as it is now: the reading that refused it keeps none.
    std::uint64_t size = 0;
    ListFile* file = nullptr;
    if (g_ListFileOps.Open(path.c_str(), kOpenRead, &file)) {
        if (!g_ListFileOps.Size(file, &size)) size = 0;
        g_ListFileOps.Close(file);
    }
    return OverLimit(path, size, "reads lists", MaxListSize());
}

std::string ReadFailure(const std::string& path, std::uint64_t size, const char* what, std::uint64_t limit) {
    switch (g_LastFileError.Kind) {
    case kFileErrorTooLarge:
        return OverLimit(path, size, what, limit);
    case kFileErrorNoMemory:
        return "not enough memory to read " + path;
    default:
        return CannotReadMessage(path);
    }
}

bool ReadList(const std::string& path, ListIndex* index, std::string* error) {
    if (ReadListIndex(path.c_str(), MaxListSize(), index)) return true;
    *error = ReadFailure(path, index->File.Size, "reads lists", MaxListSize());
    return false;
}

int ReadListForCommand(const ListOptions& options, CodePage* page, ListIndex* index, std::ostream& err) {
    EmptyListIndex(index);
    std::string error;
    if (LoadCodePage(options.CodePage, page, &error) && ReadList(options.ListPath, index, &error)) return kExitOk;
    ReportError(err, error);
    return kExitError;
}

std::vector<std::uint32_t> RowLineNumbers(const ListIndex& index) {
    std::vector<std::uint32_t> numbers(index.RowCount);
    NumberIndexRows(index, numbers.data());
    return numbers;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first;
    struct stat second;
    if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
#ifdef _WIN32
    // Windows gives no file numbers here: the paths, as Windows compares
    // them (either slash, any case), and the file's size and time.
    const auto folded = [](std::string path) {
        path = LowerAscii(path);
        for (char& c : path) c = c == '/' ? '\\' : c;
        if (path.compare(0, 2, ".\\") == 0) path.erase(0, 2);
        return path;
    };
    return folded(a) == folded(b) && first.st_size == second.st_size && first.st_mtime == second.st_mtime;
#else
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
#endif
}
