#include "list_index.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t kKindShift = 30;
constexpr std::uint32_t kPayloadMask = (1u << kKindShift) - 1;

// An unreadable line's payload: its fault above the code digits it counted,
// which saturate (a count that large is read again).
constexpr std::uint32_t kFaultShift = 27;
constexpr std::uint32_t kDigitsMask = (1u << kFaultShift) - 1;

// IndexRow::Form: the name's length up to 30, or kLongName; and whether the
// line is canonical.
constexpr std::uint8_t kLengthMask = 0x1F;
constexpr std::uint8_t kLongName = 31;
constexpr std::uint8_t kCanonical = 0x80;

// The channel table: open addressing with linear probing over 32-bit slots,
// each the row plus one (0: a free slot) below a few bits of the key's hash,
// which spare most probes a look at the row's key.
constexpr std::uint32_t kRowBits = 27;
constexpr std::uint32_t kRowMask = (1u << kRowBits) - 1;
constexpr std::size_t kMaxRows = kRowMask - 1;
// Slots used at most, in tenths of the table.
constexpr std::size_t kMaxLoadTenths = 8;

std::uint32_t Info(IndexKind kind, std::uint32_t payload) {
    return (static_cast<std::uint32_t>(kind) << kKindShift) | (payload & kPayloadMask);
}

// A slot's tag: the hash's top bits, which the slot's number does not use.
std::uint32_t TagOf(std::uint32_t hash) { return hash & ~kRowMask; }

std::uint32_t SlotRow(std::uint32_t slot) { return (slot & kRowMask) - 1; }

// How many entries an index of the bytes takes, and how many of them are
// lines that read (the rows are among them; the later lines of a channel
// too).
struct IndexSize {
    std::size_t Entries;
    std::size_t Readable;
};

// Counts the entries of the bytes the reader has left.
IndexSize CountEntries(LineReader reader) {
    IndexSize size{0, 0};
    ListLine line;
    while (NextListLine(&reader, &line)) {
        size.Entries += (line.GapStart < line.Start ? 1 : 0) + 1;
        size.Readable += line.Kind != kLineUnreadable ? 1 : 0;
    }
    // The white space after the last line, and the entry that marks the end.
    size.Entries += 2;
    return size;
}

// About what an index of the whole file takes, from its first 64 KiB (a
// list's lines are much alike); a file that is not is counted whole when
// the estimate proves short.
IndexSize EstimateSize(const FileBytes& bytes) {
    constexpr std::size_t kSample = 64 * 1024;
    if (bytes.Size <= kSample) return CountEntries(MakeLineReader(bytes.Data, bytes.Size));
    const IndexSize sampled = CountEntries(MakeLineReader(bytes.Data, kSample));
    const double scale = static_cast<double>(bytes.Size) / kSample * 1.03;
    // Never more than the file can hold: an entry takes a byte at least, a
    // line that reads 16.
    const auto most = [](double estimate, std::size_t bound) {
        return estimate < static_cast<double>(bound) ? static_cast<std::size_t>(estimate) : bound;
    };
    return IndexSize{most(static_cast<double>(sampled.Entries) * scale + 16, bytes.Size + 2),
                     most(static_cast<double>(sampled.Readable) * scale + 16, bytes.Size / 16 + 1)};
}

// The slot of the channel's row, or the free slot where it would go.
std::size_t FindSlot(const ListIndex& index, std::uint32_t key) {
    const std::uint32_t hash = MixChannelKey(key);
    const std::uint32_t tag = TagOf(hash);
    std::size_t slot = hash & index.SlotMask;
    for (; index.Slots[slot] != 0; slot = (slot + 1) & index.SlotMask) {
        const std::uint32_t entry = index.Slots[slot];
        if (TagOf(entry) == tag && RowKey(index, SlotRow(entry)) == key) break;
    }
    return slot;
}

// Puts a row whose channel is not in the table yet into the free slot.
void PlaceRow(ListIndex* index, std::size_t slot, std::uint32_t key, std::uint32_t row) {
    index->Slots[slot] = TagOf(MixChannelKey(key)) | (row + 1);
}

// The row of the channel, or the new row's number when it has none yet (and
// then the row is put into the table).
void RowOfChannel(ListIndex* index, std::uint32_t key, std::uint32_t newRow, std::uint32_t* row) {
    const std::size_t slot = FindSlot(*index, key);
    if (index->Slots[slot] != 0) {
        *row = SlotRow(index->Slots[slot]);
        return;
    }
    *row = newRow;
    // The table has room for every row the index has room for.
    PlaceRow(index, slot, key, newRow);
}

