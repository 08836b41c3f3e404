#include "reference_grammar.h"

#include <algorithm>
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

// Reads one line from the start of `text`, which is one line of text without
// its line feed. Returns one past the closing "]", or 0 when it does not read.
std::size_t ReadRecord(std::string_view text, RefItem* item) {
    std::size_t i = 0;
    if (!At(text, i, '[')) return 0;
    i = SkipWhite(text, i + 1);

    // The flag: every hex digit there is; its last two make the low byte.
    const std::size_t flagDigits = HexRun(text, i, std::string_view::npos);
    if (flagDigits == 0) return 0;
    const std::size_t lowDigits = flagDigits < 2 ? flagDigits : 2;
    item->Flag = static_cast<std::uint8_t>(HexValue(text.substr(i + flagDigits - lowDigits, lowDigits)));
    i += flagDigits;

    for (int group = 0; group < 3; ++group) {
        i = SkipWhite(text, i);
        const std::size_t digits = HexRun(text, i, 4);
        if (digits == 0) return 0;
        const unsigned value = HexValue(text.substr(i, digits));
        item->Code[2 * group] = static_cast<std::uint8_t>(value / 256);
        item->Code[2 * group + 1] = static_cast<std::uint8_t>(value % 256);
        i += digits;
    }

    i = SkipWhite(text, i);
    if (!At(text, i, ']')) return 0;
    i = SkipWhite(text, i + 1);
    if (!At(text, i, '[')) return 0;
    ++i;

    // The name: up to the first "]"; a NUL or a CR before it spoils the line.
    const std::size_t end = text.find_first_of(std::string_view("]\0\r", 3), i);
    if (end == std::string_view::npos || text[end] != ']' || end == i) return 0;
    item->Name = std::string(text.substr(i, end - i));
    return end + 1;
}

}  // namespace

bool RefHasByteOrderMark(std::string_view text) { return text.substr(0, 3) == "\xEF\xBB\xBF"; }

std::vector<RefItem> RefReadAll(std::string_view text) {
    std::vector<RefItem> items;
    std::size_t pos = RefHasByteOrderMark(text) ? 3 : 0;
    std::size_t lastEnd = pos;
    std::size_t countedTo = 0;
    std::size_t breaks = 0;
    const std::string_view kBreaks("\r\n", 2);
    for (;;) {
        pos = SkipWhite(text, pos);
        if (pos >= text.size()) break;
        RefItem item{};
        // The line's own indentation goes with it, never what came before.
        const std::size_t lastBreak = text.substr(0, pos).find_last_of(kBreaks);
        item.Start = lastBreak == std::string_view::npos || lastBreak + 1 < lastEnd ? lastEnd : lastBreak + 1;
        // Line breaks are LF, CR LF and CR alone.
        for (std::size_t i = countedTo; i < pos; ++i) {
            if (text[i] == '\n' || (text[i] == '\r' && !(i + 1 < text.size() && text[i + 1] == '\n'))) ++breaks;
        }
        countedTo = pos;
        item.LineNumber = 1 + breaks;
        const std::size_t lineBreak = text.find_first_of(kBreaks, pos);
        const std::size_t lineEnd = lineBreak == std::string_view::npos ? text.size() : lineBreak;
        const std::size_t pastBreak =
            lineBreak == std::string_view::npos
                ? text.size()
                : lineBreak + (text[lineBreak] == '\r' && lineBreak + 1 < text.size() && text[lineBreak + 1] == '\n' ? 2 : 1);
        const std::size_t read = ReadRecord(text.substr(pos, lineEnd - pos), &item);
        if (read == 0) {
            item.Kind = RefKind::Unreadable;
            item.Name.clear();
            item.End = pastBreak;
        } else {
            item.Kind = item.Name.size() > 30 ? RefKind::LongName : RefKind::Reads;
            std::size_t q = pos + read;
            while (q < lineEnd && IsWhite(text[q])) ++q;
            item.End = q == lineEnd ? pastBreak : q;
        }
        items.push_back(item);
        pos = lastEnd = item.End;
    }
    return items;
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
