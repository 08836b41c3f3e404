// Fuzzes the list-line reader and writer on arbitrary bytes.
//
// Both grammars read the input from its start and, after each line that does
// not read, again from the next line on. Every read must agree with the
// reference reading (fields, where the reader moves, whether it reads at all);
// a failed read moves nothing; the unread rest starts where the reference
// says; no name longer than 30 bytes is stored; every line read formats back
// to its canonical text, which reads back to the same fields; and every name
// the add operation makes of a host name field reads back as made.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "channel_list/list_line.h"
#include "fuzz_support.h"
#include "reference_grammar.h"

namespace {

// At most this many restarts per input, so one input stays cheap.
constexpr int kMaxSegments = 200;

std::string Hex(const std::uint8_t* code) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", code[0], code[1], code[2],
                  code[3], code[4], code[5]);
    return text;
}

void RequireSameFields(std::uint8_t flag, const std::uint8_t* code, const RefLine& ref,
                       const char* what) {
    Require(flag == ref.Flag && std::memcmp(code, ref.Code, 6) == 0, what,
            "got " + std::to_string(flag) + " " + Hex(code) + ", expected " +
                std::to_string(ref.Flag) + " " + Hex(ref.Code));
}

// The name in an entry: NUL-terminated inside its field, at most 30 bytes.
std::string StoredName(const ListEntry& entry) {
    const void* nul = std::memchr(entry.Name, '\0', sizeof entry.Name);
    Require(nul != nullptr, "a stored name is NUL-terminated inside its field");
    const std::string name(entry.Name);
    Require(name.size() <= kMaxNameLength, "no name longer than 30 bytes is stored", name);
    return name;
}

// A line read formats back to its canonical text, and that text reads back,
// whole, to the same fields.
void CheckRoundTrip(const ListEntry& entry, const RefLine& ref) {
    char line[kMaxLineLength + 1];
    const std::size_t length = FormatLine(line, entry.Flag, entry.Code, entry.Name);
    const std::string canonical = RefCanonicalLine(ref.Flag, ref.Code, ref.Name);
    RequireSameBytes(std::string(line, length), canonical, "FormatLine writes the canonical line");
    Require(line[length] == '\0', "FormatLine terminates its line");
    if (entry.Flag == 1) {
        const std::size_t added = FormatAddedLine(line, entry.Code, entry.Name);
        RequireSameBytes(std::string(line, added), canonical, "FormatAddedLine writes flag 1");
    }

    // An exactly sized copy, so a read past the end is caught.
    char* copy = static_cast<char*>(std::malloc(length));
    std::memcpy(copy, canonical.data(), length);
    LineReader reader = MakeLineReader(copy, length);
    ListEntry* again = static_cast<ListEntry*>(std::malloc(sizeof(ListEntry)));
    Require(ParseLine(&reader, again), "a canonical line reads back", Printable(canonical));
    Require(reader.Pos == copy + length, "a canonical line reads back whole");
    RequireSameFields(again->Flag, again->Code, ref, "a canonical line reads back the same code");
    Require(StoredName(*again) == ref.Name, "a canonical line reads back the same name");
    std::free(again);
    std::free(copy);
}

// Reads data[start, size) with one grammar, checking every read; returns the
// offset where the read that failed began.
std::size_t CheckSegment(const char* data, std::size_t size, std::size_t start, Grammar grammar) {
    const char* const base = data + start;
    const std::string_view text(base, size - start);
    LineReader reader = MakeLineReader(base, size - start);
    std::size_t pos = 0;
    RefLine ref;
    for (;;) {
        const LineReader before = reader;
        // Entries live in blocks of their own size, so a write past one is caught.
        ListEntry* entry = static_cast<ListEntry*>(std::malloc(sizeof(ListEntry)));
        ScannedLine* scanned = static_cast<ScannedLine*>(std::malloc(sizeof(ScannedLine)));
        std::memset(entry, 0xA5, sizeof(ListEntry));
        const bool got = grammar == Grammar::Strict ? ParseLine(&reader, entry) : ScanLine(&reader, scanned);
        const bool want = RefReadLine(text, pos, grammar, &ref);
        Require(got == want, grammar == Grammar::Strict ? "ParseLine reads what the grammar reads"
                                                        : "ScanLine reads what the loose grammar reads",
                std::string(got ? "read" : "did not read") + " at offset " + std::to_string(start + pos) +
                    ": " + Printable(text.substr(pos), 120));
        if (!got) {
            Require(reader.Pos == before.Pos && reader.End == before.End &&
                        reader.LastRecordEnd == before.LastRecordEnd,
                    "a failed read moves nothing");
            std::free(entry);
            std::free(scanned);
            break;
        }
        Require(reader.Pos == base + ref.Next, "the reader moves past the line and its white space");
        Require(reader.LastRecordEnd == base + ref.RecordEnd, "the reader records the line's end");
        if (grammar == Grammar::Strict) {
            RequireSameFields(entry->Flag, entry->Code, ref, "ParseLine's flag and code");
            RequireSameBytes(StoredName(*entry), ref.Name, "ParseLine's name");
            CheckRoundTrip(*entry, ref);
        } else {
            RequireSameFields(scanned->Flag, scanned->Code, ref, "ScanLine's flag and code");
        }
        std::free(entry);
        std::free(scanned);
        pos = ref.Next;
    }
    const RefReading reading = RefReadAll(text, grammar);
    Require(reading.Stop == pos, "the reference stops where the reads stopped");
    Require(UnreadTailStart(reader, base) == base + reading.TailStart,
            "the unread rest starts at the failed line and its indentation",
            "got offset " + std::to_string(UnreadTailStart(reader, base) - base) + ", expected " +
                std::to_string(reading.TailStart));
    return start + pos;
}

void CheckAllReads(const char* data, std::size_t size, Grammar grammar) {
    std::size_t start = 0;
    for (int segment = 0; segment < kMaxSegments && start <= size; ++segment) {
        const std::size_t stop = CheckSegment(data, size, start, grammar);
        // Go on from the line after the one that did not read.
        const void* lineFeed = std::memchr(data + stop, '\n', size - stop);
        if (!lineFeed) break;
        start = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - data) + 1;
    }
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
    const std::size_t length = FormatAddedLine(line, code, fitted);
    LineReader reader = MakeLineReader(line, length);
    ListEntry entry;
    Require(ParseLine(&reader, &entry) && reader.Pos == reader.End, "an added line reads back whole",
            Printable(std::string_view(line, length)));
    RequireSameBytes(entry.Name, name, "an added line reads back its name");
    std::free(fitted);
    std::free(field);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* const bytes = reinterpret_cast<const char*>(data);
    CheckAllReads(bytes, size, Grammar::Strict);
    CheckAllReads(bytes, size, Grammar::Loose);
    if (size > 0) {
        const std::size_t fieldSize = size < 92 ? size : 92;
        CheckFittedName(bytes, fieldSize);
        CheckFittedName(bytes + size - fieldSize, fieldSize);
    }
    return 0;
}