// Where an index is built: the arrays were made for at most so many entries
// and lines that read.
struct Builder {
    ListIndex* Index;
    IndexSize Room;
};

// Adds an entry; false when the room for entries is used up.
bool AddEntry(Builder* builder, const char* start, std::uint32_t info) {
    ListIndex& index = *builder->Index;
    if (index.LineCount == builder->Room.Entries) return false;
    index.Lines[index.LineCount].Start = static_cast<std::uint32_t>(start - index.File.Data);
    index.Lines[index.LineCount].Info = info;
    ++index.LineCount;
    return true;
}

bool AddLine(Builder* builder, const ListLine& line) {
    ListIndex& index = *builder->Index;
    if (line.GapStart < line.Start && !AddEntry(builder, line.GapStart, Info(kIndexBlank, 0))) return false;
    if (line.Kind == kLineUnreadable) {
        const std::size_t digits = line.CodeDigits < kDigitsMask ? line.CodeDigits : kDigitsMask;
        return AddEntry(builder, line.Start,
                        Info(kIndexUnreadable, (static_cast<std::uint32_t>(line.Fault) << kFaultShift) |
                                                   static_cast<std::uint32_t>(digits)));
    }
    if (index.RowCount == builder->Room.Readable) return false;
    // The row's fields go in place first: the table compares keys through them.
    IndexRow& fields = index.Rows[index.RowCount];
    fields.NameOffset = static_cast<std::uint32_t>(line.Name - index.File.Data);
    std::memcpy(fields.Code, line.Entry.Code, sizeof fields.Code);
    fields.Flag = line.Entry.Flag;
    fields.Form = static_cast<std::uint8_t>((line.NameLength > kMaxNameLength ? kLongName : line.NameLength) |
                                            (line.Canonical ? kCanonical : 0));
    std::uint32_t row = 0;
    RowOfChannel(&index, ChannelKey(line.Entry.Code), static_cast<std::uint32_t>(index.RowCount), &row);
    const bool first = row == index.RowCount;
    if (first) ++index.RowCount;
    return AddEntry(builder, line.Start, Info(first ? kIndexRow : kIndexLaterLine, row));
}

enum BuildResult { kBuilt, kNoRoom, kNoMemory };

// Indexes the bytes into arrays made for `room`, which hold nothing else:
// the arrays are made once, in their size, and never grow, so an index
// never holds an array twice while it is copied.
BuildResult BuildIndex(const FileBytes& bytes, IndexSize room, ListIndex* index) {
    EmptyListIndex(index);
    index->File = bytes;
    // More rows than the table can number: a file of a billion bytes has
    // fewer (a line that reads takes 16 bytes at least).
    if (room.Readable >= kMaxRows) room.Readable = kMaxRows - 1;
    std::size_t slots = 256;
    while (slots * kMaxLoadTenths < room.Readable * 10) slots *= 2;
    index->Lines = static_cast<IndexLine*>(std::malloc(room.Entries * sizeof(IndexLine)));
    index->Rows = static_cast<IndexRow*>(std::malloc((room.Readable ? room.Readable : 1) * sizeof(IndexRow)));
    index->Slots = static_cast<std::uint32_t*>(std::calloc(slots, sizeof(std::uint32_t)));
    index->SlotMask = slots - 1;
    if (!index->Lines || !index->Rows || !index->Slots) return kNoMemory;

    Builder builder{index, room};
    LineReader reader = MakeLineReader(bytes.Data, bytes.Size);
    ListLine line;
    while (NextListLine(&reader, &line)) {
        if (!AddLine(&builder, line)) return kNoRoom;
    }
    // The white space after the last line, and the entry that marks the end.
    const char* const end = bytes.Data + bytes.Size;
    if (reader.LastEnd < end && !AddEntry(&builder, reader.LastEnd, Info(kIndexBlank, 0))) return kNoRoom;
    if (!AddEntry(&builder, end, 0)) return kNoRoom;
    --index->LineCount;  // the end is no entry of its own
    return kBuilt;
}

// Lets go of the arrays of an index that was not built, keeping the bytes.
void FreeArrays(ListIndex* index) {
    std::free(index->Lines);
    std::free(index->Rows);
    std::free(index->Slots);
    index->Lines = nullptr;
    index->Rows = nullptr;
    index->Slots = nullptr;
}

}  // namespace

