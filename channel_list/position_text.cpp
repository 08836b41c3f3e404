#include "position_text.h"

#include <cstdio>
#include <cstring>

#include "whole_number.h"

namespace {

constexpr char kDegreeSign[] = "\xC2\xB0";
constexpr std::size_t kDegreeSignSize = 2;
constexpr unsigned kHalfCircle = 1800;
constexpr unsigned kFullCircle = 3600;

bool IsWest(std::uint16_t tenths) { return tenths > kHalfCircle && tenths < kFullCircle; }

}  // namespace

void FormatPosition(std::uint16_t tenths, char* out) {
    const bool west = IsWest(tenths);
    const unsigned east = west ? kFullCircle - tenths : tenths;
    std::snprintf(out, kPositionTextSize, "%u.%u%s%c", east / 10, east % 10, kDegreeSign, west ? 'W' : 'E');
}

long PositionLongitude(std::uint16_t tenths) {
    return IsWest(tenths) ? static_cast<long>(tenths) - static_cast<long>(kFullCircle) : tenths;
}

bool ParsePosition(const char* text, std::size_t length, std::uint16_t* tenths) {
    if (length == 0) return false;
    const char side = text[length - 1];
    if (side != 'E' && side != 'W' && side != 'e' && side != 'w') return false;
    --length;
    if (length >= kDegreeSignSize && std::memcmp(text + length - kDegreeSignSize, kDegreeSign, kDegreeSignSize) == 0) {
        length -= kDegreeSignSize;
    }
    const char* const dot = static_cast<const char*>(std::memchr(text, '.', length));
    const std::size_t whole = dot ? static_cast<std::size_t>(dot - text) : length;
    // Whole degrees: one to ten digits, leading zeros allowed.
    unsigned long degrees = 0;
    unsigned tenth = 0;
    if (!ParseWholeNumber(std::string_view(text, whole), 10, 0, kHalfCircle / 10, &degrees)) return false;
    if (dot) {
        // One decimal, no more.
        if (length - whole != 2 || dot[1] < '0' || dot[1] > '9') return false;
        tenth = static_cast<unsigned>(dot[1] - '0');
    }
    const unsigned east = static_cast<unsigned>(degrees) * 10 + tenth;
    if (east > kHalfCircle) return false;
    const bool west = side == 'W' || side == 'w';
    *tenths = static_cast<std::uint16_t>(west && east != 0 ? kFullCircle - east : east);
    return true;
}
