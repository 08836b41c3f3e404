// UTF-8 text as the program prints it: encoding and decoding characters, the
// columns a text takes on a terminal, and control characters made visible.
#ifndef ZELQ_TOOLS_ZELQ_LIST_UTF8_TEXT_H
#define ZELQ_TOOLS_ZELQ_LIST_UTF8_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

void AppendUtf8(std::string* out, std::uint32_t character);

// Decodes the character at text[*at] (before `size`), moving past it.
// Returns false, without moving, when the bytes there are not well-formed
// UTF-8.
bool NextUtf8Character(const char* text, std::size_t size, std::size_t* at, std::uint32_t* character);

// Decodes well-formed UTF-8 (no overlong forms, surrogates or values beyond
// U+10FFFF). Returns false at the first byte that is not.
bool DecodeUtf8(const std::string& text, std::vector<std::uint32_t>* characters);

// How many of the first bytes are well-formed UTF-8: `size` when all are,
// else where the first byte that is not stands.
std::size_t Utf8Prefix(const char* data, std::size_t size);

// The characters of well-formed UTF-8 bytes.
std::size_t CountUtf8Characters(const char* data, std::size_t size);

// Columns the text takes on a terminal: one per character, none for
// combining marks (the Arabic vowel signs among them) and zero-width ones.
std::size_t DisplayWidth(const std::string& text);

// The text cut to at most `width` columns, ending in "…" when it was cut.
std::string FitToWidth(const std::string& text, std::size_t width);

// Whether the character is a control character: C0, DEL or C1.
bool IsControlCharacter(std::uint32_t c);

// Whether the character is a blank: space, tab, and the Unicode spaces a
// spreadsheet may also trim or read between the parts of a value.
bool IsUnicodeBlank(std::uint32_t c);

// The text with its ASCII letters in lower case, and nothing else changed.
std::string LowerAscii(std::string text);

// The text with control characters (C0, DEL, C1) written as \xNN, so that a
// name cannot move the cursor or change the terminal.
std::string EscapeControls(const std::string& text);

// A text as a message quotes it: control characters made visible, and cut
// after at most `most` of its bytes (at a character's start) with "…".
std::string CutText(std::string_view text, std::size_t most);

#endif  // ZELQ_TOOLS_ZELQ_LIST_UTF8_TEXT_H
