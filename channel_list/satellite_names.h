// Satellite names by orbital position, for the list's second column.
#ifndef ZELQ_CHANNEL_LIST_SATELLITE_NAMES_H
#define ZELQ_CHANNEL_LIST_SATELLITE_NAMES_H

#include <cstddef>
#include <cstdint>

// The name shown for a position that is not in the table.
constexpr const char kUnknownSatellite[] = "UnKnown";

// The name of the satellite at the given position (tenths of a degree east;
// only the low 16 bits count), or "UnKnown". Exact match only. The text is
// static and lives as long as the plug-in.
const char* SatelliteNameFor(std::uint32_t position);

// The table's size and its positions in order, for walking the whole table
// (zelq-list's satellites command, and the tests).
std::size_t SatelliteTableSize();
std::uint16_t SatelliteTablePosition(std::size_t row);

#endif  // ZELQ_CHANNEL_LIST_SATELLITE_NAMES_H
