#include "updater/update_rules.h"

#include "updater/progress_pacer.h"

#include <gtest/gtest.h>

namespace {

// Lead bytes of code page 936 (GBK).
bool GbkLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

TEST(ProgressPercentTest, RoundsDownWithoutOverflow) {
    EXPECT_EQ(4u, ProgressPercent(51200, 1048576));
    EXPECT_EQ(0u, ProgressPercent(0, 1048576));
    EXPECT_EQ(100u, ProgressPercent(1048576, 1048576));
    EXPECT_EQ(99u, ProgressPercent(0xFFFFFFFEu, 0xFFFFFFFFu));
    EXPECT_EQ(50u, ProgressPercent(0x7FFFFFFFu, 0xFFFFFFFEu));
}

TEST(ProgressPercentTest, UnknownTotalIsZeroPercent) {
    EXPECT_EQ(0u, ProgressPercent(0, 0));
    EXPECT_EQ(0u, ProgressPercent(12345, 0));
}

TEST(PackageFileNameTest, WhatFollowsTheLastBackslash) {
    EXPECT_EQ("wxbry5.exe", PackageFileName("C:\\Wexbury\\update\\wxbry5.exe", GbkLeadByte));
    EXPECT_EQ("wxbry5.exe", PackageFileName("wxbry5.exe", GbkLeadByte));
    EXPECT_EQ("", PackageFileName("", GbkLeadByte));
}

TEST(PackageFileNameTest, BackslashTrailBytesAreNotSeparators) {
    // GBK "表" is 0xB1 0xED and "騖" is 0xF2 0x5C: its trail byte is a
    // backslash byte that must not start the name.
    EXPECT_EQ("\xf2\x5c\xb1\xed.exe", PackageFileName("C:\\\xf2\x5c\\\xf2\x5c\xb1\xed.exe", GbkLeadByte));
}

// One download's notifications, in order, with what the dialog does.
struct PacerStep {
    const char* what;
    uint32_t done, total, nowMs;
    bool shown;
};

const PacerStep kPacerSteps[] = {
    {"the first figures at once", 0, 1000000, 5000, true},
    {"the same figures again: nothing", 0, 1000000, 5001, false},
    {"new figures inside the interval: held", 10240, 1000000, 5020, false},
    {"newer ones, still inside", 20480, 1000000, 5049, false},
    {"the interval has passed", 30720, 1000000, 5050, true},
    {"held again", 40960, 1000000, 5060, false},
    {"the final figures at once", 1000000, 1000000, 5061, true},
    {"a rewritten download from 0, tick wrapped", 0, 1000000, 3, true},
};

TEST(ProgressPacerTest, ShowsChangesAtMostOncePerIntervalAndTheFinalFiguresAtOnce) {
    ProgressPacer pacer(50);
    for (const PacerStep& step : kPacerSteps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.shown, pacer.Take(step.done, step.total, step.nowMs));
        EXPECT_EQ(step.done, pacer.Done());
    }
}

TEST(ProgressPacerTest, FlushShowsHeldFiguresOnce) {
    ProgressPacer pacer(50);
    EXPECT_FALSE(pacer.Flush()) << "nothing taken yet";
    EXPECT_TRUE(pacer.Take(0, 100, 0));
    EXPECT_FALSE(pacer.Take(40, 100, 10));
    EXPECT_TRUE(pacer.Flush());
    EXPECT_EQ(40u, pacer.Done());
    EXPECT_FALSE(pacer.Flush());
    EXPECT_FALSE(pacer.Take(40, 100, 20)) << "already shown";
}

} // namespace
