#include "add_channel.h"

#include <cstdio>
#include <cstring>

#include "../shared/arabic_texts.h"
#include "../shared/plugin_state.h"
#include "../shared/window_ops.h"
#include "entry_code.h"
#include "list_file.h"
#include "list_line.h"
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

// True when a line with the same code bytes 1 to 4 stands in the file before
// the first line that does not read.
//
// Lines are scanned with the loose grammar. A name of white space only (which
// the add itself writes when the host's name is so) reads on loading but not
// loosely, since the loose grammar takes white space after "[" as padding; such
// a line is taken with the strict grammar instead, so that a channel the list
// shows is never appended a second time, nor the lines after it skipped.
bool AlreadyListed(const FileBytes& file, const EntryCode& code) {
    const std::uint32_t key = ChannelKey(code.Bytes);
    LineReader reader = MakeLineReader(file.Data, file.Size);
    ScannedLine line;
    ListEntry entry;
    for (;;) {
        if (ScanLine(&reader, &line)) {
            if (ChannelKey(line.Code) == key) return true;
        } else if (ParseLine(&reader, &entry)) {
            if (ChannelKey(entry.Code) == key) return true;
        } else {
            return false;
        }
    }
}

}  // namespace

int AddCurrentChannel() {
    const ChannelRecord& channel = g_State.CurrentChannel;
    if (channel.ValidWord == 0) return 0;

    const std::uint32_t position = CurrentSatPosition();
    if ((position & 0xFFFF) == 0) return 0;

    // A path that did not fit is never used.
    if (g_State.ListPath[0] == '\0') return 0;
    std::FILE* file = g_ListFileOps.Open(g_State.ListPath, "a+b");
    if (!file) return 0;

    const EntryCode code = EncodeEntryCode(channel.ChannelIdent, position, channel.TuneValue);

    FileBytes contents;
    if (std::fseek(file, 0, SEEK_SET) != 0 || !ReadOpenFile(file, &contents)) {
        g_ListFileOps.Close(file);
        return 0;
    }
    if (AlreadyListed(contents, code)) {
        FreeFileBytes(&contents);
        g_ListFileOps.Close(file);
        SetControlText(kControlStatus, kTextAlreadyInList);
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
    FreeFileBytes(&contents);
    length += FormatAddedLine(line + length, code.Bytes, name);

    // A stream that was reading must be repositioned before it writes.
    bool written = std::fseek(file, 0, SEEK_END) == 0 &&
                   g_ListFileOps.Write(line, length, file) == length;
    if (g_ListFileOps.Close(file) != 0) written = false;
    if (!written) return 0;

    SetControlText(kControlStatus, kTextAdded);
    const int row = g_State.RowCount;
    InsertListRow(row, name);
    SetListRowColumn1(row, SatelliteNameFor(position));
    EnsureListRowVisible(row);
    g_State.RowCount = row + 1;
    std::snprintf(g_State.CountText, sizeof g_State.CountText, "%d", static_cast<int>(g_State.RowCount));
    SetControlText(kControlCount, g_State.CountText);
    return 1;
}
