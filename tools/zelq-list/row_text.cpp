#include "row_text.h"

#include "channel_list/list_line.h"
#include "channel_list/position_text.h"
#include "utf8_text.h"

std::string PositionText(std::uint16_t position) {
    char text[kPositionTextSize];
    FormatPosition(position, text);
    return text;
}

std::string CodeText(const std::uint8_t code[6]) {
    char text[13];
    FormatCodeDigits(code, text);
    return text;
}

std::string ShownName(const CodePage& page, const char* name, std::size_t size) {
    return EscapeControls(NameToUtf8(page, name, size));
}

std::string ShownLine(const CodePage& page, const char* start, const char* end) {
    while (start < end && IsListSpace(*start)) ++start;
    while (end > start && IsListSpace(end[-1])) --end;
    return ShownName(page, start, static_cast<std::size_t>(end - start));
}

std::string ShownText(const CodePage& page, std::string_view line) {
    return ShownLine(page, line.data(), line.data() + line.size());
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
        // Beyond `most` it stays beyond, without wrapping around.
        if (digit > most || *value > (most - digit) / base) return false;
        *value = *value * base + digit;
    }
    return *value >= least;
}

const char* Plural(std::size_t count) { return count == 1 ? "" : "s"; }
