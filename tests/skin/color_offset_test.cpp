// Brightening and darkening colour values: the amount shrinks so that no
// byte leaves 0..255, and all three bytes move together.
#include "skin/color_offset.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | g << 8 | b << 16;
}

TEST(OffsetColorBytes, LimitsTheAmountByTheByteNearestTheEdge) {
    // 250 can only rise by 5, so every byte rises by 5.
    EXPECT_EQ(Rgb(255, 245, 235), OffsetColorBytes(Rgb(250, 240, 230), 30));
    EXPECT_EQ(Rgb(235, 245, 255), OffsetColorBytes(Rgb(230, 240, 250), 30));
    EXPECT_EQ(Rgb(0, 90, 190), OffsetColorBytes(Rgb(10, 100, 200), -30));
    EXPECT_EQ(Rgb(255, 255, 255), OffsetColorBytes(Rgb(255, 255, 255), 30));
    EXPECT_EQ(Rgb(0, 5, 0), OffsetColorBytes(Rgb(0, 5, 0), -1));
}

TEST(OffsetColorBytes, MovesFreelyAwayFromTheEdges) {
    EXPECT_EQ(Rgb(130, 150, 170), OffsetColorBytes(Rgb(100, 120, 140), 30));
    EXPECT_EQ(Rgb(70, 90, 110), OffsetColorBytes(Rgb(100, 120, 140), -30));
    EXPECT_EQ(Rgb(255, 255, 255), OffsetColorBytes(Rgb(0, 0, 0), 255));
    EXPECT_EQ(Rgb(0, 0, 0), OffsetColorBytes(Rgb(255, 255, 255), -255));
    EXPECT_EQ(Rgb(1, 2, 3), OffsetColorBytes(Rgb(1, 2, 3), 0));
}

TEST(OffsetColorBytes, KeepsTheTopByte) {
    EXPECT_EQ(0x01000000u | Rgb(20, 20, 20), OffsetColorBytes(0x01000000u | Rgb(10, 10, 10), 10));
}

}  // namespace
