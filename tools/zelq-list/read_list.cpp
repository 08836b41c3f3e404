#include "read_list.h"

#include <cstdio>

#include "messages.h"

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

std::string ReadFailure(const std::string& path, std::uint64_t size, const FileError& error, const char* what,
                        std::uint64_t limit) {
    switch (error.Kind) {
    case kFileErrorTooLarge:
        return OverLimit(path, size, what, limit);
    case kFileErrorNoMemory:
        return "not enough memory to read " + path;
    default:
        return CannotReadMessage(path, error);
    }
}

bool ReadList(const std::string& path, ListIndex* index, std::string* error) {
    ListFiles files;
    if (ReadListIndex(&files, path.c_str(), MaxListSize(), index)) return true;
    *error = ReadFailure(path, index->File.Size, files.Error, "reads lists", MaxListSize());
    return false;
}

int ReadListForCommand(const ListOptions& options, CodePage* page, OpenedList* list, std::ostream& err) {
    std::string error;
    const char* const path = options.ListPath.c_str();
    if (!LoadCodePage(options.CodePage, page, &error)) {
        *list = OpenedList{};
    } else if (OpenListToLook(path, false, MaxListSize(), list) == kListOpened) {
        const std::string found = FoundCopyMessage(options.ListPath, *list, false);
        if (!found.empty()) ReportError(err, found);
        return kExitOk;
    } else {
        error = ReadFailure(options.ListPath, list->Index.File.Size, list->Files.Error, "reads lists", MaxListSize());
    }
    ReportError(err, error);
    return kExitError;
}

std::vector<std::uint32_t> RowLineNumbers(const ListIndex& index) {
    std::vector<std::uint32_t> numbers(index.RowCount);
    NumberIndexRows(index, numbers.data());
    return numbers;
}

bool SameFile(const std::string& a, const std::string& b) {
    FileIdentity first;
    FileIdentity second;
    return !g_ListFileOps.Identify(a.c_str(), &first) &&
           !g_ListFileOps.Identify(b.c_str(), &second) && first.Volume == second.Volume &&
           first.Number == second.Number;
}
