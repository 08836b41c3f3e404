// One line of the list file: its in-memory form, its two read grammars and
// its two write formats.
//
// A line as written:  "[ " flag " " twelve-hex-digit code " ] [" name "]" CR LF
// with the flag in upper-case hex without leading zeros and the code as bytes
// 1 to 6, two upper-case digits each.
//
// A line as read (strict): white space, "[", white space, a hex flag of which
// only the low byte counts, white space, three groups of one to four hex
// digits (white space may stand before each), white space, "]", white space,
// "[", a name of 1 to 30 bytes taken right after the "[", "]", white space.
// The loose grammar used when scanning for duplicates also allows white
// space before the name and before its "]" and bounds the name's length only
// by the line; it yields no name.
//
// Names never hold "]", NUL, CR or LF: a line whose name field holds one of
// them does not read, so a name cannot swallow the line after it.
#ifndef ZELQ_CHANNEL_LIST_LIST_LINE_H
#define ZELQ_CHANNEL_LIST_LIST_LINE_H

#include <cstddef>
#include <cstdint>

constexpr std::size_t kMaxNameLength = 30;

// Longest line either write format produces: "[ FF " + 12 digits + " ] [" +
// 30-byte name + "]" + CR LF.
constexpr std::size_t kMaxLineLength = 5 + 12 + 4 + kMaxNameLength + 1 + 2;

// The in-memory form of one line that loading keeps.
struct ListEntry {
    std::uint8_t Flag;                // low byte of the flag number
    std::uint16_t ChannelIdent;       // decoded from the code
    std::uint16_t SatPosition;        // decoded from the code
    std::uint8_t Code[6];             // code bytes 1 to 6 as read
    char Name[kMaxNameLength + 1];    // the name as read, NUL-terminated
};

// The flag and code of a line read with the loose grammar.
struct ScannedLine {
    std::uint8_t Flag;
    std::uint8_t Code[6];
};

// A read position in a list file held in memory.
struct LineReader {
    const char* Pos;            // where the next read starts
    const char* End;            // one past the last byte
    const char* LastRecordEnd;  // one past the "]" of the last line read, or null
};

LineReader MakeLineReader(const char* data, std::size_t size);

// Reads the next line with the strict grammar into *entry (flag, code and
// name; the decoded fields are left zero). On success the reader moves past
// the line and the white space after it; on failure nothing moves and *entry
// is unspecified.
bool ParseLine(LineReader* reader, ListEntry* entry);

// Reads the next line with the loose grammar; the name is checked and
// discarded. Moves like ParseLine.
bool ScanLine(LineReader* reader, ScannedLine* line);

// Where the unread rest of the file begins after a read failed: the failed
// line's first byte, together with the indentation before it on its own
// line. Everything from here to the end is kept verbatim when the list is
// rewritten.
const char* UnreadTailStart(const LineReader& reader, const char* data);

// Formats a line as the add operation writes it (flag 1) into out, which
// holds at least kMaxLineLength + 1 bytes; returns its length. The name must
// be one that reads back (see FitNameForList); at most 30 bytes of it are
// used.
std::size_t FormatAddedLine(char* out, const std::uint8_t code[6], const char* name);

// Formats a line as the rewrite writes it, with the given flag.
std::size_t FormatLine(char* out, std::uint8_t flag, const std::uint8_t code[6], const char* name);

// Turns the host's name field (fieldSize bytes, NUL-terminated inside the
// field or not at all) into a name that reads back exactly: "]" becomes ")",
// CR and LF become spaces, the name is cut to 30 bytes, and an empty name
// becomes "?". out holds kMaxNameLength + 1 bytes.
void FitNameForList(const char* field, std::size_t fieldSize, char* out);

#endif  // ZELQ_CHANNEL_LIST_LIST_LINE_H
