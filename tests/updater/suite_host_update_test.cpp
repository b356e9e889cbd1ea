// The stand-in suite host offering an update to the real Update.exe: it
// fills the block the updater reads, receives the shutdown request and the
// exit event and lists them, and gets the updater's version stamp.
#include "framework/handles.h"
#include "resources/update_resource.h"
#include "tests/harness/temp_folder.h"
#include "tests/harness/window_probe.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string TextOf(HWND hWnd) {
    char text[4096] = {};
    SendMessageA(hWnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// The host's log lines in the ANSI code page. They are read as UTF-16:
// this Wine answers LB_GETTEXT sent with SendMessageA to another process's
// list box with UTF-16 text instead of converting it.
std::vector<std::string> ListLines(HWND hList) {
    std::vector<std::string> lines;
    const auto count = static_cast<int>(SendMessageW(hList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t wide[512] = {};
        SendMessageW(hList, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        char line[1024] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, line, sizeof line, nullptr, nullptr);
        lines.push_back(line);
    }
    return lines;
}

bool HasLineStarting(const std::vector<std::string>& lines, const std::string& start) {
    for (const std::string& line : lines)
        if (line.rfind(start, 0) == 0)
            return true;
    return false;
}

TEST(SuiteHostUpdateTest, OffersTheUpdateAndListsWhatItReceives) {
    harness::TempFolder install;
    ASSERT_TRUE(install.CopyIn(WXB_SUITE_HOST_EXE, "Wexbury.exe"));
    ASSERT_TRUE(install.CopyIn(WXB_UPDATE_EXE, "Update.exe"));
    std::string commandLine = "\"" + install.Path("Wexbury.exe") + "\" /update /mandatory";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    UniqueHandle hostThread(process.hThread);
    UniqueHandle host(process.hProcess);

    HWND dlg = nullptr;
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            dlg = FindWindowA(nullptr, "Wexbury升级");
            return dlg && IsWindowVisible(dlg);
        },
        15000));
    // What the host filled in reached the updater.
    EXPECT_NE(std::string::npos, TextOf(GetDlgItem(dlg, IDC_NOTES)).find("Wexbury 5"));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_EXIT_SOFTWARE)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_DECLINE)));

    HWND hostWnd = harness::FindProcessWindow(process.dwProcessId, "Wexbury");
    ASSERT_TRUE(hostWnd);
    HWND log = FindWindowExA(hostWnd, nullptr, "LISTBOX", nullptr);
    ASSERT_TRUE(log);

    // Leaving a mandatory offer: shutdown request and exit event.
    SendMessageA(GetDlgItem(dlg, IDC_EXIT_SOFTWARE), BM_CLICK, 0, 0);
    std::vector<std::string> lines;
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
            lines = ListLines(log);
            return HasLineStarting(lines, "Update.exe 已退出");
        },
        10000));
    EXPECT_TRUE(HasLineStarting(lines, "已启动 Update.exe"));
    EXPECT_TRUE(HasLineStarting(lines, "收到 WM_SUITE_SHUTDOWN（wParam=1）"));
    EXPECT_TRUE(HasLineStarting(lines, "WXBRY_EXIT 已置位"));
    EXPECT_TRUE(HasLineStarting(lines, "未找到 Tessaly.exe"));

    // The updater stamped its version where the host keeps its settings.
    char version[16] = {};
    GetPrivateProfileStringA("update", "version", "", version, sizeof version,
                             install.Path("Wexbury.ini").c_str());
    EXPECT_STREQ("3524", version);

    // The host stays until its window is closed.
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(host.get(), 0));
    PostMessageA(hostWnd, WM_CLOSE, 0, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(host.get(), 10000));
    DWORD exitCode = 1;
    GetExitCodeProcess(host.get(), &exitCode);
    EXPECT_EQ(0u, exitCode);
}

} // namespace
