// How the program writes what a line of the list holds (positions, codes,
// names and whole lines), and reads the numbers it is given.
#ifndef ZELQ_TOOLS_ZELQ_LIST_ROW_TEXT_H
#define ZELQ_TOOLS_ZELQ_LIST_ROW_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "code_page.h"

// A position as people write it, "13.0°E" or "7.0°W" (FormatPosition).
std::string PositionText(std::uint16_t position);

// The twelve upper-case digits of code bytes 1 to 6.
std::string CodeText(const std::uint8_t code[6]);

// A name from the list as the terminal shows it: UTF-8, control characters
// made visible.
std::string ShownName(const CodePage& page, const char* name, std::size_t size);

// A line of the list (without its line break and indentation) as the terminal
// shows it.
std::string ShownLine(const CodePage& page, const char* start, const char* end);

// A whole line of text (a new line of the list, with its line break) as the
// terminal shows it.
std::string ShownText(const CodePage& page, std::string_view line);

// A whole number from `least` to `most`, in decimal or hexadecimal (base 10
// or 16), of at most ten digits and nothing else; false otherwise. The one
// way the program reads a number it is given.
bool ParseWholeNumber(const std::string& text, unsigned base, unsigned long least, unsigned long most,
                      unsigned long* value);

// "s" when the count is not one.
const char* Plural(std::size_t count);

#endif  // ZELQ_TOOLS_ZELQ_LIST_ROW_TEXT_H
