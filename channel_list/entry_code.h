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

// The same from the transponder's frequency in MHz, as people know it: the
// tune value is in kHz, and TransponderMhz reads the MHz back.
EntryCode EncodeEntryCodeMhz(std::uint16_t channelIdent, std::uint32_t satPosition, std::uint16_t mhz);

// Recovers the channel identifier and satellite position from code bytes 1 to
// 4. Bytes 5 and 6 carry the transponder quotient and are not decoded. The
// load decodes every row it shows, so this is inline.
inline DecodedCode DecodeEntryCode(std::uint8_t byte1, std::uint8_t byte2, std::uint8_t byte3,
                                   std::uint8_t byte4) {
    // Each step needs the one before it.
    const std::uint8_t identLo = byte1 ^ 0x96;
    const std::uint8_t posLo = identLo ^ byte3 ^ 0x27;
    const std::uint8_t identHi = byte2 ^ posLo ^ 0xE1;
    const std::uint8_t posHi = byte4 ^ identHi ^ 0x59;

    DecodedCode decoded;
    decoded.ChannelIdent = static_cast<std::uint16_t>((identHi << 8) | identLo);
    decoded.SatPosition = static_cast<std::uint16_t>((posHi << 8) | posLo);
    return decoded;
}
inline DecodedCode DecodeEntryCode(const std::uint8_t* code) {
    return DecodeEntryCode(code[0], code[1], code[2], code[3]);
}

// The transponder quotient that bytes 5 and 6 carry, mixed with bytes 4 and
// 2: the transponder's frequency in MHz (its tune value divided by 1000, in
// 16 bits).
std::uint16_t TransponderMhz(const std::uint8_t code[6]);

// Code bytes 1 to 4 as one number, byte 1 highest: two codes name the same
// channel exactly when their keys are equal.
inline std::uint32_t ChannelKey(const std::uint8_t* code) {
    return (std::uint32_t{code[0]} << 24) | (std::uint32_t{code[1]} << 16) |
           (std::uint32_t{code[2]} << 8) | std::uint32_t{code[3]};
}
inline DecodedCode DecodeChannelKey(std::uint32_t key) {
    return DecodeEntryCode(static_cast<std::uint8_t>(key >> 24), static_cast<std::uint8_t>(key >> 16),
                           static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key));
}

// A key with its bits mixed, so that keys that differ in a few bits differ
// in many: the index's channel table hashes with it, and a CSV's mark of its
// rows adds it up.
inline std::uint32_t MixChannelKey(std::uint32_t key) {
    key ^= key >> 16;
    key *= 0x7FEB352Du;
    key ^= key >> 15;
    key *= 0x846CA68Bu;
    return key ^ (key >> 16);
}

// True when the two codes name the same channel (equal bytes 1 to 4); the
// transponder bytes take no part.
inline bool SameChannel(const EntryCode& a, const EntryCode& b) { return ChannelKey(a.Bytes) == ChannelKey(b.Bytes); }

#endif  // ZELQ_CHANNEL_LIST_ENTRY_CODE_H
