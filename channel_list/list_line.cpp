#include "list_line.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Byte classes, one table lookup per byte: the reader looks at every byte of
// the list, so this is where loading spends its time.
struct ByteClasses {
    std::int8_t HexValue[256];  // value of a hexadecimal digit, either case, or -1
    bool Space[256];            // white space as the C locale defines it: space, tab, LF, VT, FF, CR
    bool NameByte[256];         // may stand in a name: anything but "]", NUL, CR and LF
};

constexpr ByteClasses MakeByteClasses() {
    ByteClasses classes{};
    for (int c = 0; c < 256; ++c) {
        classes.HexValue[c] = static_cast<std::int8_t>(
            c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1);
        classes.Space[c] = c == ' ' || (c >= '\t' && c <= '\r');
        classes.NameByte[c] = c != ']' && c != '\0' && c != '\r' && c != '\n';
    }
    return classes;
}

constexpr ByteClasses kByteClasses = MakeByteClasses();

inline bool IsSpace(char c) { return kByteClasses.Space[static_cast<unsigned char>(c)]; }
inline int HexValue(char c) { return kByteClasses.HexValue[static_cast<unsigned char>(c)]; }
inline bool IsNameByte(char c) { return kByteClasses.NameByte[static_cast<unsigned char>(c)]; }

inline const char* SkipSpace(const char* p, const char* end) {
    while (p < end && IsSpace(*p)) ++p;
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

// Where SSE2 is at hand, the usual head of a line (the one the plug-in writes
// and most edited lists keep) and names are checked sixteen bytes at a time,
// which reads a long list several times faster. The general byte-by-byte
// reading below decides everything else and gives the same results.
#if defined(__SSE2__)

inline std::uint32_t Load4(const char* p) {
    std::uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

inline __m128i Load16(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

inline __m128i Bytes(char c) { return _mm_set1_epi8(c); }

// Bit i is set when byte i is a hex digit, either case. The compares are
// signed, so bytes from 0x80 up, being negative, never match.
inline unsigned HexDigitMask(__m128i block) {
    const __m128i digits = _mm_and_si128(_mm_cmpgt_epi8(block, Bytes('0' - 1)), _mm_cmplt_epi8(block, Bytes('9' + 1)));
    const __m128i lower = _mm_or_si128(block, Bytes(0x20));
    const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(lower, Bytes('a' - 1)), _mm_cmplt_epi8(lower, Bytes('f' + 1)));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(digits, letters)));
}

// Bit i is set when byte i cannot stand in a name: "]", NUL, CR or LF.
inline unsigned NameEnderMask(__m128i block) {
    const __m128i brackets = _mm_or_si128(_mm_cmpeq_epi8(block, Bytes(']')), _mm_cmpeq_epi8(block, _mm_setzero_si128()));
    const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi8(block, Bytes('\r')), _mm_cmpeq_epi8(block, Bytes('\n')));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(brackets, breaks)));
}

// The twelve hex digits (already checked) at the start of the block, as six
// bytes.
inline void DecodeCode(__m128i block, std::uint8_t code[6]) {
    // A digit's value is its low four bits, plus 9 for a letter (bit 6 set).
    const __m128i letterBits = _mm_and_si128(_mm_srli_epi16(block, 6), Bytes(1));
    const __m128i nibbles = _mm_add_epi8(_mm_and_si128(block, Bytes(0x0F)),
                                         _mm_add_epi8(_mm_slli_epi16(letterBits, 3), letterBits));
    // Two digits to a byte, the first the high half: each 16-bit lane holds
    // one pair, which the pack then lines up.
    const __m128i pairs = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(nibbles, _mm_set1_epi16(0x00FF)), 4),
                                       _mm_srli_epi16(nibbles, 8));
    std::uint8_t bytes[8];
    _mm_storel_epi64(reinterpret_cast<__m128i*>(bytes), _mm_packus_epi16(pairs, pairs));
    std::memcpy(code, bytes, 6);
}

// Reads the usual head: "[ ", a flag of one or two digits, " ", twelve digits,
// " ] [". On success fills the flag and code and returns the byte after the
// "["; otherwise returns null, and the general reading decides.
inline const char* ReadUsualHead(const char* p, const char* end, RawLine* line) {
    if (end - p < 21) return nullptr;  // room for the 16-byte load at the code
    const std::uint32_t head = Load4(p);
    unsigned flag;
    const char* code;
    if ((head & 0xFF00FFFFu) == Load4("[ \0 ")) {  // "[ ", one digit, " "
        const int digit = HexValue(p[2]);
        if (digit < 0) return nullptr;
        flag = static_cast<unsigned>(digit);
        code = p + 4;
    } else if ((head & 0xFFFFu) == (Load4("[ \0\0") & 0xFFFFu) && p[4] == ' ') {  // "[ ", two digits, " "
        const int high = HexValue(p[2]);
        const int low = HexValue(p[3]);
        if (high < 0 || low < 0) return nullptr;
        flag = static_cast<unsigned>(high * 16 + low);
        code = p + 5;
    } else {
        return nullptr;
    }
    const __m128i block = Load16(code);  // twelve digits, then " ] ["
    if ((HexDigitMask(block) & 0x0FFFu) != 0x0FFFu || Load4(code + 12) != Load4(" ] [")) return nullptr;
    line->Flag = static_cast<std::uint8_t>(flag);
    DecodeCode(block, line->Code);
    return code + 16;
}

