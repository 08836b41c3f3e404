#include "code_page.h"

#include <algorithm>
#include <cstdio>

#include "shared/code_page_table.h"
#include "utf8_text.h"

namespace {

constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

std::string Quoted(std::uint32_t character) {
    std::string text = "\"";
    AppendUtf8(&text, character);
    char code[16];
    std::snprintf(code, sizeof code, "\" (U+%04X)", static_cast<unsigned>(character));
    return EscapeControls(text) + code;
}

}  // namespace

bool LoadCodePage(unsigned number, CodePage* page, std::string* error) {
    std::uint32_t characters[256];
    bool defined[256];
    if (!ReadCodePageTable(number, characters, defined, error)) return false;
    page->Number = number;
    page->Bytes.clear();
    for (int byte = 0; byte < 256; ++byte) {
        page->ByteText[byte].clear();
        AppendUtf8(&page->ByteText[byte], defined[byte] ? characters[byte] : kReplacementCharacter);
        page->ShownWidth[byte] = static_cast<std::uint8_t>(DisplayWidth(EscapeControls(page->ByteText[byte])));
        if (defined[byte]) page->Bytes.emplace_back(characters[byte], static_cast<std::uint8_t>(byte));
    }
    // A character that two bytes stand for is typed as the first of them.
    std::stable_sort(page->Bytes.begin(), page->Bytes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

std::string NameToUtf8(const CodePage& page, const char* name, std::size_t size) {
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) text += page.ByteText[static_cast<unsigned char>(name[i])];
    return text;
}

std::size_t ShownNameWidth(const CodePage& page, const char* name, std::size_t size) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < size; ++i) width += page.ShownWidth[static_cast<unsigned char>(name[i])];
    return width;
}

bool NameFromUtf8(const CodePage& page, const std::string& text, std::string* name, std::string* error) {
    std::vector<std::uint32_t> characters;
    if (!DecodeUtf8(text, &characters)) {
        *error = "is not valid UTF-8";
        return false;
    }
    name->clear();
    for (const std::uint32_t character : characters) {
        const auto found = std::lower_bound(
            page.Bytes.begin(), page.Bytes.end(), character,
            [](const std::pair<std::uint32_t, std::uint8_t>& entry, std::uint32_t c) { return entry.first < c; });
        if (found == page.Bytes.end() || found->first != character) {
            *error = "does not fit code page " + std::to_string(page.Number) + ": it has no " + Quoted(character);
            return false;
        }
        name->push_back(static_cast<char>(found->second));
    }
    return true;
}
