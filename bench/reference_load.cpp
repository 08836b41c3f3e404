#include "reference_load.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "channel_list/entry_code.h"
#include "channel_list/satellite_names.h"
#include "shared/plugin_state.h"
#include "shared/window_ops.h"

namespace {

struct Entry {
    std::uint8_t Flag;
    std::uint16_t ChannelIdent;
    std::uint16_t SatPosition;
    std::uint8_t Code[6];
    char Name[31];
};

const char kReadFormat[] = " [ %X %04X%04X%04X ] [%30[^]]]\n";
const char kWriteFormat[] = "[ %X %02X%02X%02X%02X%02X%02X ] [%s]\n";

// Reads one line into the entry; true when all five fields converted.
bool ReadEntry(std::FILE* file, Entry* entry) {
    unsigned flag = 0, group1 = 0, group2 = 0, group3 = 0;
    if (std::fscanf(file, kReadFormat, &flag, &group1, &group2, &group3, entry->Name) != 5) {
        return false;
    }
    entry->Flag = static_cast<std::uint8_t>(flag);
    const unsigned groups[3] = {group1, group2, group3};
    for (int i = 0; i < 3; ++i) {
        entry->Code[2 * i] = static_cast<std::uint8_t>(groups[i] >> 8);
        entry->Code[2 * i + 1] = static_cast<std::uint8_t>(groups[i]);
    }
    return true;
}

void ShowCount() {
    std::snprintf(g_State.CountText, sizeof g_State.CountText, "%d", static_cast<int>(g_State.RowCount));
    SetControlText(IDC_COUNT, g_State.CountText);
}

}  // namespace

int ReferenceLoadChannelList() {
    SetControlText(IDC_COUNT, "0");
    std::FILE* file = std::fopen(g_State.ListPath, "r");
    if (!file) return 0;

    // First pass: count the lines that read.
    int count = 0;
    Entry scratch;
    while (ReadEntry(file, &scratch)) ++count;
    g_State.RowCount += count;
    if (g_State.RowCount == 0) {
        std::fclose(file);
        return 0;
    }
    Entry* entries = static_cast<Entry*>(std::calloc(static_cast<std::size_t>(g_State.RowCount), sizeof(Entry)));
    if (!entries) {
        g_State.RowCount = 0;
        std::fclose(file);
        return 0;
    }

    // Second pass: keep the first line of every channel, comparing each line
    // with every entry kept before it.
    std::rewind(file);
    int kept = 0;
    do {
        Entry& entry = entries[kept];
        std::memset(&entry, 0, sizeof entry);
        if (!ReadEntry(file, &entry)) break;
        const DecodedCode decoded = DecodeEntryCode(entry.Code[0], entry.Code[1], entry.Code[2], entry.Code[3]);
        entry.ChannelIdent = decoded.ChannelIdent;
        entry.SatPosition = decoded.SatPosition;
        bool duplicate = false;
        for (int i = 0; i < kept; ++i) {
            if (entries[i].ChannelIdent == entry.ChannelIdent && entries[i].SatPosition == entry.SatPosition) {
                duplicate = true;
                break;
            }
        }
        if (duplicate) continue;
        InsertListRow(kept, entry.Name);
        SetListRowColumn1(kept, SatelliteNameFor(entry.SatPosition));
        if (entry.Flag != 0) CheckListRow(kept);
        ++kept;
    } while (kept < count);
    g_State.RowCount = kept;
    std::fclose(file);

    if (g_State.RowCount == 0) {
        std::free(entries);
        return 0;
    }
    file = std::fopen(g_State.ListPath, "w");
    if (!file) {
        ShowCount();
        std::free(entries);
        return 0;
    }
    for (int i = 0; i < kept; ++i) {
        const Entry& entry = entries[i];
        std::fprintf(file, kWriteFormat, entry.Flag, entry.Code[0], entry.Code[1], entry.Code[2],
                     entry.Code[3], entry.Code[4], entry.Code[5], entry.Name);
    }
    ShowCount();
    std::free(entries);
    std::fclose(file);
    return 1;
}
