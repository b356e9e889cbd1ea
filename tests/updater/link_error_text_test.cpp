#include "updater/link_error_text.h"

#include <gtest/gtest.h>

namespace {

TEST(LinkErrorTextTest, KnownCodesHaveTheirOwnWords) {
    EXPECT_EQ("Unable to open hyperlink:\n\nA sharing violation occurred. ", LinkErrorText(26));
    EXPECT_EQ("Unable to open hyperlink:\n\nThe operating system is out\nof memory or resources.",
              LinkErrorText(0));
    EXPECT_EQ(
        "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.",
        LinkErrorText(31));
    EXPECT_EQ("Unable to open hyperlink:\n\nThe specified dynamic-link library was not found.",
              LinkErrorText(32));
}

TEST(LinkErrorTextTest, OtherCodesAreNamedByNumber) {
    EXPECT_EQ("Unable to open hyperlink:\n\nUnknown Error (99) occurred.", LinkErrorText(99));
    EXPECT_EQ("Unable to open hyperlink:\n\nUnknown Error (1) occurred.", LinkErrorText(1));
    EXPECT_EQ("Unable to open hyperlink:\n\nUnknown Error (-5) occurred.", LinkErrorText(-5));
}

} // namespace
