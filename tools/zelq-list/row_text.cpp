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

const char* Plural(std::size_t count) { return count == 1 ? "" : "s"; }
