#include "add_channel.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "../shared/arabic_texts.h"
#include "../shared/plugin_state.h"
#include "../shared/window_ops.h"
#include "entry_code.h"
#include "list_file.h"
#include "list_line.h"
#include "list_rows.h"
#include "satellite_names.h"

namespace {

// Asks the host, or falls back to the record, for the satellite position.
// Returns 0 when there is none.
std::uint32_t CurrentSatPosition() {
    ChannelRecord& channel = g_State.CurrentChannel;
    if (!g_State.HostMatched) return channel.RecPosition;

    PositionQuery query;
    std::memset(&query, 0, sizeof query);
    query.Size = kPositionQuerySize;
    SendPositionQuery(&query);
    const std::uint32_t answer = query.SatPosition;
    if (answer == 0) return 0;
    channel.RecPosition = answer;
    return answer;
}

// Cuts the list back to the size it had before a failed append.
void CutBack(const char* path, std::uint64_t listSize, bool existed) {
    if (!existed) {
        g_ListFileOps.Remove(path);
        return;
    }
    std::FILE* file = nullptr;
    if (!g_ListFileOps.Open(path, kOpenAppend, &file)) return;
    g_ListFileOps.Truncate(file, listSize);
    g_ListFileOps.Sync(file);
    g_ListFileOps.Close(file);
}

// Appends the line to the list, which held `listSize` bytes when it was read
// under the lock. The line reaches the disk before this returns true; on any
// failure the list is cut back to what it was (or removed again when the add
// created it), so neither a torn line nor one the user was not told of stays
// behind.
bool AppendLine(const char* path, const char* line, std::size_t length, std::uint64_t listSize, bool existed) {
    std::FILE* file = nullptr;
    if (!g_ListFileOps.Open(path, kOpenAppend, &file)) return false;
    bool written = g_ListFileOps.Write(file, line, length) && g_ListFileOps.Flush(file) &&
                   g_ListFileOps.Sync(file);
    if (!g_ListFileOps.Close(file)) written = false;
    if (!written) CutBack(path, listSize, existed);
    return written;
}

}  // namespace

int AddCurrentChannel() {
    const ChannelRecord& channel = g_State.CurrentChannel;
    if (channel.ValidWord == 0) return 0;

    const std::uint32_t position = CurrentSatPosition();
    if ((position & 0xFFFF) == 0) return 0;

    // A path that did not fit is never used.
    const char* const path = g_State.ListPath;
    if (path[0] == '\0') return 0;

    // The lock keeps another writer of the list from appending or replacing
    // between this read and this append.
    ListLock lock;
    if (!LockList(path, &lock)) return 0;
    const bool existed = g_ListFileOps.Exists(path);
    FileBytes contents{nullptr, 0};
    if (existed && !ReadListFile(path, &contents)) {
        UnlockList(&lock);
        return 0;
    }

    // The load's own reading decides: the channel is refused exactly when
    // the list shows a row for it.
    const EntryCode code = EncodeEntryCode(channel.ChannelIdent, position, channel.TuneValue);
    if (ListShowsChannel(contents, ChannelKey(code.Bytes))) {
        FreeFileBytes(&contents);
        UnlockList(&lock);
        SetArabicControlText(IDC_STATUS, kTextAlreadyInList);
        return 0;
    }

    // The name as it will read back: the row shows what the next load shows.
    char name[kMaxNameLength + 1];
    FitNameForList(channel.ChannelName, sizeof channel.ChannelName, name);

    // The new line starts on a line of its own even when the last line of the
    // file has no line break.
    char line[2 + kMaxLineLength + 1];
    std::size_t length = 0;
    if (contents.Size > 0 && contents.Data[contents.Size - 1] != '\n') {
        line[length++] = '\r';
        line[length++] = '\n';
    }
    length += FormatLine(line + length, 1, code.Bytes, name);
    const bool appended = AppendLine(path, line, length, contents.Size, existed);
    FreeFileBytes(&contents);
    UnlockList(&lock);
    if (!appended) return 0;

    SetArabicControlText(IDC_STATUS, kTextAdded);
    const int row = g_State.RowCount;
    InsertListRow(row, name);
    SetListRowColumn1(row, SatelliteNameFor(position));
    EnsureListRowVisible(row);
    g_State.RowCount = row + 1;
    std::snprintf(g_State.CountText, sizeof g_State.CountText, "%d", static_cast<int>(g_State.RowCount));
    SetControlText(IDC_COUNT, g_State.CountText);
    return 1;
}
