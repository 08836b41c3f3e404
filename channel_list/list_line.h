// The lines of the list file: their in-memory form, the one reader that the
// load, the add and the command-line program all use, and the write format.
//
// A line as written:  "[ " flag " " twelve-hex-digit code " ] [" name "]" CR LF
// with the flag in upper-case hex without leading zeros and the code as bytes
// 1 to 6, two upper-case digits each.
//
// A line as read: "[", white space, a hex flag of which only the low byte
// counts, three groups of one to four hex digits (white space may stand
// before each), white space, "]", white space, "[", a name of 1 to 30 bytes
// taken right after the "[" (leading spaces belong to it), "]". Any white
// space, blank lines included, may stand between lines. A line break is CR LF,
// LF alone or CR alone (old Mac files); the white space inside a line never
// holds one: one line of the list is one line of text.
//
// Names never hold "]", NUL, CR or LF, so a name cannot swallow the line after
// it. A line whose name is longer than 30 bytes still names its channel: it is
// shown with the first 30 bytes of its name and kept byte for byte.
//
// A line that does not read hides nothing: reading resumes after its line
// break, and the line itself is kept byte for byte wherever the list is
// rewritten. A UTF-8 byte-order mark at the very start of the file is skipped.
#ifndef ZELQ_CHANNEL_LIST_LIST_LINE_H
#define ZELQ_CHANNEL_LIST_LIST_LINE_H

#include <cstddef>
#include <cstdint>

constexpr std::size_t kMaxNameLength = 30;

// Longest line the write format produces: "[ FF " + 12 digits + " ] [" +
// 30-byte name + "]" + CR LF.
constexpr std::size_t kMaxLineLength = 5 + 12 + 4 + kMaxNameLength + 1 + 2;

// The UTF-8 byte-order mark some editors put at the start of a text file.
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr std::size_t kByteOrderMarkSize = 3;

// The in-memory form of one line that reads.
struct ListEntry {
    std::uint8_t Flag;                // low byte of the flag number
    std::uint8_t Code[6];             // code bytes 1 to 6 as read
    char Name[kMaxNameLength + 1];    // the name as read (its first 30 bytes), NUL-terminated
};

// What the reader found at one line.
enum LineKind {
    kLineReads,       // a line that reads; the rewrite writes it in canonical form
    kLineLongName,    // reads, but its name is longer than 30 bytes: shown cut, kept byte for byte
    kLineUnreadable,  // does not read: kept byte for byte, shown nowhere
};

// Why a line does not read: the first thing that is not as the grammar wants.
enum LineFault {
    kFaultNone,
    kFaultNoOpeningBracket,  // the line does not begin with "["
    kFaultNoFlag,            // no hex digit after the first "["
    kFaultCodeDigits,        // the code does not hold 9 to 12 digits in three groups (see CodeDigits)
    kFaultNoCodeBracket,     // something other than "]" after the code
    kFaultNoNameBracket,     // no "[" before the name
    kFaultEmptyName,         // "[]"
    kFaultNameNotClosed,     // the line ends (or a NUL stands) before the name's "]"
};

struct ListLine {
    LineKind Kind;
    LineFault Fault;            // why an unreadable line does not read
    std::size_t CodeDigits;     // hex digits in the code field, for kFaultCodeDigits
    ListEntry Entry;            // for lines that read: flag, code, name
    std::size_t NameLength;     // the name's whole length in the file (over 30 for kLineLongName)
    const char* Name;           // the name's first byte in the file
    const char* GapStart;       // where the white space before the line begins (the end of the
                                // line before it, or the first byte after a byte-order mark)
    const char* Start;          // the line's first byte, its indentation included
    const char* End;            // one past its line break, or past the white space before the
                                // next line where that stands on the same line of text
    std::size_t LineNumber;     // the line of text it starts on, counting from 1
    bool Canonical;             // Start..End is exactly what the rewrite writes for it
};

// A read position in a list file held in memory.
struct LineReader {
    const char* Pos;         // where the next read starts
    const char* End;         // one past the last byte
    const char* LastEnd;     // End of the last line read: white space after it up to the end of
                             // the data is not part of any line
    std::size_t LineNumber;  // the line of text Pos stands on
};

// Starts reading at the first byte, past a UTF-8 byte-order mark.
LineReader MakeLineReader(const char* data, std::size_t size);

// Whether the data ends in a line break (LF or CR).
bool EndsInLineBreak(const char* data, std::size_t size);

// Whether the byte at p (before end) ends a line break: an LF, or a CR that
// no LF follows.
inline bool EndsLineBreak(const char* p, const char* end) {
    return *p == '\n' || (*p == '\r' && (p + 1 == end || p[1] != '\n'));
}

// The line breaks in start..end: CR LF, LF alone or CR alone, each one.
std::size_t CountLineBreaks(const char* start, const char* end);

// White space as the reader knows it, between lines and inside their first
// brackets: space, tab, LF, VT, FF, CR (the C locale's).
bool IsListSpace(char c);

// Whether the data starts with a UTF-8 byte-order mark.
bool StartsWithByteOrderMark(const char* data, std::size_t size);

// Reads the next line into *line and moves past it. Returns false when only
// white space (or nothing) is left.
bool NextListLine(LineReader* reader, ListLine* line);

// Formats a line as the rewrite and the add write it into out, which holds at
// least kMaxLineLength + 1 bytes; returns its length. At most 30 bytes of the
// name are used. The add writes flag 1.
std::size_t FormatLine(char* out, std::uint8_t flag, const std::uint8_t code[6], const char* name);

// The code as a line holds it: twelve upper-case hex digits, bytes 1 to 6,
// into out (13 bytes, with the NUL).
void FormatCodeDigits(const std::uint8_t code[6], char* out);

// Formats a line with a name of any length (one that reads: no "]", NUL, CR
// or LF, at least one byte) into out, which holds `size` bytes; returns its
// length, or 0 when it does not fit. For lines whose name is longer than 30
// bytes, which the list keeps as they are written.
std::size_t FormatLineWithName(char* out, std::size_t size, std::uint8_t flag, const std::uint8_t code[6],
                               const char* name, std::size_t nameLength);

// Turns the host's name field (fieldSize bytes, NUL-terminated inside the
// field or not at all) into a name that reads back exactly: "]" becomes ")",
// CR and LF become spaces, the name is cut to 30 bytes, and an empty name
// becomes "?". out holds kMaxNameLength + 1 bytes.
void FitNameForList(const char* field, std::size_t fieldSize, char* out);

#endif  // ZELQ_CHANNEL_LIST_LIST_LINE_H
