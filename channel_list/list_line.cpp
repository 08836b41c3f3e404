#include "list_line.h"

#include <cstring>

namespace {

// What each byte is to the reader, looked up in one table: the reader looks
// at every byte of the list.
struct ByteClasses {
    signed char HexValue[256];  // value of a hexadecimal digit, either case, or -1
    signed char HexDigit[256];  // the same, with kLowerCaseDigit added for "a" to "f"
    bool Space[256];            // white space as the C locale defines it: space, tab, LF, VT, FF, CR
    bool InlineSpace[256];      // white space that may stand inside a line: all of it but LF and CR
    bool NameByte[256];         // may stand in a name: anything but "]", NUL, CR and LF
};

constexpr ByteClasses MakeByteClasses() {
    ByteClasses classes{};
    for (int c = 0; c < 256; ++c) {
        classes.HexValue[c] = static_cast<signed char>(c >= '0' && c <= '9'   ? c - '0'
                                                       : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                       : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                                              : -1);
        classes.HexDigit[c] = static_cast<signed char>(classes.HexValue[c] + (c >= 'a' && c <= 'f' ? 16 : 0));
        classes.Space[c] = c == ' ' || (c >= '\t' && c <= '\r');
        classes.InlineSpace[c] = classes.Space[c] && c != '\n' && c != '\r';
        classes.NameByte[c] = c != ']' && c != '\0' && c != '\r' && c != '\n';
    }
    return classes;
}

constexpr ByteClasses kByteClasses = MakeByteClasses();

inline bool IsSpace(char c) { return kByteClasses.Space[static_cast<unsigned char>(c)]; }
inline bool IsInlineSpace(char c) { return kByteClasses.InlineSpace[static_cast<unsigned char>(c)]; }
inline int HexValue(char c) { return kByteClasses.HexValue[static_cast<unsigned char>(c)]; }
inline bool IsNameByte(char c) { return kByteClasses.NameByte[static_cast<unsigned char>(c)]; }

// HexDigit's mark of a lower-case digit, which the write format never uses.
constexpr int kLowerCaseDigit = 16;
inline int HexDigit(char c) { return kByteClasses.HexDigit[static_cast<unsigned char>(c)]; }

inline const char* SkipInlineSpace(const char* p, const char* end) {
    while (p < end && IsInlineSpace(*p)) ++p;
    return p;
}

// One past the line break at p: CR LF, LF or CR alone. p must be at one.
inline const char* PastBreakAt(const char* p, const char* end) {
    return *p == '\r' && p + 1 < end && p[1] == '\n' ? p + 2 : p + 1;
}

inline bool IsLineBreak(char c) { return c == '\n' || c == '\r'; }

// One past the next line break from p on, or end.
inline const char* PastLineBreak(const char* p, const char* end) {
    while (p < end && !IsLineBreak(*p)) ++p;
    return p < end ? PastBreakAt(p, end) : end;
}

// The hex digits (and the white space between them) from p on: how many
// digits the code field holds, for the message about a code of the wrong
// length.
std::size_t CountCodeDigits(const char* p, const char* end) {
    std::size_t digits = 0;
    for (; p < end && (HexValue(*p) >= 0 || IsInlineSpace(*p)); ++p) {
        if (HexValue(*p) >= 0) ++digits;
    }
    return digits;
}

// Whether the white space from `from` to `to` is the one space the write
// format puts there.
inline bool OneSpace(const char* from, const char* to) { return to == from + 1 && *from == ' '; }

// Skips the white space from p on; *canonical stays true only where it is
// the one space the write format puts there.
inline const char* SkipOneSpace(const char* p, const char* end, bool* canonical) {
    const char* const next = SkipInlineSpace(p, end);
    *canonical = *canonical && OneSpace(p, next);
    return next;
}

// Notes why a line does not read; returns null for ReadFields to return.
inline const char* Refuse(ListLine* line, LineFault fault, const char* code = nullptr, const char* end = nullptr) {
    line->Fault = fault;
    if (code) line->CodeDigits = CountCodeDigits(code, end);
    return nullptr;
}

// Reads one line's fields from p (its "["). On success fills the flag, code
// and name of *line and returns one past the closing "]"; otherwise sets
// line->Fault and returns null. line->Canonical tells whether everything up
// to the name's "]" is exactly as the write format writes it.
const char* ReadFields(const char* p, const char* end, ListLine* line) {
    if (p == end || *p != '[') return Refuse(line, kFaultNoOpeningBracket);
    bool canonical = true;
    p = SkipOneSpace(p + 1, end, &canonical);

    // The flag: any number of digits; only the low byte (the last two digits)
    // counts.
    if (p == end || HexValue(*p) < 0) return Refuse(line, kFaultNoFlag);
    unsigned flag = 0;
    const char* const flagDigits = p;
    for (int digit; p < end && (digit = HexDigit(*p)) >= 0; ++p) {
        flag = ((flag << 4) | static_cast<unsigned>(digit & 15)) & 0xFF;
        canonical = canonical && (digit & kLowerCaseDigit) == 0;
    }
    line->Entry.Flag = static_cast<std::uint8_t>(flag);
    // Written without leading zeros: one digit below 0x10, two from it on.
    canonical = canonical && p - flagDigits == (flag >= 0x10 ? 2 : 1);

    // Three groups of one to four digits, white space allowed before each.
    const char* const code = p;
    for (int group = 0; group < 3; ++group) {
        // One space before the twelve digits, none between their groups.
        const char* const spaces = p;
        p = SkipInlineSpace(p, end);
        canonical = canonical && (group == 0 ? OneSpace(spaces, p) : spaces == p);
        unsigned value = 0;
        int digits = 0;
        // Four digits, as nearly every line has them, are read at once.
        const int d0 = end - p >= 4 ? HexDigit(p[0]) : -1;
        const int d1 = d0 >= 0 ? HexDigit(p[1]) : -1;
        const int d2 = d1 >= 0 ? HexDigit(p[2]) : -1;
        const int d3 = d2 >= 0 ? HexDigit(p[3]) : -1;
        if (d3 >= 0) {
            value = static_cast<unsigned>(((d0 & 15) << 12) | ((d1 & 15) << 8) | ((d2 & 15) << 4) | (d3 & 15));
            canonical = canonical && ((d0 | d1 | d2 | d3) & kLowerCaseDigit) == 0;
            digits = 4;
            p += 4;
        } else {
            for (int digit; digits < 4 && p < end && (digit = HexValue(*p)) >= 0; ++p, ++digits) {
                value = (value << 4) | static_cast<unsigned>(digit);
            }
            canonical = false;
        }
        if (digits == 0) return Refuse(line, kFaultCodeDigits, code, end);
        line->Entry.Code[2 * group] = static_cast<std::uint8_t>(value >> 8);
        line->Entry.Code[2 * group + 1] = static_cast<std::uint8_t>(value & 0xFF);
    }

    p = SkipOneSpace(p, end, &canonical);
    if (p == end || *p != ']') {
        // A thirteenth digit is a code too long; anything else a missing "]".
        if (p < end && HexValue(*p) >= 0) return Refuse(line, kFaultCodeDigits, code, end);
        return Refuse(line, kFaultNoCodeBracket);
    }
    p = SkipOneSpace(p + 1, end, &canonical);
    if (p == end || *p != '[') return Refuse(line, kFaultNoNameBracket);
    ++p;

    // The name: from right after "[" up to its "]".
    const char* const name = p;
    while (p < end && IsNameByte(*p)) ++p;
    if (p == name && p < end && *p == ']') return Refuse(line, kFaultEmptyName);
    if (p == end || *p != ']') return Refuse(line, kFaultNameNotClosed);
    line->Name = name;
    line->NameLength = static_cast<std::size_t>(p - name);
    line->Canonical = canonical && line->NameLength <= kMaxNameLength;
    const std::size_t kept = line->NameLength < kMaxNameLength ? line->NameLength : kMaxNameLength;
    std::memcpy(line->Entry.Name, name, kept);
    line->Entry.Name[kept] = '\0';
    return p + 1;
}

// Every byte's two upper-case hex digits.
constexpr char kHexDigits[] = "0123456789ABCDEF";

inline char* PutHexByte(char* out, std::uint8_t value) {
    out[0] = kHexDigits[value >> 4];
    out[1] = kHexDigits[value & 0x0F];
    return out + 2;
}

}  // namespace

