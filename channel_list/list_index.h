// The one reading of a list that the plug-in and the command-line program
// share: every line of the file read once, in order, into an index that
// tells what each line is to the plug-in's start, with the fields of every
// row and a table from channel to row.
//
// The index covers the file's bytes after a byte-order mark without a gap:
// each entry is a line of the list (its indentation and line break included)
// or the white space between two lines, and ends where the next begins. So
// the list can be written again from the index alone, byte for byte or in
// its normalised form.
//
// It is kept small, since a list may be large and the plug-in runs in the
// viewer's address space: the file's bytes once, 8 bytes for each entry, 12
// for each line that reads, and a table of 4-byte slots at most four fifths
// full. Its arrays are made once, in their size, and never grow (so none is
// ever held twice while it is copied): sized from the file's first 64 KiB,
// or, for a file unlike them, from its entries counted. It takes its memory
// from malloc and raises nothing.
#ifndef ZELQ_CHANNEL_LIST_LIST_INDEX_H
#define ZELQ_CHANNEL_LIST_LIST_INDEX_H

#include <cstddef>
#include <cstdint>

#include "entry_code.h"
#include "list_line.h"
#include "file_bytes.h"

// What an entry of the index is.
enum IndexKind : std::uint8_t {
    kIndexBlank,       // white space between lines (blank lines among it): the start drops it
    kIndexRow,         // the first line of its channel: a row
    kIndexLaterLine,   // a later line of a channel that has a row already: the start drops it
    kIndexUnreadable,  // does not read: shown nowhere, kept byte for byte
};

struct IndexLine {
    std::uint32_t Start;  // its first byte in the file; it ends where the next entry starts
    std::uint32_t Info;   // its kind in the top two bits, and below them: the row it is or
                          // repeats, or why an unreadable line does not read
};

// The fields of a row, read from its line.
struct IndexRow {
    std::uint32_t NameOffset;  // where its name begins in the file
    std::uint8_t Code[6];      // code bytes 1 to 6 as read
    std::uint8_t Flag;
    std::uint8_t Form;         // the name's length (or kLongName) and whether the line is canonical
};

struct ListIndex {
    FileBytes File;         // the list's bytes, which the index owns
    IndexLine* Lines;       // LineCount entries, then one whose Start is the file's size
    std::size_t LineCount;
    IndexRow* Rows;         // in file order
    std::size_t RowCount;
    std::uint32_t* Slots;   // channel key -> row + 1, open addressing; 0 is a free slot
    std::size_t SlotMask;   // slot count minus one
};

// Indexes the file's bytes, taking them over (they are freed with the index,
// or at once when indexing fails). Returns false, with nothing held, when
// memory runs out.
bool IndexListBytes(FileBytes bytes, ListIndex* index);

// The index of a list that does not exist: no bytes, no lines.
void EmptyListIndex(ListIndex* index);

void FreeListIndex(ListIndex* index);

// The row the list shows for a channel (code bytes 1 to 4 as ChannelKey);
// false when it shows none.
bool FindChannelRow(const ListIndex& index, std::uint32_t channelKey, std::size_t* row);

// Where the content begins: past a byte-order mark.
const char* ContentStart(const ListIndex& index);

// An entry's kind, bytes and row.
inline IndexKind EntryKind(const ListIndex& index, std::size_t line) {
    return static_cast<IndexKind>(index.Lines[line].Info >> 30);
}
inline const char* EntryStart(const ListIndex& index, std::size_t line) {
    return index.File.Data + index.Lines[line].Start;
}
inline const char* EntryEnd(const ListIndex& index, std::size_t line) {
    return index.File.Data + index.Lines[line + 1].Start;
}
// The row a row line is, or a later line repeats.
inline std::size_t EntryRow(const ListIndex& index, std::size_t line) { return index.Lines[line].Info & 0x3FFFFFFFu; }

// Why an unreadable line does not read, and for kFaultCodeDigits how many
// digits its code field holds.
LineFault UnreadableFault(const ListIndex& index, std::size_t line, std::size_t* codeDigits);

// The entry a row stands on.
std::size_t RowEntry(const ListIndex& index, std::size_t row);

// A row's channel: its key (code bytes 1 to 4, see ChannelKey), and the
// ident and position they hold.
inline std::uint32_t RowKey(const ListIndex& index, std::size_t row) { return ChannelKey(index.Rows[row].Code); }
inline DecodedCode RowChannel(const ListIndex& index, std::size_t row) { return DecodeEntryCode(index.Rows[row].Code); }

// A row's name: its first byte, its whole length in the file, and the part a
// row shows (its first 30 bytes).
inline const char* RowName(const ListIndex& index, std::size_t row) {
    return index.File.Data + index.Rows[row].NameOffset;
}
std::size_t RowNameLength(const ListIndex& index, std::size_t row);
std::size_t RowShownNameLength(const ListIndex& index, std::size_t row);

// Whether the row's name is longer than 30 bytes: the row shows it cut, and
// the list keeps its line byte for byte.
bool RowHasLongName(const ListIndex& index, std::size_t row);

// Whether the row's line is exactly what the rewrite writes for it.
bool RowIsCanonical(const ListIndex& index, std::size_t row);

// The line as the rewrite writes it, into `out` (kMaxLineLength + 1 bytes):
// for a long name, the first 30 bytes. Returns its length.
std::size_t FormatRowLine(const ListIndex& index, std::size_t row, char* out);

// The line of text each entry starts on, counting from 1: numbers[i] for
// entry i, and numbers[LineCount] for the end of the file. `numbers` holds
// LineCount + 1 values.
void NumberIndexLines(const ListIndex& index, std::uint32_t* numbers);

// The line of text each row stands on, counting from 1: numbers[row] for
// each row (RowCount values).
void NumberIndexRows(const ListIndex& index, std::uint32_t* numbers);

#endif  // ZELQ_CHANNEL_LIST_LIST_INDEX_H
