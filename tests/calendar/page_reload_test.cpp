// When the calendar page is tried again. Which failures pass is seen with
// Wine's browser control in startup_test; here the pauses and the date.
#include "calendar/page_reload.h"

#include <gtest/gtest.h>

#include <vector>

TEST(PageReload, PausesDoubleUpToFiveMinutesUntilAFreshNavigationOrALoad) {
    PageReload reload;
    std::vector<unsigned> pauses;
    for (int i = 0; i < 8; ++i) {
        reload.Started(i > 0);
        pauses.push_back(reload.Failed(i % 2 ? 503 : static_cast<long>(0x800C0005))); // no such server name
        EXPECT_EQ(0u, reload.Failed(503)) << "one pause per try";
    }
    EXPECT_EQ((std::vector<unsigned>{5000, 10000, 20000, 40000, 80000, 160000, 300000, 300000}), pauses);
    reload.Started(false);
    EXPECT_EQ(0u, reload.Failed(404));
    reload.Loaded();
    EXPECT_EQ(0u, reload.Failed(503)) << "a page that loaded stays";
    EXPECT_EQ(1500u, MsUntilDateCheck(23, 59, 58, 500));
    EXPECT_EQ(3600000u, MsUntilDateCheck(12, 0, 0, 0));
}
