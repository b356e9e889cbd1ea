#include "updater/update_rules.h"

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

TEST(InstallerWorkingDirectoryTest, PackageDirectoryWithOneBackslash) {
    EXPECT_EQ("C:\\Wexbury\\update\\",
              InstallerWorkingDirectory("C:\\Wexbury\\update\\wxbry5.exe", GbkLeadByte));
    EXPECT_EQ("C:\\", InstallerWorkingDirectory("C:\\wxbry5.exe", GbkLeadByte));
    EXPECT_EQ("\\", InstallerWorkingDirectory("wxbry5.exe", GbkLeadByte));
    EXPECT_EQ("\\", InstallerWorkingDirectory("", GbkLeadByte));
}

TEST(InstallerWorkingDirectoryTest, BackslashTrailBytesAreNotSeparators) {
    // GBK "表" is 0xB1 0xED and "騖" is 0xF2 0x5C: its trail byte is a
    // backslash byte that must not end the directory.
    const std::string dir = "C:\\\xf2\x5c\xb1\xed\\";
    EXPECT_EQ(dir, InstallerWorkingDirectory(dir + "setup.exe", GbkLeadByte));
    EXPECT_EQ("\\", InstallerWorkingDirectory("\xf2\x5csetup.exe", GbkLeadByte));
}

} // namespace
