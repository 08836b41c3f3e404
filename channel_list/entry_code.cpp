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

EntryCode EncodeEntryCodeMhz(std::uint16_t channelIdent, std::uint32_t satPosition, std::uint16_t mhz) {
    return EncodeEntryCode(channelIdent, satPosition, std::uint32_t{mhz} * 1000);
}

std::uint16_t TransponderMhz(const std::uint8_t code[6]) {
    const unsigned low = code[4] ^ code[3];
    const unsigned high = code[5] ^ code[1];
    return static_cast<std::uint16_t>((high << 8) | low);
}
