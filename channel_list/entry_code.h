// The six-byte scrambled code that identifies a channel in the list file.
#ifndef ZELQ_CHANNEL_LIST_ENTRY_CODE_H
#define ZELQ_CHANNEL_LIST_ENTRY_CODE_H

#include <cstdint>

struct EntryCode {
    std::uint8_t Bytes[6];  // code bytes 1 to 6, byte 1 first
};

struct DecodedCode {
    std::uint16_t ChannelIdent;
    std::uint16_t SatPosition;
};

// Builds the code from a channel's identifier, its satellite position (only
// the low 16 bits count) and its transponder value.
EntryCode EncodeEntryCode(std::uint16_t channelIdent, std::uint32_t satPosition,
                          std::uint32_t tuneValue);

// Recovers the channel identifier and satellite position from code bytes 1 to
// 4. Bytes 5 and 6 carry the transponder quotient and are not decoded.
DecodedCode DecodeEntryCode(std::uint8_t byte1, std::uint8_t byte2, std::uint8_t byte3,
                            std::uint8_t byte4);

// Code bytes 1 to 4 as one number, byte 1 highest: two codes name the same
// channel exactly when their keys are equal.
inline std::uint32_t ChannelKey(const std::uint8_t* code) {
    return (std::uint32_t{code[0]} << 24) | (std::uint32_t{code[1]} << 16) |
           (std::uint32_t{code[2]} << 8) | std::uint32_t{code[3]};
}

// True when the two codes name the same channel (equal bytes 1 to 4); the
// transponder bytes take no part.
bool SameChannel(const EntryCode& a, const EntryCode& b);

#endif  // ZELQ_CHANNEL_LIST_ENTRY_CODE_H
