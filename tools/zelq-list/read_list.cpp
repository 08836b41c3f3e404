#include "read_list.h"

#include "errors.h"

std::uint64_t MaxListSize() {
    // A 32-bit program holds the list, its index and the new list's buffers
    // in at most 2 to 4 GiB of address space.
    return sizeof(void*) < 8 ? std::uint64_t{512} << 20 : kMaxListFileSize;
}

std::string ReadFailure(const std::string& path, std::size_t size, const char* what, std::uint64_t limit) {
    switch (g_LastFileError.Kind) {
    case kFileErrorTooLarge:
        return path + " is " + SizeText(size) + "; zelq-list " + what + " of at most " + SizeText(limit);
    case kFileErrorNoMemory:
        return "not enough memory to read " + path;
    default:
        return CannotReadMessage(path);
    }
}

bool ReadListBytes(const std::string& path, FileBytes* bytes, std::string* error) {
    if (ReadListFile(path.c_str(), MaxListSize(), bytes)) return true;
    *error = ReadFailure(path, bytes->Size, "reads lists", MaxListSize());
    return false;
}

bool ReadList(const std::string& path, bool mayBeMissing, ListIndex* index, std::string* error) {
    EmptyListIndex(index);
    PathKind kind;
    if (mayBeMissing && g_ListFileOps.Probe(path.c_str(), &kind) && kind == kPathMissing) return true;
    FileBytes bytes;
    if (!ReadListBytes(path, &bytes, error)) return false;
    if (IndexListBytes(bytes, index)) return true;
    *error = ReadFailure(path, 0, "reads lists", MaxListSize());
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
