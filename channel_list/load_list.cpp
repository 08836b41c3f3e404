#include "load_list.h"

#include <cstdio>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    SetControlText(IDC_COUNT, g_State.CountText);
}

void ShowRow(int row, const ListEntry& entry) {
    InsertListRow(row, entry.Name);
    SetListRowColumn1(row, SatelliteNameFor(entry.SatPosition));
    if (entry.Flag != 0) CheckListRow(row);
}

// The number of lines that read, up to the first that does not.
std::size_t CountReadableLines(const FileBytes& file) {
    std::size_t count = 0;
    LineReader reader = MakeLineReader(file.Data, file.Size);
    ListEntry scratch;
    while (ParseLine(&reader, &scratch)) ++count;
    return count;
}

// The number of "]" bytes in the file, sixteen at a time where SSE2 is at
// hand.
std::size_t CountClosingBrackets(const FileBytes& file) {
    std::size_t count = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i bracket = _mm_set1_epi8(']');
    for (; file.Size - i >= 16; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(file.Data + i));
        count += static_cast<std::size_t>(__builtin_popcount(
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, bracket)))));
    }
#endif
    for (; i < file.Size; ++i) count += file.Data[i] == ']';
    return count;
}

// Allocates zeroed entries for every line of the file that reads, and puts
// their number (an upper bound, or the exact count) into *count. Returns null,
// with *count 0, when no line reads or memory runs out.
//
// Every line that reads holds at least two "]" (after the code and after the
// name) and lines do not overlap, so half the file's "]" bytes bound the
// number of lines; counting them is much quicker than reading every line an
// extra time. When stray brackets make that bound much larger than the file
// could hold, or memory for it runs out, the lines are counted instead.
ListEntry* AllocateEntries(const FileBytes& file, std::size_t* count) {
    const std::size_t bound = CountClosingBrackets(file) / 2;
    *count = 0;
    if (bound == 0) return nullptr;
    if (bound <= file.Size / sizeof(ListEntry) * 2 + 1024) {
        if (ListEntry* entries = static_cast<ListEntry*>(std::calloc(bound, sizeof(ListEntry)))) {
            *count = bound;
            return entries;
        }
    }
    const std::size_t exact = CountReadableLines(file);
    if (exact == 0) return nullptr;
    ListEntry* entries = static_cast<ListEntry*>(std::calloc(exact, sizeof(ListEntry)));
    if (entries) *count = exact;
    return entries;
}

}  // namespace

int LoadChannelList() {
    // The list view starts empty, so the count starts from zero.
    g_State.RowCount = 0;
    SetControlText(IDC_COUNT, "0");

    // A path that did not fit is never used.
    if (g_State.ListPath[0] == '\0') return 0;

    // The file is read once; both passes work on the same bytes, so a file
    // that changes while it loads cannot make them disagree.
    FileBytes file;
    if (!ReadWholeFile(g_State.ListPath, &file)) return 0;

    // Room for every line that reads, up to the first that does not.
    std::size_t count = 0;
    ListEntry* entries = AllocateEntries(file, &count);
    ChannelKeySet seen;
    if (!entries || !CreateChannelKeySet(&seen, count)) {
        std::free(entries);
        FreeFileBytes(&file);
        return 0;
    }

    // Keep the first line of every channel and show it.
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
    if (kept == 0) {
        // Brackets, but no line that reads: nothing to show or rewrite.
        std::free(entries);
        FreeFileBytes(&file);
        return 0;
    }
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
