#include "add_channel.h"

#include <cstdio>
#include <cstring>

#include "../shared/arabic_texts.h"
#include "../shared/plugin_state.h"
#include "../shared/window_ops.h"
#include "append_channel.h"
#include "entry_code.h"
#include "list_line.h"
#include "file_bytes.h"
#include "satellite_names.h"

namespace {

// Why the list could not be appended to, as the file error of the failed
// append tells it: another program holds the list (or its lock) and a later
// press may succeed; otherwise the list cannot be written.
const char* WhyNotWritten(const FileError& error) {
    switch (error.Kind) {
    case kFileErrorInUse:
    case kFileErrorLockBusy:
        return kTextListInUse;
    default:
        return kTextCannotWrite;
    }
}

// An add that writes nothing says why in the status line, so that an earlier
// "added" never stands over it.
int NotAdded(const char* reason) {
    SetArabicControlText(IDC_STATUS, reason);
    return 0;
}

// Asks the host, or falls back to the record, for the satellite position of
// `channel` (0 when there is none). False when the host did not answer.
bool SatPositionOf(ChannelRecord* channel, std::uint32_t* position) {
    *position = channel->RecPosition;
    if (!g_State.HostMatched) return true;

    PositionQuery query{};
    query.Size = kPositionQuerySize;
    if (!SendPositionQuery(&query)) return false;
    const std::uint32_t answer = query.SatPosition;
    *position = answer;
    if (answer == 0) return true;
    // The answer is kept in CurrentChannel, as long as that still is the
    // record this add began with: the viewer may have called the plug-in
    // while it answered, and another add may have put its own record there.
    if (std::memcmp(&g_State.CurrentChannel, channel, sizeof *channel) == 0) {
        g_State.CurrentChannel.RecPosition = answer;
    }
    channel->RecPosition = answer;
    return true;
}

}  // namespace

int AddCurrentChannel() {
    // The add works on its own copy of the record, taken now: whatever the
    // viewer does while it answers the position query (a channel change, a
    // second add, On_Exit), the line written is this channel's.
    ChannelRecord channel = g_State.CurrentChannel;
    if (channel.ValidWord == 0) return NotAdded(kTextNoChannel);

    std::uint32_t position = 0;
    if (!SatPositionOf(&channel, &position)) return NotAdded(kTextViewerNoAnswer);
    if ((position & 0xFFFF) == 0) return NotAdded(kTextNoPosition);

    // A path that did not fit is never used.
    const char* const path = g_State.ListPath;
    if (path[0] == '\0') return NotAdded(kTextCannotWrite);

    // The name as it will read back: the row shows what the next load shows.
    char name[kMaxNameLength + 1];
    FitNameForList(channel.ChannelName, sizeof channel.ChannelName, name);
    const EntryCode code = EncodeEntryCode(channel.ChannelIdent, position, channel.TuneValue);
    OpenedList list;
    const AppendResult result = AppendChannelLine(&list, path, 1, code.Bytes, name, true, kMaxListFileSize);
    const FileError error = list.Files.Error;
    CloseOpenedList(&list);
    if (result == kAlreadyShown) {
        SetArabicControlText(IDC_STATUS, kTextAlreadyInList);
        return 0;
    }
    if (result != kAppended) return NotAdded(WhyNotWritten(error));

    SetArabicControlText(IDC_STATUS, kTextAdded);
    // The new row is left without a check mark, though its line's flag is 1:
    // the editor shows a fresh add unchecked, and the next start shows the
    // line as the list holds it, checked.
    const int row = g_State.RowCount;
    InsertListRow(row, name);
    SetListRowColumn1(row, SatelliteNameFor(position));
    EnsureListRowVisible(row);
    g_State.RowCount = row + 1;
    std::snprintf(g_State.CountText, sizeof g_State.CountText, "%d", static_cast<int>(g_State.RowCount));
    SetControlText(IDC_COUNT, g_State.CountText);
    return 1;
}
