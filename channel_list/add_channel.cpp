#include "add_channel.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// White space as the C locale defines it: space, tab, LF, VT, FF, CR.
bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The lower-case hex digits of a 16-bit value without leading zeros ("0" for
// zero). Returns their count.
std::size_t LowerHexDigits(unsigned value, char digits[4]) {
    std::size_t count = 0;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const unsigned digit = (value >> shift) & 0xF;
        if (digit == 0 && count == 0 && shift > 0) continue;
        digits[count++] = "0123456789abcdef"[digit];
    }
    return count;
}

// Whether the lower-case hex text stands at p, in either case: each byte is
// taken with bit 5 set, which turns "A" to "F" into "a" to "f" and leaves the
// decimal digits as they are.
bool HexTextAt(const char* p, const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if ((p[i] | 0x20) != text[i]) return false;
    }
    return true;
}

// Whether the given digits end at `before`, or behind a run of white space and
// zeros that ends there.
bool DigitsEndBefore(const char* data, const char* before, const char* digits, std::size_t length) {
    for (const char* q = before;; --q) {
        if (static_cast<std::size_t>(q - data) >= length && HexTextAt(q - length, digits, length)) return true;
        if (q == data || !(IsWhiteSpace(q[-1]) || q[-1] == '0')) return false;
    }
}

// Whether a line for the channel may stand in the file at all.
//
// Every line that reads, with either grammar, holds code bytes 1 and 2 as one
// to four digits, then only white space, then bytes 3 and 4 as one to four
// digits; leading zeros may stand in either group and letters may be in
// either case. So a line for the channel holds the digits of bytes 3 and 4
// without their leading zeros, right after a run of white space and zeros that
// follows the digits of bytes 1 and 2 without theirs. Where that text stands
// nowhere, no line names the channel and the lines need not be read one by
// one: looking for the text is many times quicker, more so where SSE2 lets it
// look at sixteen places at a time. When bytes 3 and 4 make fewer than three
// digits the text would be too common to help, and the answer is "may".
bool MayHoldChannel(const FileBytes& file, std::uint32_t key) {
    char second[4];
    const std::size_t secondLength = LowerHexDigits(key & 0xFFFF, second);
    if (secondLength < 3) return true;
    char first[4];
    const std::size_t firstLength = LowerHexDigits(key >> 16, first);

    const char* const data = file.Data;
    const char* const end = data + file.Size;
    const auto holdsAt = [&](const char* at) {
        return HexTextAt(at, second, secondLength) && DigitsEndBefore(data, at, first, firstLength);
    };
    const char* p = data;
#if defined(__SSE2__)
    // Sixteen places at a time where the first and the last digit match.
    const __m128i bit5 = _mm_set1_epi8(0x20);
    const __m128i firstDigit = _mm_set1_epi8(second[0]);
    const __m128i lastDigit = _mm_set1_epi8(second[secondLength - 1]);
    const std::ptrdiff_t span = static_cast<std::ptrdiff_t>(16 + secondLength - 1);
    for (; end - p >= span; p += 16) {
        const __m128i starts = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), bit5);
        const __m128i ends = _mm_or_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + secondLength - 1)), bit5);
        unsigned candidates = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(starts, firstDigit), _mm_cmpeq_epi8(ends, lastDigit))));
        while (candidates) {
            if (holdsAt(p + __builtin_ctz(candidates))) return true;
            candidates &= candidates - 1;
        }
    }
#endif
    for (; end - p >= static_cast<std::ptrdiff_t>(secondLength); ++p) {
        if ((*p | 0x20) == second[0] && holdsAt(p)) return true;
    }
    return false;
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
    if (!MayHoldChannel(file, key)) return false;
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
        SetControlText(IDC_STATUS, kTextAlreadyInList);
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

    SetControlText(IDC_STATUS, kTextAdded);
    const int row = g_State.RowCount;
    InsertListRow(row, name);
    SetListRowColumn1(row, SatelliteNameFor(position));
    EnsureListRowVisible(row);
    g_State.RowCount = row + 1;
    std::snprintf(g_State.CountText, sizeof g_State.CountText, "%d", static_cast<int>(g_State.RowCount));
    SetControlText(IDC_COUNT, g_State.CountText);
    return 1;
}
