#include "list_line.h"

#include <cstring>

namespace {

// White space as the C locale defines it: space, tab, LF, VT, FF, CR.
inline bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Value of a hexadecimal digit, either case, or -1.
inline int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A byte that may stand in a name.
inline bool IsNameByte(unsigned char c) { return c != ']' && c != '\0' && c != '\r' && c != '\n'; }

inline const char* SkipSpace(const char* p, const char* end) {
    while (p < end && IsSpace(static_cast<unsigned char>(*p))) ++p;
    return p;
}

struct RawLine {
    std::uint8_t Flag;
    std::uint8_t Code[6];
    const char* Name;
    std::size_t NameLength;
    const char* RecordEnd;  // one past the closing "]"
    const char* Next;       // past the white space after it
};

// Reads one line with either grammar. Returns false, touching nothing, when
// the bytes at reader.Pos do not form a whole line.
bool ReadRaw(const LineReader& reader, bool loose, RawLine* line) {
    const char* p = reader.Pos;
    const char* const end = reader.End;

    p = SkipSpace(p, end);
    if (p == end || *p != '[') return false;
    p = SkipSpace(p + 1, end);

    // The flag: any number of digits; only the low byte (the last two digits)
    // counts.
    if (p == end || HexValue(static_cast<unsigned char>(*p)) < 0) return false;
    unsigned flag = 0;
    for (int digit; p < end && (digit = HexValue(static_cast<unsigned char>(*p))) >= 0; ++p) {
        flag = ((flag << 4) | static_cast<unsigned>(digit)) & 0xFF;
    }
    line->Flag = static_cast<std::uint8_t>(flag);

    // Three groups of one to four digits, white space allowed before each.
    for (int group = 0; group < 3; ++group) {
        p = SkipSpace(p, end);
        unsigned value = 0;
        int digits = 0;
        for (int digit; digits < 4 && p < end &&
                        (digit = HexValue(static_cast<unsigned char>(*p))) >= 0;
             ++p, ++digits) {
            value = (value << 4) | static_cast<unsigned>(digit);
        }
        if (digits == 0) return false;
        line->Code[2 * group] = static_cast<std::uint8_t>(value >> 8);
        line->Code[2 * group + 1] = static_cast<std::uint8_t>(value & 0xFF);
    }

    p = SkipSpace(p, end);
    if (p == end || *p != ']') return false;
    p = SkipSpace(p + 1, end);
    if (p == end || *p != '[') return false;
    ++p;
    if (loose) p = SkipSpace(p, end);

    const char* const name = p;
    // The strict grammar stops looking one byte past the longest name: a
    // longer name fails at its "]" check below without a scan of the rest.
    const char* const limit =
        loose || static_cast<std::size_t>(end - p) <= kMaxNameLength ? end : p + kMaxNameLength + 1;
    while (p < limit && IsNameByte(static_cast<unsigned char>(*p))) ++p;
    line->Name = name;
    line->NameLength = static_cast<std::size_t>(p - name);
    if (line->NameLength == 0) return false;
    if (!loose && line->NameLength > kMaxNameLength) return false;

    if (loose) p = SkipSpace(p, end);
    if (p == end || *p != ']') return false;
    ++p;
    line->RecordEnd = p;
    line->Next = SkipSpace(p, end);
    return true;
}

inline char* PutHexByte(char* out, std::uint8_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    out[0] = kDigits[value >> 4];
    out[1] = kDigits[value & 0x0F];
    return out + 2;
}

}  // namespace

LineReader MakeLineReader(const char* data, std::size_t size) {
    return LineReader{data, data + size, nullptr};
}

bool ParseLine(LineReader* reader, ListEntry* entry) {
    RawLine line;
    if (!ReadRaw(*reader, false, &line)) return false;
    entry->Flag = line.Flag;
    std::memcpy(entry->Code, line.Code, sizeof entry->Code);
    std::memcpy(entry->Name, line.Name, line.NameLength);
    entry->Name[line.NameLength] = '\0';
    reader->Pos = line.Next;
    reader->LastRecordEnd = line.RecordEnd;
    return true;
}

bool ScanLine(LineReader* reader, ScannedLine* scanned) {
    RawLine line;
    if (!ReadRaw(*reader, true, &line)) return false;
    scanned->Flag = line.Flag;
    std::memcpy(scanned->Code, line.Code, sizeof scanned->Code);
    reader->Pos = line.Next;
    reader->LastRecordEnd = line.RecordEnd;
    return true;
}

const char* UnreadTailStart(const LineReader& reader, const char* data) {
    const char* const floor = reader.LastRecordEnd ? reader.LastRecordEnd : data;
    const char* p = reader.Pos;
    while (p > floor && (p[-1] == ' ' || p[-1] == '\t' || p[-1] == '\v' || p[-1] == '\f')) --p;
    return p;
}

std::size_t FormatLine(char* out, std::uint8_t flag, const std::uint8_t code[6], const char* name) {
    char* p = out;
    *p++ = '[';
    *p++ = ' ';
    if (flag >= 0x10) {
        p = PutHexByte(p, flag);
    } else {
        *p++ = "0123456789ABCDEF"[flag];
    }
    *p++ = ' ';
    for (int i = 0; i < 6; ++i) p = PutHexByte(p, code[i]);
    std::memcpy(p, " ] [", 4);
    p += 4;
    std::size_t length = 0;
    while (length < kMaxNameLength && name[length] != '\0') ++length;
    std::memcpy(p, name, length);
    p += length;
    *p++ = ']';
    *p++ = '\r';
    *p++ = '\n';
    *p = '\0';
    return static_cast<std::size_t>(p - out);
}

std::size_t FormatAddedLine(char* out, const std::uint8_t code[6], const char* name) {
    return FormatLine(out, 1, code, name);
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
