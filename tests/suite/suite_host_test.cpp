// The stand-in suite host with the real calendar: it shows the calendar
// under its own "Wexbury" window and ends when the calendar ends.
#include "tests/harness/program.h"
#include "tests/harness/temp_folder.h"
#include "tests/harness/window_probe.h"

#include <gtest/gtest.h>

TEST(SuiteHost, StartsTheCalendarAndEndsWithIt) {
    harness::TempFolder install;
    ASSERT_TRUE(install.CopyIn(WXB_SUITE_HOST_EXE, "Wexbury.exe"));
    ASSERT_TRUE(install.CopyIn(WXB_TESSALY_EXE, "Tessaly.exe"));
    ASSERT_TRUE(install.CopyIn(WXB_SUITE_DLL, "wxbcomm.dll"));
    harness::Program host(install.Path("Wexbury.exe"));
    ASSERT_TRUE(host.Started());

    HWND hCalendar = nullptr;
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            hCalendar = FindWindowA(nullptr, "日历");
            return hCalendar && IsWindowVisible(hCalendar);
        },
        20000));
    EXPECT_NE(nullptr, harness::FindProcessWindow(host.Id(), "Wexbury"));
    EXPECT_TRUE(install.Exists("ver.ini"));

    PostMessageA(hCalendar, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    EXPECT_TRUE(host.WaitForExit(10000, &exitCode));
    EXPECT_EQ(0u, exitCode);
}
