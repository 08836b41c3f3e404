#include "load_list.h"

#include <cstdio>
#include <cstdlib>

#include "../shared/plugin_state.h"
#include "../shared/window_ops.h"
#include "channel_key_set.h"
#include "entry_code.h"
#include "list_file.h"
#include "list_line.h"
#include "satellite_names.h"

namespace {

void ShowCount() {
    std::snprintf(g_State.CountText, sizeof g_State.CountText, "%d", static_cast<int>(g_State.RowCount));
    SetControlText(kControlCount, g_State.CountText);
}

void ShowRow(int row, const ListEntry& entry) {
    InsertListRow(row, entry.Name);
    SetListRowColumn1(row, SatelliteNameFor(entry.SatPosition));
    if (entry.Flag != 0) CheckListRow(row);
}

}  // namespace

int LoadChannelList() {
    // The list view starts empty, so the count starts from zero.
    g_State.RowCount = 0;
    SetControlText(kControlCount, "0");

    // A path that did not fit is never used.
    if (g_State.ListPath[0] == '\0') return 0;

    // The file is read once; both passes work on the same bytes, so a file
    // that changes while it loads cannot make them disagree.
    FileBytes file;
    if (!ReadWholeFile(g_State.ListPath, &file)) return 0;

    // First pass: count the lines that read, up to the first that does not.
    std::size_t count = 0;
    {
        LineReader reader = MakeLineReader(file.Data, file.Size);
        ListEntry scratch;
        while (ParseLine(&reader, &scratch)) ++count;
    }
    if (count == 0) {
        FreeFileBytes(&file);
        return 0;
    }

    ListEntry* entries = static_cast<ListEntry*>(std::calloc(count, sizeof(ListEntry)));
    ChannelKeySet seen;
    if (!entries || !CreateChannelKeySet(&seen, count)) {
        std::free(entries);
        FreeFileBytes(&file);
        return 0;
    }

    // Second pass: keep the first line of every channel and show it.
    LineReader reader = MakeLineReader(file.Data, file.Size);
    std::size_t kept = 0;
    while (kept < count && ParseLine(&reader, &entries[kept])) {
        ListEntry& entry = entries[kept];
        const DecodedCode decoded =
            DecodeEntryCode(entry.Code[0], entry.Code[1], entry.Code[2], entry.Code[3]);
        entry.ChannelIdent = decoded.ChannelIdent;
        entry.SatPosition = decoded.SatPosition;
        if (!InsertChannelKey(&seen, ChannelKey(entry.Code))) continue;  // a later duplicate
        ShowRow(static_cast<int>(kept), entry);
        ++kept;
    }
    DestroyChannelKeySet(&seen);
    g_State.RowCount = static_cast<std::int32_t>(kept);

    // Lines from the first one that does not read to the end stay, verbatim,
    // after the rewritten ones.
    const char* tail = UnreadTailStart(reader, file.Data);
    const std::size_t tailSize = static_cast<std::size_t>(file.Data + file.Size - tail);
    const int rewritten = RewriteListFile(g_State.ListPath, entries, kept, tail, tailSize, file);

    ShowCount();
    std::free(entries);
    FreeFileBytes(&file);
    return rewritten;
}
