#include "row_text.h"

#include <cstdio>

#include "utf8_text.h"

std::string PositionText(std::uint16_t position) {
    char text[32];
    const bool west = position > 1800 && position < 3600;
    const unsigned tenths = west ? 3600u - position : position;
    std::snprintf(text, sizeof text, "%u.%u\xC2\xB0%c", tenths / 10, tenths % 10, west ? 'W' : 'E');
    return text;
}

long Longitude(std::uint16_t position) {
    if (position > 1800 && position < 3600) return static_cast<long>(position) - 3600;
    return position;
}

unsigned FrequencyMhz(const std::uint8_t code[6]) {
    const unsigned low = code[4] ^ code[3];
    const unsigned high = code[5] ^ code[1];
    return (high << 8) | low;
}

std::string ShownName(const CodePage& page, const char* name, std::size_t size) {
    return EscapeControls(NameToUtf8(page, name, size));
}

std::string ShownLine(const CodePage& page, const char* start, const char* end) {
    // White space as the list's reader knows it: space, tab, LF, VT, FF, CR.
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (start < end && space(*start)) ++start;
    while (end > start && space(end[-1])) --end;
    return ShownName(page, start, static_cast<std::size_t>(end - start));
}

std::string ShownText(const CodePage& page, const std::string& line) {
    return ShownLine(page, line.data(), line.data() + line.size());
}

std::string CodeText(const std::uint8_t code[6]) {
    char text[13];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", code[0], code[1], code[2], code[3], code[4], code[5]);
    return text;
}

bool ParseWholeNumber(const std::string& text, unsigned base, unsigned long least, unsigned long most,
                      unsigned long* value) {
    if (text.empty() || text.size() > 10) return false;
    *value = 0;
    for (const char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return false;
        }
        *value = *value * base + digit;
    }
    return *value >= least && *value <= most;
}

const char* Plural(std::size_t count) { return count == 1 ? "" : "s"; }