// The first byte from p on, before limit, that cannot stand in a name, or
// limit. Names are looked at 32 bytes at a time, so a name of any usual
// length takes one step; the blocks may look past limit, never past end.
inline const char* SkipNameBytes(const char* p, const char* limit, const char* end) {
    while (p < limit && end - p >= 16) {
        unsigned enders = NameEnderMask(Load16(p));
        unsigned width = 16;
        if (end - p >= 32) {
            enders |= NameEnderMask(Load16(p + 16)) << 16;
            width = 32;
        }
        if (enders) {
            p += __builtin_ctz(enders);
            return p < limit ? p : limit;
        }
        p += width;
    }
    if (p > limit) return limit;
    while (p < limit && IsNameByte(*p)) ++p;
    return p;
}

#else

inline const char* ReadUsualHead(const char*, const char*, RawLine*) { return nullptr; }

inline const char* SkipNameBytes(const char* p, const char* limit, const char*) {
    while (p < limit && IsNameByte(*p)) ++p;
    return p;
}

#endif

// Reads the head of a line with the general grammar: white space, "[", white
// space, the flag, three groups of digits, white space, "]", white space, "[".
// Returns the byte after that "[", or null when the bytes do not read.
const char* ReadGeneralHead(const char* p, const char* end, RawLine* line) {
    p = SkipSpace(p, end);
    if (p == end || *p != '[') return nullptr;
    p = SkipSpace(p + 1, end);

    // The flag: any number of digits; only the low byte (the last two digits)
    // counts.
    if (p == end || HexValue(*p) < 0) return nullptr;
    unsigned flag = 0;
    for (int digit; p < end && (digit = HexValue(*p)) >= 0; ++p) {
        flag = ((flag << 4) | static_cast<unsigned>(digit)) & 0xFF;
    }
    line->Flag = static_cast<std::uint8_t>(flag);

    // Three groups of one to four digits, white space allowed before each.
    for (int group = 0; group < 3; ++group) {
        p = SkipSpace(p, end);
        unsigned value = 0;
        int digits = 0;
        for (int digit; digits < 4 && p < end && (digit = HexValue(*p)) >= 0; ++p, ++digits) {
            value = (value << 4) | static_cast<unsigned>(digit);
        }
        if (digits == 0) return nullptr;
        line->Code[2 * group] = static_cast<std::uint8_t>(value >> 8);
        line->Code[2 * group + 1] = static_cast<std::uint8_t>(value & 0xFF);
    }

    p = SkipSpace(p, end);
    if (p == end || *p != ']') return nullptr;
    p = SkipSpace(p + 1, end);
    if (p == end || *p != '[') return nullptr;
    return p + 1;
}

// Reads one line with either grammar. Returns false, touching nothing the
// caller sees, when the bytes at reader.Pos do not form a whole line.
bool ReadRaw(const LineReader& reader, bool loose, RawLine* line) {
    const char* const end = reader.End;
    const char* p = ReadUsualHead(reader.Pos, end, line);
    if (!p) p = ReadGeneralHead(reader.Pos, end, line);
    if (!p) return false;
    if (loose) p = SkipSpace(p, end);

    const char* const name = p;
    // The strict grammar stops looking one byte past the longest name: a
    // longer name fails at its "]" check below without a scan of the rest.
    const char* const limit =
        loose || static_cast<std::size_t>(end - p) <= kMaxNameLength ? end : p + kMaxNameLength + 1;
    p = SkipNameBytes(p, limit, end);
    line->Name = name;
    line->NameLength = static_cast<std::size_t>(p - name);
    if (line->NameLength == 0) return false;
    if (!loose && line->NameLength > kMaxNameLength) return false;

    if (loose) p = SkipSpace(p, end);
    if (p == end || *p != ']') return false;
    ++p;
    line->RecordEnd = p;
    // Most lines end in CR LF with the next line right after.
    if (end - p > 2 && p[0] == '\r' && p[1] == '\n' && !IsSpace(p[2])) {
        line->Next = p + 2;
    } else {
        line->Next = SkipSpace(p, end);
    }
    return true;
}

// Every byte's two upper-case hex digits.
struct HexPairs {
    char Digits[256][2];
};

constexpr HexPairs MakeHexPairs() {
    HexPairs pairs{};
    for (int value = 0; value < 256; ++value) {
        pairs.Digits[value][0] = "0123456789ABCDEF"[value >> 4];
        pairs.Digits[value][1] = "0123456789ABCDEF"[value & 0x0F];
    }
    return pairs;
}

constexpr HexPairs kHexPairs = MakeHexPairs();

inline char* PutHexByte(char* out, std::uint8_t value) {
    std::memcpy(out, kHexPairs.Digits[value], 2);
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
    // The name ends at its NUL, or after 30 bytes.
    const void* const nul = std::memchr(name, '\0', kMaxNameLength);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - name) : kMaxNameLength;
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
