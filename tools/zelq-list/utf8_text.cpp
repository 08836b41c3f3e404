#include "utf8_text.h"

#include <cstdio>

bool NextUtf8Character(const char* text, std::size_t size, std::size_t* at, std::uint32_t* character) {
    const unsigned char first = static_cast<unsigned char>(text[*at]);
    std::size_t length;
    std::uint32_t value;
    std::uint32_t least;
    if (first < 0x80) {
        *character = first;
        ++*at;
        return true;
    } else if (first >= 0xC2 && first <= 0xDF) {
        length = 2, value = first & 0x1F, least = 0x80;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3, value = first & 0x0F, least = 0x800;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4, value = first & 0x07, least = 0x10000;
    } else {
        return false;
    }
    if (size - *at < length) return false;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[*at + i]);
        if ((next & 0xC0) != 0x80) return false;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    *character = value;
    *at += length;
    return true;
}

namespace {

// Characters that take no column of their own.
bool IsZeroWidth(std::uint32_t c) {
    return (c >= 0x0300 && c <= 0x036F) ||  // combining diacritical marks
           (c >= 0x0610 && c <= 0x061A) ||  // Arabic signs above and below
           (c >= 0x064B && c <= 0x065F) ||  // Arabic vowel signs (harakat)
           c == 0x0670 ||                   // superscript alef
           (c >= 0x06D6 && c <= 0x06DC) || (c >= 0x06DF && c <= 0x06E4) ||
           (c >= 0x06E7 && c <= 0x06E8) || (c >= 0x06EA && c <= 0x06ED) ||
           (c >= 0x200B && c <= 0x200F) ||  // zero-width space, joiners, direction marks
           c == 0xFEFF;
}

// The columns the character at text[*at] takes, moving past it: a byte that
// is no UTF-8 takes one.
std::size_t NextColumns(const std::string& text, std::size_t* at) {
    std::uint32_t c;
    if (NextUtf8Character(text.data(), text.size(), at, &c)) return IsZeroWidth(c) ? 0 : 1;
    ++*at;
    return 1;
}

}  // namespace

void AppendUtf8(std::string* out, std::uint32_t c) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool DecodeUtf8(const std::string& text, std::vector<std::uint32_t>* characters) {
    characters->clear();
    std::size_t at = 0;
    while (at < text.size()) {
        std::uint32_t c;
        if (!NextUtf8Character(text.data(), text.size(), &at, &c)) return false;
        characters->push_back(c);
    }
    return true;
}

std::size_t Utf8Prefix(const char* data, std::size_t size) {
    std::size_t at = 0;
    std::uint32_t c;
    while (at < size) {
        if (!NextUtf8Character(data, size, &at, &c)) return at;
    }
    return size;
}

std::size_t CountUtf8Characters(const char* data, std::size_t size) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < size; ++i) count += (static_cast<unsigned char>(data[i]) & 0xC0) != 0x80;
    return count;
}

std::size_t DisplayWidth(const std::string& text) {
    std::size_t width = 0;
    for (std::size_t at = 0; at < text.size();) width += NextColumns(text, &at);
    return width;
}

std::string FitToWidth(const std::string& text, std::size_t width) {
    if (DisplayWidth(text) <= width) return text;
    if (width == 0) return std::string();
    // Keep whole characters, with their combining marks, up to width - 1
    // columns, then the ellipsis.
    std::size_t used = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t next = at;
        const std::size_t columns = NextColumns(text, &next);
        if (columns > 0 && used == width - 1) break;
        used += columns;
        at = next;
    }
    return text.substr(0, at) + "\xE2\x80\xA6";
}

bool IsControlCharacter(std::uint32_t c) { return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F); }

bool IsUnicodeBlank(std::uint32_t c) {
    return c == ' ' || c == '\t' || c == 0xA0 || (c >= 0x2000 && c <= 0x200B) || c == 0x202F || c == 0x205F ||
           c == 0x3000 || c == 0xFEFF;
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string EscapeControls(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = at;
        std::uint32_t c;
        if (!NextUtf8Character(text.data(), text.size(), &at, &c)) {
            c = static_cast<unsigned char>(text[at++]);
        } else if (!IsControlCharacter(c)) {
            out.append(text, start, at - start);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
        out += escaped;
    }
    return out;
}

std::string CutText(std::string_view text, std::size_t most) {
    if (text.size() <= most) return EscapeControls(std::string(text));
    // Back to the start of a character.
    std::size_t cut = most;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return EscapeControls(std::string(text.substr(0, cut))) + "\xE2\x80\xA6";
}
