// How the program writes what a line of the list holds: satellite positions,
// transponder frequencies, names and whole lines.
#ifndef ZELQ_TOOLS_ZELQ_LIST_ROW_TEXT_H
#define ZELQ_TOOLS_ZELQ_LIST_ROW_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "code_page.h"

// "13.0°E" up to 180.0°E, "1.0°W" beyond it (3590 tenths east is 1.0°W).
// Values from 3600 on are no real position; they are written east as they are.
std::string PositionText(std::uint16_t position);

// A position as a signed longitude in tenths, west negative, for sorting from
// west to east. Values from 3600 on come after every real position.
long Longitude(std::uint16_t position);

// The transponder frequency in MHz that code bytes 5 and 6 carry, mixed with
// bytes 4 and 2.
unsigned FrequencyMhz(const std::uint8_t code[6]);

// A name from the list as the terminal shows it: UTF-8, control characters
// made visible.
std::string ShownName(const CodePage& page, const char* name, std::size_t size);

// A line of the list (without its line break and indentation) as the terminal
// shows it.
std::string ShownLine(const CodePage& page, const char* start, const char* end);

// A whole line of text (a new line of the list, with its line break) as the
// terminal shows it.
std::string ShownText(const CodePage& page, const std::string& line);

// The twelve upper-case digits of code bytes 1 to 6.
std::string CodeText(const std::uint8_t code[6]);

// A whole number from `least` to `most`, in decimal or hexadecimal (base 10
// or 16), and nothing else; false otherwise.
bool ParseWholeNumber(const std::string& text, unsigned base, unsigned long least, unsigned long most,
                      unsigned long* value);

// "s" when the count is not one.
const char* Plural(std::size_t count);

#endif  // ZELQ_TOOLS_ZELQ_LIST_ROW_TEXT_H
