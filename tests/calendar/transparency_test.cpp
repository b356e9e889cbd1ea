// The transparency setting as layered alpha, against the settings table.
#include "calendar/transparency.h"

#include <gtest/gtest.h>

TEST(TransparencyAlpha, FollowsTheSettingsTable) {
    const int table[][2] = {{0, 255}, {1, 252}, {10, 229}, {20, 204}, {50, 127},
                            {80, 51}, {90, 25}, {95, 12},  {99, 2},   {100, 12}};
    for (const auto& row : table)
        EXPECT_EQ(row[1], TransparencyAlpha(row[0])) << "position " << row[0];
}

TEST(TransparencyAlpha, OnlyOneHundredAndAboveAreLimited) {
    EXPECT_EQ(10, TransparencyAlpha(96));
    EXPECT_EQ(7, TransparencyAlpha(97));
    EXPECT_EQ(5, TransparencyAlpha(98));
    EXPECT_EQ(12, TransparencyAlpha(150));  // a hand-edited settings file
}

TEST(TransparencyAlpha, NegativePositionsStayOpaque) {
    EXPECT_EQ(255, TransparencyAlpha(-1));
    EXPECT_EQ(255, TransparencyAlpha(-1000));
}
