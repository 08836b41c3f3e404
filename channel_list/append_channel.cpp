#include "append_channel.h"

#include <cstddef>

#include "entry_code.h"
#include "list_index.h"
#include "list_open.h"

namespace {

// Appends the line to the list, which held `listSize` bytes when it was read
// under the lock (`existed`), or did not exist. The line goes out in one
// write and reaches the disk before this returns true (a file system that
// does not flush leaves it Unconfirmed). On any failure the
// list is cut back to that size, or, when this very add created it, removed
// again: neither a torn line nor one the user was not told of stays behind,
// and a list the add did not create is never removed.
bool AppendLine(ListFiles* files, const char* line, std::size_t length, std::uint64_t listSize, bool existed) {
    const char* const path = files->Paths.Real;
    ListFile* file = nullptr;
    const bool opened = existed ? files->OpenToChange(path, kOpenAppend, &file) : files->Did(g_ListFileOps.Create(path, nullptr, &file));
    if (!opened) return false;
    bool written = files->Did(g_ListFileOps.Write(file, line, length)) && files->Sync(file);
    if (!files->Did(g_ListFileOps.Close(file))) written = false;
    // A list made here has a new name, which must reach the disk too.
    if (written && !existed) files->SyncNames(path);
    if (written) return true;

    const FileError failure = files->Error;
    if (!existed) {
        files->Remove(path);
    } else if (files->OpenToChange(path, kOpenWrite, &file)) {
        // The append handle may only add to the file; cutting it needs another.
        if (files->Did(g_ListFileOps.Truncate(file, listSize))) files->Sync(file);
        g_ListFileOps.Close(file);
    }
    files->Error = failure;
    return false;
}

}  // namespace

AppendResult AppendChannelLine(OpenedList* list, const char* path, std::uint8_t flag, const std::uint8_t code[6],
                               const char* name, bool write, std::uint64_t maxSize) {
    // The lock keeps another writer of the list from appending or replacing
    // between this read and this append; a list a writer before left missing
    // or damaged is put back first, and while it cannot be, nothing is
    // written (a new list then would hide it).
    const ListOpenResult opened = write ? OpenListToChange(path, kWriterOther, true, maxSize, list)
                                        : OpenListToLook(path, true, maxSize, list);
    std::size_t shown = 0;
    const ListIndex& index = list->Index;
    if (opened != kListOpened) return kAppendFailed;
    if (FindChannelRow(index, ChannelKey(code), &shown)) return kAlreadyShown;
    // The new line starts on a line of its own even when the last line of the
    // file has no line break.
    char line[2 + kMaxLineLength + 1];
    std::size_t length = 0;
    if (index.File.Size > 0 && !EndsInLineBreak(index.File.Data, index.File.Size)) {
        line[length++] = '\r';
        line[length++] = '\n';
    }
    length += FormatLine(line + length, flag, code, name);
    const bool appended = !write || AppendLine(&list->Files, line, length, index.File.Size, list->Exists);
    return appended ? kAppended : kAppendFailed;
}
