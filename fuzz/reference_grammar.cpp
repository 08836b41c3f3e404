#include "reference_grammar.h"

#include <cstdio>
#include <string>

namespace {

// White space in the C locale: space, tab, LF, VT, FF, CR.
bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsHexDigit(char c) {
    return std::string_view("0123456789abcdefABCDEF").find(c) != std::string_view::npos;
}

std::size_t SkipWhite(std::string_view text, std::size_t i) {
    while (i < text.size() && IsWhite(text[i])) ++i;
    return i;
}

// Length of the run of hex digits at i, at most `limit`.
std::size_t HexRun(std::string_view text, std::size_t i, std::size_t limit) {
    std::size_t n = 0;
    while (n < limit && i + n < text.size() && IsHexDigit(text[i + n])) ++n;
    return n;
}

unsigned HexValue(std::string_view digits) {
    return static_cast<unsigned>(std::stoul(std::string(digits), nullptr, 16));
}

bool At(std::string_view text, std::size_t i, char c) { return i < text.size() && text[i] == c; }

// The bytes that end a name: a name never holds them.
constexpr std::string_view kNameEnders("]\0\r\n", 4);

bool ReadOne(std::string_view text, std::size_t pos, bool loose, RefLine* line) {
    std::size_t i = SkipWhite(text, pos);
    if (!At(text, i, '[')) return false;
    i = SkipWhite(text, i + 1);

    // The flag: every hex digit there is; its last two make the low byte.
    const std::size_t flagDigits = HexRun(text, i, std::string_view::npos);
    if (flagDigits == 0) return false;
    const std::size_t lowDigits = flagDigits < 2 ? flagDigits : 2;
    line->Flag = static_cast<std::uint8_t>(HexValue(text.substr(i + flagDigits - lowDigits, lowDigits)));
    i += flagDigits;

    for (int group = 0; group < 3; ++group) {
        i = SkipWhite(text, i);
        const std::size_t digits = HexRun(text, i, 4);
        if (digits == 0) return false;
        const unsigned value = HexValue(text.substr(i, digits));
        line->Code[2 * group] = static_cast<std::uint8_t>(value / 256);
        line->Code[2 * group + 1] = static_cast<std::uint8_t>(value % 256);
        i += digits;
    }

    i = SkipWhite(text, i);
    if (!At(text, i, ']')) return false;
    i = SkipWhite(text, i + 1);
    if (!At(text, i, '[')) return false;
    ++i;

    if (!loose) {
        const std::size_t end = text.find_first_of(kNameEnders, i);
        if (end == std::string_view::npos || text[end] != ']') return false;
        if (end == i || end - i > 30) return false;
        line->Name = std::string(text.substr(i, end - i));
        line->RecordEnd = end + 1;
    } else {
        const std::size_t start = SkipWhite(text, i);
        const std::size_t end = text.find_first_of(kNameEnders, start);
        if (end == std::string_view::npos || end == start) return false;
        const std::size_t close = SkipWhite(text, end);
        if (!At(text, close, ']')) return false;
        line->Name.clear();
        line->RecordEnd = close + 1;
    }
    line->Next = SkipWhite(text, line->RecordEnd);
    return true;
}

}  // namespace

bool RefReadLine(std::string_view text, std::size_t pos, Grammar grammar, RefLine* line) {
    switch (grammar) {
        case Grammar::Strict:
            return ReadOne(text, pos, false, line);
        case Grammar::Loose:
            return ReadOne(text, pos, true, line);
        case Grammar::AddScan:
            if (ReadOne(text, pos, true, line)) return true;
            if (!ReadOne(text, pos, false, line)) return false;
            line->Name.clear();
            return true;
    }
    return false;
}

RefReading RefReadAll(std::string_view text, Grammar grammar) {
    RefReading reading;
    std::size_t pos = 0;
    std::size_t lastEnd = 0;
    RefLine line;
    while (RefReadLine(text, pos, grammar, &line)) {
        reading.Lines.push_back(line);
        pos = line.Next;
        lastEnd = line.RecordEnd;
    }
    reading.Stop = pos;
    // Only white space stands between the last line read and the failed one;
    // the rest starts on the failed line's own line, after the last break.
    const std::size_t lastBreak = text.substr(0, pos).find_last_of("\r\n");
    reading.TailStart = lastBreak == std::string_view::npos || lastBreak < lastEnd ? lastEnd : lastBreak + 1;
    return reading;
}

std::string RefCanonicalLine(std::uint8_t flag, const std::uint8_t code[6], const std::string& name) {
    char head[64];
    std::snprintf(head, sizeof head, "[ %X %02X%02X%02X%02X%02X%02X ] [", flag, code[0], code[1],
                  code[2], code[3], code[4], code[5]);
    return head + name + "]\r\n";
}

std::uint32_t RefKey(const std::uint8_t code[6]) {
    std::uint32_t key = 0;
    for (int i = 0; i < 4; ++i) key = key * 256 + code[i];
    return key;
}

void RefEncode(std::uint16_t ident, std::uint32_t position, std::uint32_t tuneValue,
               std::uint8_t code[6]) {
    const unsigned xLo = ident % 256, xHi = ident / 256;
    const unsigned pLo = position % 256, pHi = (position / 256) % 256;
    const unsigned m = tuneValue / 1000;
    code[0] = static_cast<std::uint8_t>(xLo ^ 0x96);
    code[1] = static_cast<std::uint8_t>(xHi ^ pLo ^ 0xE1);
    code[2] = static_cast<std::uint8_t>(xLo ^ pLo ^ 0x27);
    code[3] = static_cast<std::uint8_t>(xHi ^ pHi ^ 0x59);
    code[4] = static_cast<std::uint8_t>((m % 256) ^ code[3]);
    code[5] = static_cast<std::uint8_t>(((m / 256) % 256) ^ code[1]);
}

void RefDecode(const std::uint8_t code[6], std::uint16_t* ident, std::uint16_t* position) {
    const unsigned xLo = code[0] ^ 0x96u;
    const unsigned pLo = xLo ^ code[2] ^ 0x27u;
    const unsigned xHi = code[1] ^ pLo ^ 0xE1u;
    const unsigned pHi = code[3] ^ xHi ^ 0x59u;
    *ident = static_cast<std::uint16_t>(xHi * 256 + xLo);
    *position = static_cast<std::uint16_t>(pHi * 256 + pLo);
}

std::string RefFitName(const char* field, std::size_t size) {
    std::string name(field, size);
    name = name.substr(0, name.find('\0'));
    if (name.size() > 30) name.resize(30);
    for (char& c : name) {
        if (c == ']') c = ')';
        if (c == '\r' || c == '\n') c = ' ';
    }
    return name.empty() ? "?" : name;
}

std::string Printable(std::string_view bytes, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    if (bytes.size() > limit) out += "... (" + std::to_string(bytes.size()) + " bytes)";
    return out;
}
