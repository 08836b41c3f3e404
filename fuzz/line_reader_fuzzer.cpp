// Fuzzes the list reader and the line writer on arbitrary bytes.
//
// Every line the reader yields must agree with the reference reading: its
// kind, flag, code and name, the bytes kept for it, its line number and
// whether it is in canonical form; lines come in order and together cover the
// whole file but for the white space between them; no name longer than 30
// bytes is stored; every line that reads formats back to its canonical text,
// which reads back to the same fields; the index of the same bytes agrees
// with the lines read one by one; and every name the add operation makes of a
// host name field reads back as made.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "channel_list/entry_code.h"
#include "channel_list/list_index.h"
#include "channel_list/list_line.h"
#include "fuzz_support.h"
#include "reference_grammar.h"

namespace {

std::string Hex(const std::uint8_t* code) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", code[0], code[1], code[2], code[3], code[4],
                  code[5]);
    return text;
}

// The name in an entry: NUL-terminated inside its field, at most 30 bytes.
std::string StoredName(const ListEntry& entry) {
    const void* nul = std::memchr(entry.Name, '\0', sizeof entry.Name);
    Require(nul != nullptr, "a stored name is NUL-terminated inside its field");
    const std::string name(entry.Name);
    Require(name.size() <= kMaxNameLength, "no name longer than 30 bytes is stored", name);
    return name;
}

// Reads an exactly sized copy of `text` (so a read past the end is caught)
// and returns its lines.
std::vector<ListLine> ReadCopy(const char* copy, std::size_t size) {
    std::vector<ListLine> lines;
    LineReader reader = MakeLineReader(copy, size);
    ListLine* line = static_cast<ListLine*>(std::malloc(sizeof(ListLine)));
    while (NextListLine(&reader, line)) lines.push_back(*line);
    std::free(line);
    return lines;
}

// A line that reads formats back to its canonical text, and that text reads
// back, whole, to the same fields.
void CheckRoundTrip(const ListEntry& entry, const RefItem& ref) {
    char line[kMaxLineLength + 1];
    const std::size_t length = FormatLine(line, entry.Flag, entry.Code, entry.Name);
    const std::string canonical = RefCanonicalLine(ref.Flag, ref.Code, ref.Name);
    RequireSameBytes(std::string(line, length), canonical, "FormatLine writes the canonical line");
    Require(line[length] == '\0', "FormatLine terminates its line");
    char* copy = static_cast<char*>(std::malloc(length));
    std::memcpy(copy, canonical.data(), length);
    const std::vector<ListLine> again = ReadCopy(copy, length);
    Require(again.size() == 1 && again[0].Kind == kLineReads && again[0].End == copy + length &&
                again[0].Canonical,
            "a canonical line reads back whole, as canonical", Printable(canonical));
    Require(again[0].Entry.Flag == ref.Flag && std::memcmp(again[0].Entry.Code, ref.Code, 6) == 0 &&
                StoredName(again[0].Entry) == ref.Name,
            "a canonical line reads back the same fields");
    std::free(copy);
}

// The index of the bytes: an entry for every line and for the white space
// between lines, in order and covering the file; each line's kind as the
// first line of its channel, a later one or unreadable; each row's fields as
// read; each channel found at its row; and each entry's line number.
void CheckIndex(const char* data, std::size_t size, const std::vector<ListLine>& lines) {
    char* copy = static_cast<char*>(std::malloc(size + 1));
    std::memcpy(copy, data, size);
    copy[size] = '\0';
    ListIndex index;
    Require(IndexListBytes(FileBytes{copy, size}, &index), "the index is made");
    std::vector<std::uint32_t> numbers(index.LineCount + 1);
    NumberIndexLines(index, numbers.data());
    std::vector<std::uint32_t> firstOfKey;
    std::size_t entry = 0;
    std::size_t rows = 0;
    Require(EntryStart(index, 0) == ContentStart(index) && index.Lines[index.LineCount].Start == size,
            "the index covers the file");
    for (const ListLine& line : lines) {
        const std::size_t at = static_cast<std::size_t>(line.Start - data);
        if (entry < index.LineCount && EntryKind(index, entry) == kIndexBlank) {
            Require(static_cast<std::size_t>(EntryStart(index, entry) - copy) == static_cast<std::size_t>(line.GapStart - data),
                    "a blank entry begins where the line before ends");
            ++entry;
        }
        Require(entry < index.LineCount && static_cast<std::size_t>(EntryStart(index, entry) - copy) == at &&
                    static_cast<std::size_t>(EntryEnd(index, entry) - copy) == static_cast<std::size_t>(line.End - data),
                "an entry for every line, with its bytes");
        Require(numbers[entry] == line.LineNumber, "the entry's line number");
        const IndexKind kind = EntryKind(index, entry);
        if (line.Kind == kLineUnreadable) {
            std::size_t digits = 0;
            Require(kind == kIndexUnreadable && UnreadableFault(index, entry, &digits) == line.Fault &&
                        (line.Fault != kFaultCodeDigits || digits == line.CodeDigits),
                    "an unreadable line's entry and why");
        } else {
            const std::uint32_t key = ChannelKey(line.Entry.Code);
            std::size_t found = 0;
            Require(FindChannelRow(index, key, &found), "the channel of a line that reads is found");
            if (kind == kIndexRow) {
                Require(EntryRow(index, entry) == rows && found == rows && RowEntry(index, rows) == entry,
                        "a row is the first line of its channel, in order");
                const IndexRow& row = index.Rows[rows];
                Require(row.Flag == line.Entry.Flag && std::memcmp(row.Code, line.Entry.Code, 6) == 0 &&
                            RowName(index, rows) - copy == line.Name - data &&
                            RowNameLength(index, rows) == line.NameLength &&
                            RowShownNameLength(index, rows) == std::strlen(line.Entry.Name) &&
                            RowHasLongName(index, rows) == (line.Kind == kLineLongName) &&
                            RowIsCanonical(index, rows) == line.Canonical,
                        "a row's fields");
                for (const std::uint32_t earlier : firstOfKey) Require(earlier != key, "a row's channel is new");
                firstOfKey.push_back(key);
                ++rows;
            } else {
                Require(kind == kIndexLaterLine && EntryRow(index, entry) == found && found < rows,
                        "a later line repeats its channel's row");
            }
        }
        ++entry;
    }
    if (entry < index.LineCount) {
        Require(EntryKind(index, entry) == kIndexBlank && entry + 1 == index.LineCount,
                "only white space follows the last line");
    }
    Require(index.RowCount == rows && numbers[index.LineCount] >= numbers[0], "every row is counted");
    FreeListIndex(&index);
}

