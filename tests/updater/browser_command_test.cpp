#include "updater/browser_command.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kAddress[] = "http://127.0.0.1:18480/wxb/soft/wxbry5.zip";

TEST(BrowserCommandTest, CutsAtThePlaceholderAndAppendsTheAddress) {
    // The blank before the quoted placeholder stays and one more is added.
    EXPECT_EQ(std::string("C:\\browser.exe  ") + kAddress,
              BuildBrowserCommand("C:\\browser.exe \"%1\"", kAddress).value());
    EXPECT_EQ(std::string("\"C:\\Program Files\\b.exe\" -nohome  ") + kAddress,
              BuildBrowserCommand("\"C:\\Program Files\\b.exe\" -nohome %1", kAddress).value());
    // The quoted form wins over a bare %1 further left.
    EXPECT_EQ(std::string("b.exe %1x  ") + kAddress,
              BuildBrowserCommand("b.exe %1x \"%1\"", kAddress).value());
}

TEST(BrowserCommandTest, CommandWithoutPlaceholderGetsBlankAndAddress) {
    EXPECT_EQ(std::string("C:\\browser.exe -new ") + kAddress,
              BuildBrowserCommand("C:\\browser.exe -new", kAddress).value());
    EXPECT_EQ(std::string(" ") + kAddress, BuildBrowserCommand("", kAddress).value());
}

TEST(BrowserCommandTest, NeverExceedsTheCommandBuffer) {
    const std::string command(259, 'c');
    // 259 + blank + 259 + zero = 520: fits exactly.
    const std::string fits(259, 'a');
    ASSERT_TRUE(BuildBrowserCommand(command, fits).has_value());
    EXPECT_EQ(kBrowserCommandCapacity - 1, BuildBrowserCommand(command, fits)->size());
    // One byte more does not.
    EXPECT_FALSE(BuildBrowserCommand(command, fits + "a").has_value());
    EXPECT_FALSE(BuildBrowserCommand("b.exe \"%1\"", std::string(4000, 'a')).has_value());
}

TEST(BrowserCommandTest, DoubleByteTextIsKeptIntact) {
    // GBK "浏览器" (browser) in the program path.
    const std::string program = "C:\\\xe4\xaf\xc0\xc0\xc6\xf7\\b.exe";
    EXPECT_EQ(program + "  " + kAddress, BuildBrowserCommand(program + " \"%1\"", kAddress).value());
}

} // namespace
