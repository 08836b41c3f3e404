// How the program writes what a line of the list holds: positions, codes,
// names and whole lines.
#ifndef ZELQ_TOOLS_ZELQ_LIST_ROW_TEXT_H
#define ZELQ_TOOLS_ZELQ_LIST_ROW_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "channel_list/list_index.h"
#include "code_page.h"

// A position as people write it, "13.0°E" or "7.0°W" (FormatPosition).
std::string PositionText(std::uint16_t position);

// The twelve upper-case digits of code bytes 1 to 6.
std::string CodeText(const std::uint8_t code[6]);

// A name from the list as the terminal shows it: UTF-8, control characters
// made visible.
std::string ShownName(const CodePage& page, const char* name, std::size_t size);

// The most of a line a message shows, in bytes: a line of the list holds
// 53 at most, but one with a long name, kept as it is, may be as long as
// the list.
constexpr std::size_t kShownLineMost = 120;

// A line of the list (without its line break and indentation) as the terminal
// shows it: a line over kShownLineMost bytes cut there, with "…".
std::string ShownLine(const CodePage& page, const char* start, const char* end);

// A whole line of text (a new line of the list, with its line break) as the
// terminal shows it.
std::string ShownText(const CodePage& page, std::string_view line);

// A row's name as it shows it (its first 30 bytes), in UTF-8.
std::string RowNameText(const ListIndex& index, const CodePage& page, std::size_t row);

// A row's whole name as the list holds it.
std::string WholeRowName(const ListIndex& index, std::size_t row);

// The line a row gets with the given flag and name (of any length).
std::string FormattedLine(std::uint8_t flag, const std::uint8_t code[6], const std::string& name);

#endif  // ZELQ_TOOLS_ZELQ_LIST_ROW_TEXT_H