void CheckReader(const char* data, std::size_t size) {
    char* copy = static_cast<char*>(std::malloc(size ? size : 1));
    std::memcpy(copy, data, size);
    const std::vector<ListLine> lines = ReadCopy(copy, size);
    const std::string_view text(copy, size);
    const std::vector<RefItem> refs = RefReadAll(text);
    Require(lines.size() == refs.size(), "the reader yields the reference's lines",
            std::to_string(lines.size()) + " vs " + std::to_string(refs.size()));

    const char* previousEnd = copy + (RefHasByteOrderMark(text) ? 3 : 0);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ListLine& line = lines[i];
        const RefItem& ref = refs[i];
        const std::string where = "line " + std::to_string(i) + " at offset " + std::to_string(ref.Start) + ": " +
                                  Printable(text.substr(ref.Start, ref.End - ref.Start), 120);
        const LineKind kind = ref.Kind == RefKind::Reads      ? kLineReads
                              : ref.Kind == RefKind::LongName ? kLineLongName
                                                              : kLineUnreadable;
        Require(line.Kind == kind, "the line's kind", where);
        Require(line.Start == copy + ref.Start && line.End == copy + ref.End, "the bytes kept for the line", where);
        Require(line.LineNumber == ref.LineNumber, "the line's number", where);
        // Lines follow each other; only white space stands between them.
        Require(line.GapStart == previousEnd && line.Start >= previousEnd, "lines come in order", where);
        for (const char* p = previousEnd; p < line.Start; ++p) {
            Require(*p == ' ' || (*p >= '\t' && *p <= '\r'), "only white space stands between lines", where);
        }
        previousEnd = line.End;
        if (kind == kLineUnreadable) {
            Require(line.Fault != kFaultNone && !line.Canonical, "an unreadable line says why", where);
            continue;
        }
        Require(line.Fault == kFaultNone, "a line that reads has no fault", where);
        Require(line.Entry.Flag == ref.Flag && std::memcmp(line.Entry.Code, ref.Code, 6) == 0,
                "the line's flag and code", where + ": got " + Hex(line.Entry.Code) + ", expected " + Hex(ref.Code));
        RequireSameBytes(StoredName(line.Entry), ref.Name.substr(0, 30), "the stored name");
        RequireSameBytes(std::string(line.Name, line.NameLength), ref.Name, "the whole name");
        const bool canonical = kind == kLineReads && std::string(text.substr(ref.Start, ref.End - ref.Start)) ==
                                                         RefCanonicalLine(ref.Flag, ref.Code, ref.Name);
        Require(line.Canonical == canonical, "whether the line is in canonical form", where);
        if (kind == kLineReads) CheckRoundTrip(line.Entry, ref);
    }
    for (const char* p = previousEnd; p < copy + size; ++p) {
        Require(*p == ' ' || (*p >= '\t' && *p <= '\r'), "only white space follows the last line");
    }
    CheckIndex(copy, size, lines);
    std::free(copy);
}

// The host's name field made into a name: as the reference fits it, and the
// line the add operation writes with it reads back to it.
void CheckFittedName(const char* bytes, std::size_t fieldSize) {
    char* field = static_cast<char*>(std::malloc(fieldSize));
    std::memcpy(field, bytes, fieldSize);
    char* fitted = static_cast<char*>(std::malloc(kMaxNameLength + 1));
    FitNameForList(field, fieldSize, fitted);
    const std::string name(fitted);
    RequireSameBytes(name, RefFitName(field, fieldSize), "FitNameForList");
    const std::uint8_t code[6] = {0xA2, 0x71, 0x91, 0x4B, 0xA8, 0x5C};
    char line[kMaxLineLength + 1];
    const std::size_t length = FormatLine(line, 1, code, fitted);
    const std::vector<ListLine> lines = ReadCopy(line, length);
    Require(lines.size() == 1 && lines[0].Kind == kLineReads && lines[0].End == line + length,
            "an added line reads back whole", Printable(std::string_view(line, length)));
    RequireSameBytes(lines[0].Entry.Name, name, "an added line reads back its name");
    std::free(fitted);
    std::free(field);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* const bytes = reinterpret_cast<const char*>(data);
    CheckReader(bytes, size);
    if (size > 0) {
        const std::size_t fieldSize = size < 92 ? size : 92;
        CheckFittedName(bytes, fieldSize);
        CheckFittedName(bytes + size - fieldSize, fieldSize);
    }
    return 0;
}
