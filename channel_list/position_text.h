// Satellite positions as people write them: degrees east or west with one
// decimal, "13.0°E", "7.0°W". The list holds a position in tenths of a degree
// east, 0 to 3599; 3530 is 7.0°W.
#ifndef ZELQ_CHANNEL_LIST_POSITION_TEXT_H
#define ZELQ_CHANNEL_LIST_POSITION_TEXT_H

#include <cstddef>
#include <cstdint>

// Room for any position's text and its NUL.
constexpr std::size_t kPositionTextSize = 16;

// "13.0°E" up to 180.0°E, "1.0°W" beyond it (3590 tenths east is 1.0°W), in
// UTF-8. Values from 3600 on are no real position; they are written east as
// they are.
void FormatPosition(std::uint16_t tenths, char* out);

// A position as a signed longitude in tenths, west negative, for ordering
// from west to east. Values from 3600 on come after every real position.
long PositionLongitude(std::uint16_t tenths);

// Reads a position as people type it: degrees with at most one decimal, an
// optional degree sign, then E or W in either case ("13.0E", "13E", "7W",
// "0.8w", "13.0°E"), at most 180 degrees. False when the text is not one.
bool ParsePosition(const char* text, std::size_t length, std::uint16_t* tenths);

#endif  // ZELQ_CHANNEL_LIST_POSITION_TEXT_H
