#include <gtest/gtest.h>

#include <string>

#include "channel_list/satellite_names.h"

namespace {

TEST(SatelliteNames, ExactMatchOnly) {
    EXPECT_STREQ(SatelliteNameFor(130), "HotBird");
    EXPECT_STREQ(SatelliteNameFor(131), "UnKnown");
    EXPECT_STREQ(SatelliteNameFor(129), "UnKnown");
    EXPECT_STREQ(SatelliteNameFor(0), "UnKnown");
    EXPECT_STREQ(SatelliteNameFor(3599), "UnKnown");
    EXPECT_STREQ(SatelliteNameFor(0xFFFF), "UnKnown");
}

TEST(SatelliteNames, FirstLastAndOddNames) {
    EXPECT_STREQ(SatelliteNameFor(30), "Telecom_2C");
    EXPECT_STREQ(SatelliteNameFor(3590), "Thor 2/3");
    EXPECT_STREQ(SatelliteNameFor(48), "Sirius  4.8");
    EXPECT_STREQ(SatelliteNameFor(142), "_1");
    EXPECT_STREQ(SatelliteNameFor(2500), "Sat");
    EXPECT_STREQ(SatelliteNameFor(3380), "NSS 7)");
    EXPECT_STREQ(SatelliteNameFor(3385), "NSS K)");
    EXPECT_STREQ(SatelliteNameFor(2310), "EchoStar 5 / Galaxy 27");
    EXPECT_STREQ(SatelliteNameFor(1200), "ThiaCom 1A");
    EXPECT_STREQ(SatelliteNameFor(3530), "Nile Sat");
}

TEST(SatelliteNames, NamesAtTwoPositions) {
    EXPECT_STREQ(SatelliteNameFor(242), "Astra 1D");
    EXPECT_STREQ(SatelliteNameFor(310), "Astra 1D");
    EXPECT_STREQ(SatelliteNameFor(548), "IntelSat 702");
    EXPECT_STREQ(SatelliteNameFor(1760), "IntelSat 702");
    EXPECT_STREQ(SatelliteNameFor(2591), "DirectTv 1R");
    EXPECT_STREQ(SatelliteNameFor(2875), "DirectTv 1R");
    EXPECT_STREQ(SatelliteNameFor(2680), "BrasilSat B4");
    EXPECT_STREQ(SatelliteNameFor(2900), "BrasilSat B4");
}

TEST(SatelliteNames, HigherBitsAreIgnored) {
    EXPECT_STREQ(SatelliteNameFor(0x10000u + 130), "HotBird");
    EXPECT_STREQ(SatelliteNameFor(0xFFFF0000u + 3590), "Thor 2/3");
}

TEST(SatelliteNames, EveryRowIsFoundAndNothingBetweenRows) {
    ASSERT_EQ(SatelliteTableSize(), 172u);
    // Rows by range, as the table is grouped: 64 below 1000, 38 below 2000,
    // 46 below 3000, 24 from 3000.
    int ranges[4] = {0, 0, 0, 0};
    std::uint32_t position = 0;
    for (std::size_t row = 0; row < SatelliteTableSize(); ++row) {
        const std::uint16_t at = SatelliteTablePosition(row);
        for (; position < at; ++position) {
            ASSERT_STREQ(SatelliteNameFor(position), "UnKnown") << position;
        }
        ASSERT_STRNE(SatelliteNameFor(at), "UnKnown") << at;
        ++ranges[at < 1000 ? 0 : at < 2000 ? 1 : at < 3000 ? 2 : 3];
        position = at + 1u;
    }
    EXPECT_EQ(ranges[0], 64);
    EXPECT_EQ(ranges[1], 38);
    EXPECT_EQ(ranges[2], 46);
    EXPECT_EQ(ranges[3], 24);
}

}  // namespace