bool EndsInLineBreak(const char* data, std::size_t size) { return size > 0 && IsLineBreak(data[size - 1]); }

std::size_t CountLineBreaks(const char* start, const char* end) {
    std::size_t count = 0;
    for (const char* p = start; p < end; ++p) {
        if (EndsLineBreak(p, end)) ++count;
    }
    return count;
}

bool IsListSpace(char c) { return IsSpace(c); }

void FormatCodeDigits(const std::uint8_t code[6], char* out) {
    for (int i = 0; i < 6; ++i) out = PutHexByte(out, code[i]);
    *out = '\0';
}

bool StartsWithByteOrderMark(const char* data, std::size_t size) {
    return size >= kByteOrderMarkSize && std::memcmp(data, kByteOrderMark, kByteOrderMarkSize) == 0;
}

LineReader MakeLineReader(const char* data, std::size_t size) {
    const char* start = StartsWithByteOrderMark(data, size) ? data + kByteOrderMarkSize : data;
    return LineReader{start, data + size, start, 1};
}

bool NextListLine(LineReader* reader, ListLine* line) {
    const char* const end = reader->End;

    // The white space before the line; the line's own indentation (from the
    // start of its line of text) goes with it where it is kept byte for byte.
    const char* p = reader->Pos;
    const char* lineStart = p;
    while (p < end && IsSpace(*p)) {
        if (IsLineBreak(*p)) {
            p = PastBreakAt(p, end);
            ++reader->LineNumber;
            lineStart = p;
            continue;
        }
        ++p;
    }
    if (p == end) {
        reader->Pos = p;
        return false;
    }

    line->Fault = kFaultNone;
    line->CodeDigits = 0;
    line->Name = nullptr;
    line->NameLength = 0;
    line->LineNumber = reader->LineNumber;
    line->Canonical = false;
    line->GapStart = reader->Pos;
    line->Start = lineStart;

    const char* const recordEnd = ReadFields(p, end, line);
    if (!recordEnd) {
        // Not a line of the list: it is kept whole, up to and with its line
        // break, and reading goes on after it.
        line->Kind = kLineUnreadable;
        line->End = PastLineBreak(p, end);
        if (IsLineBreak(line->End[-1])) ++reader->LineNumber;
        reader->Pos = line->End;
        reader->LastEnd = line->End;
        return true;
    }

    line->Kind = line->NameLength > kMaxNameLength ? kLineLongName : kLineReads;

    // The line ends with its line break, unless another line follows on the
    // same line of text.
    const char* q = SkipInlineSpace(recordEnd, end);
    if (q < end && IsLineBreak(*q)) {
        q = PastBreakAt(q, end);
        ++reader->LineNumber;
    }
    line->End = q;
    // Canonical: as the write format writes it, from the line's first byte
    // to its CR LF.
    line->Canonical = line->Canonical && line->Start == p && q == recordEnd + 2 && recordEnd[0] == '\r' &&
                      recordEnd[1] == '\n';
    reader->Pos = q;
    reader->LastEnd = q;
    return true;
}


