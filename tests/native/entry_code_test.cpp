#include <gtest/gtest.h>

#include "channel_list/entry_code.h"

namespace {

std::string Hex(const EntryCode& code) {
    char text[13];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", code.Bytes[0], code.Bytes[1],
                  code.Bytes[2], code.Bytes[3], code.Bytes[4], code.Bytes[5]);
    return text;
}

TEST(EntryCode, KnownCodes) {
    // Ident 0x1234 on HotBird (130) at 11747 MHz: quotient 11747 = 0x2DE3.
    EXPECT_EQ(Hex(EncodeEntryCode(0x1234, 130, 11'747'000)), "A271914BA85C");
    // A tune value below 1000 gives a zero quotient: byte 5 = byte 4, byte 6 = byte 2.
    const EntryCode low = EncodeEntryCode(0x00FF, 3590, 999);
    EXPECT_EQ(Hex(low), "69E7DE5757E7");
    EXPECT_EQ(low.Bytes[4], low.Bytes[3]);
    EXPECT_EQ(low.Bytes[5], low.Bytes[1]);
}

TEST(EntryCode, OnlyTheLowSixteenBitsOfThePositionCount) {
    EXPECT_EQ(Hex(EncodeEntryCode(7, 0x10082, 12'000'000)), Hex(EncodeEntryCode(7, 130, 12'000'000)));
}

TEST(EntryCode, DecodeInvertsEncodeForEveryIdent) {
    const std::uint32_t positions[] = {0, 1, 130, 255, 256, 3590, 3599, 0xFFFF, 0x12345};
    for (std::uint32_t position : positions) {
        for (std::uint32_t ident = 0; ident <= 0xFFFF; ++ident) {
            const EntryCode code = EncodeEntryCode(static_cast<std::uint16_t>(ident), position,
                                                   ident * 977u + position);
            const DecodedCode decoded =
                DecodeEntryCode(code.Bytes[0], code.Bytes[1], code.Bytes[2], code.Bytes[3]);
            ASSERT_EQ(decoded.ChannelIdent, ident) << "position " << position;
            ASSERT_EQ(decoded.SatPosition, position & 0xFFFF) << "ident " << ident;
        }
    }
}

TEST(EntryCode, IdentityIsIdentAndPositionOnly) {
    const EntryCode a = EncodeEntryCode(0x0501, 130, 11'000'000);
    const EntryCode otherTransponder = EncodeEntryCode(0x0501, 130, 12'700'000);
    const EntryCode otherPosition = EncodeEntryCode(0x0501, 192, 11'000'000);
    const EntryCode otherIdent = EncodeEntryCode(0x0502, 130, 11'000'000);
    EXPECT_NE(Hex(a), Hex(otherTransponder));
    EXPECT_TRUE(SameChannel(a, otherTransponder));
    EXPECT_FALSE(SameChannel(a, otherPosition));
    EXPECT_FALSE(SameChannel(a, otherIdent));
}

}  // namespace