void EmptyListIndex(ListIndex* index) { std::memset(index, 0, sizeof *index); }

void FreeListIndex(ListIndex* index) {
    FreeFileBytes(&index->File);
    std::free(index->Lines);
    std::free(index->Rows);
    std::free(index->Slots);
    EmptyListIndex(index);
}

bool IndexListBytes(FileBytes bytes, ListIndex* index) {
    BuildResult built = BuildIndex(bytes, EstimateSize(bytes), index);
    if (built != kBuilt) {
        // A file unlike its first 64 KiB (its estimate short, or too large
        // to be had): counted whole, then indexed again into arrays of its
        // exact size.
        FreeArrays(index);
        built = BuildIndex(bytes, CountEntries(MakeLineReader(bytes.Data, bytes.Size)), index);
    }
    if (built != kBuilt) {
        FreeListIndex(index);
        return false;
    }
    return true;
}

bool FindChannelRow(const ListIndex& index, std::uint32_t channelKey, std::size_t* row) {
    if (!index.Slots) return false;
    const std::uint32_t entry = index.Slots[FindSlot(index, channelKey)];
    if (entry == 0) return false;
    *row = SlotRow(entry);
    return true;
}

const char* ContentStart(const ListIndex& index) {
    return index.File.Data + (StartsWithByteOrderMark(index.File.Data, index.File.Size) ? kByteOrderMarkSize : 0);
}

LineFault UnreadableFault(const ListIndex& index, std::size_t line, std::size_t* codeDigits) {
    const std::uint32_t payload = index.Lines[line].Info & kPayloadMask;
    *codeDigits = payload & kDigitsMask;
    if (*codeDigits == kDigitsMask) {
        // Too many digits to keep count of here: the line is read again.
        LineReader reader{EntryStart(index, line), index.File.Data + index.File.Size, EntryStart(index, line), 1};
        ListLine read;
        NextListLine(&reader, &read);
        *codeDigits = read.CodeDigits;
    }
    return static_cast<LineFault>(payload >> kFaultShift);
}

std::size_t RowEntry(const ListIndex& index, std::size_t row) {
    // The entries are in file order, so the one holding the row's name is
    // the last that starts before it.
    const std::uint32_t name = index.Rows[row].NameOffset;
    std::size_t low = 0;
    std::size_t high = index.LineCount;
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (index.Lines[middle].Start <= name) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return low;
}

bool RowHasLongName(const ListIndex& index, std::size_t row) {
    return (index.Rows[row].Form & kLengthMask) == kLongName;
}

bool RowIsCanonical(const ListIndex& index, std::size_t row) { return (index.Rows[row].Form & kCanonical) != 0; }

std::size_t RowShownNameLength(const ListIndex& index, std::size_t row) {
    return RowHasLongName(index, row) ? kMaxNameLength : index.Rows[row].Form & kLengthMask;
}

std::size_t RowNameLength(const ListIndex& index, std::size_t row) {
    if (!RowHasLongName(index, row)) return index.Rows[row].Form & kLengthMask;
    // A name holds no "]": its own ends it.
    const char* const name = RowName(index, row);
    const char* const end = index.File.Data + index.File.Size;
    return static_cast<std::size_t>(static_cast<const char*>(std::memchr(name, ']', static_cast<std::size_t>(end - name))) -
                                    name);
}

std::size_t FormatRowLine(const ListIndex& index, std::size_t row, char* out) {
    const IndexRow& fields = index.Rows[row];
    return FormatLineWithName(out, kMaxLineLength + 1, fields.Flag, fields.Code, RowName(index, row),
                              RowShownNameLength(index, row));
}

void NumberIndexRows(const ListIndex& index, std::uint32_t* numbers) {
    std::uint32_t number = 1;
    for (std::size_t line = 0; line < index.LineCount; ++line) {
        if (EntryKind(index, line) == kIndexRow) numbers[EntryRow(index, line)] = number;
        number += static_cast<std::uint32_t>(CountLineBreaks(EntryStart(index, line), EntryEnd(index, line)));
    }
}

void NumberIndexLines(const ListIndex& index, std::uint32_t* numbers) {
    std::uint32_t number = 1;
    for (std::size_t line = 0; line < index.LineCount; ++line) {
        numbers[line] = number;
        number += static_cast<std::uint32_t>(CountLineBreaks(EntryStart(index, line), EntryEnd(index, line)));
    }
    numbers[index.LineCount] = number;
}