std::size_t FormatLine(char* out, std::uint8_t flag, const std::uint8_t code[6], const char* name) {
    // The name ends at its NUL, or after 30 bytes.
    const void* const nul = std::memchr(name, '\0', kMaxNameLength);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - name) : kMaxNameLength;
    return FormatLineWithName(out, kMaxLineLength + 1, flag, code, name, length);
}

std::size_t FormatLineWithName(char* out, std::size_t size, std::uint8_t flag, const std::uint8_t code[6],
                               const char* name, std::size_t length) {
    if (size < kMaxLineLength - kMaxNameLength + length + 1) return 0;
    // "[ ", the flag without leading zeros, " ", the twelve digits, " ] [".
    char* p = out;
    *p++ = '[';
    *p++ = ' ';
    if (flag >= 0x10) {
        p = PutHexByte(p, flag);
    } else {
        *p++ = kHexDigits[flag];
    }
    *p++ = ' ';
    for (int i = 0; i < 6; ++i) p = PutHexByte(p, code[i]);
    std::memcpy(p, " ] [", 4);
    p += 4;
    std::memcpy(p, name, length);
    p += length;
    *p++ = ']';
    *p++ = '\r';
    *p++ = '\n';
    *p = '\0';
    return static_cast<std::size_t>(p - out);
}

void FitNameForList(const char* field, std::size_t fieldSize, char* out) {
    std::size_t length = 0;
    while (length < fieldSize && length < kMaxNameLength && field[length] != '\0') {
        char c = field[length];
        if (c == ']') c = ')';
        if (c == '\r' || c == '\n') c = ' ';
        out[length++] = c;
    }
    if (length == 0) out[length++] = '?';
    out[length] = '\0';
}
