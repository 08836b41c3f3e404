#include "entry_code.h"

EntryCode EncodeEntryCode(std::uint16_t channelIdent, std::uint32_t satPosition,
                          std::uint32_t tuneValue) {
    const std::uint8_t identLo = channelIdent & 0xFF;
    const std::uint8_t identHi = channelIdent >> 8;
    const std::uint8_t posLo = satPosition & 0xFF;
    const std::uint8_t posHi = (satPosition >> 8) & 0xFF;
    const std::uint32_t quotient = tuneValue / 1000;
    const std::uint8_t quotientLo = quotient & 0xFF;
    const std::uint8_t quotientHi = (quotient >> 8) & 0xFF;

    EntryCode code;
    code.Bytes[0] = identLo ^ 0x96;
    code.Bytes[1] = identHi ^ posLo ^ 0xE1;
    code.Bytes[2] = identLo ^ posLo ^ 0x27;
    code.Bytes[3] = identHi ^ posHi ^ 0x59;
    // Bytes 5 and 6 chain on bytes 4 and 2, computed above.
    code.Bytes[4] = quotientLo ^ code.Bytes[3];
    code.Bytes[5] = quotientHi ^ code.Bytes[1];
    return code;
}

DecodedCode DecodeEntryCode(std::uint8_t byte1, std::uint8_t byte2, std::uint8_t byte3,
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

bool SameChannel(const EntryCode& a, const EntryCode& b) {
    return ChannelKey(a.Bytes) == ChannelKey(b.Bytes);
}
