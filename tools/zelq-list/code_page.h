// The single-byte code page the names in the list are written in, and the
// conversion of names between it and UTF-8, in which the program prints and
// reads them.
#ifndef ZELQ_TOOLS_ZELQ_LIST_CODE_PAGE_H
#define ZELQ_TOOLS_ZELQ_LIST_CODE_PAGE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CodePage {
    unsigned Number;
    std::string ByteText[256];  // each byte's character in UTF-8 ("\xEF\xBF\xBD" when it has none)
    std::uint8_t ShownWidth[256];  // terminal columns of the byte as ShownName writes it
    // Every character the code page has, with its byte, ordered by character.
    std::vector<std::pair<std::uint32_t, std::uint8_t>> Bytes;
};

// Loads the code page; false with a message when the system knows no such
// single-byte code page.
bool LoadCodePage(unsigned number, CodePage* page, std::string* error);

// A name's bytes as UTF-8.
std::string NameToUtf8(const CodePage& page, const char* name, std::size_t size);

// The terminal columns of a name as ShownName writes it.
std::size_t ShownNameWidth(const CodePage& page, const char* name, std::size_t size);

// A name typed in UTF-8, as the bytes the list stores. Returns false, with a
// message saying why, when the text is not UTF-8 or a character has no byte
// in the code page.
bool NameFromUtf8(const CodePage& page, const std::string& text, std::string* name,
                  std::string* error);

#endif  // ZELQ_TOOLS_ZELQ_LIST_CODE_PAGE_H
