#include "read_list.h"

#include "errors.h"

std::uint64_t MaxListSize() {
    // A 32-bit program holds the list, its index and the new list's buffers
    // in at most 2 to 4 GiB of address space.
    return sizeof(void*) < 8 ? std::uint64_t{512} << 20 : kMaxListFileSize;
}

std::string TooLargeMessage(const std::string& path) {
    // The file's size as it is now: the reading that refused it keeps none.
    std::uint64_t size = 0;
    ListFile* file = nullptr;
    if (g_ListFileOps.Open(path.c_str(), kOpenRead, &file)) {
        if (!g_ListFileOps.Size(file, &size)) size = 0;
        g_ListFileOps.Close(file);
    }
    const std::string limit = "zelq-list reads lists of at most " + SizeText(MaxListSize());
    return size > MaxListSize() ? path + " is " + SizeText(size) + "; " + limit : path + " is too large; " + limit;
}

bool ReadList(const std::string& path, bool mayBeMissing, ListIndex* index, std::string* error) {
    EmptyListIndex(index);
    PathKind kind;
    if (mayBeMissing && g_ListFileOps.Probe(path.c_str(), &kind) && kind == kPathMissing) return true;
    if (ReadListIndex(path.c_str(), MaxListSize(), index)) return true;
    switch (g_LastFileError.Kind) {
    case kFileErrorTooLarge:
        *error = TooLargeMessage(path);
        break;
    case kFileErrorNoMemory:
        *error = "not enough memory to read " + path;
        break;
    default:
        *error = CannotReadMessage(path);
        break;
    }
    return false;
}

int ReadListForCommand(const ListOptions& options, CodePage* page, ListIndex* index, std::ostream& err) {
    EmptyListIndex(index);
    std::string error;
    if (LoadCodePage(options.CodePage, page, &error) && ReadList(options.ListPath, false, index, &error)) return kExitOk;
    ReportError(err, error);
    return kExitError;
}

std::vector<std::uint32_t> LineNumbers(const ListIndex& index) {
    std::vector<std::uint32_t> numbers(index.LineCount + 1);
    NumberIndexLines(index, numbers.data());
    return numbers;
}
