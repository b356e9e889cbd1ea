// The real Tessaly.exe, started from private copies beside a stand-in
// suite library: when the suite lets it run, where its files go, and the
// main window a user sees. The calendar page and the loading picture come
// from suite_server.py on the suite's addresses.
#include "tests/calendar/suite_server.h"
#include "tests/harness/program.h"
#include "tests/harness/screen.h"
#include "tests/harness/temp_folder.h"
#include "tests/harness/titled_window.h"
#include "tests/harness/window_probe.h"
#include "tests/skin/bmp_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr char kMainWindowTitle[] = "日历";

// A private copy of the calendar with the given stand-in as wxbcomm.dll
// (none when empty), and a log of the calls the stand-in answers.
class CalendarInstall {
public:
    explicit CalendarInstall(const char* suiteLibrary, const std::string& exeName = "Tessaly.exe")
        : m_strExe(m_folder.Path(exeName)) {
        EXPECT_TRUE(m_folder.CopyIn(WXB_TESSALY_EXE, exeName));
        if (suiteLibrary) {
            EXPECT_TRUE(m_folder.CopyIn(suiteLibrary, "wxbcomm.dll"));
        }
        SetEnvironmentVariableA("WXBCOMM_LOG", m_folder.Path("calls.log").c_str());
    }
    ~CalendarInstall() { SetEnvironmentVariableA("WXBCOMM_LOG", nullptr); }

    const harness::TempFolder& Folder() const { return m_folder; }
    const std::string& Exe() const { return m_strExe; }
    std::string Calls() const { return m_folder.Read("calls.log"); }
    std::string Stamp(const char* section, const char* key) const {
        char value[64] = "";
        GetPrivateProfileStringA(section, key, "", value, sizeof value, m_folder.Path("ver.ini").c_str());
        return value;
    }

private:
    harness::TempFolder m_folder;
    std::string m_strExe;
};

// Runs the program until it ends by itself; false when it shows a window
// or outlives the time-out.
bool EndsWithoutAWindow(harness::Program& program, DWORD* exitCode) {
    bool sawWindow = false;
    const bool ended = harness::WaitUntil(
        [&] {
            sawWindow = sawWindow || harness::HasUserWindow(program.Id());
            return !program.Running();
        },
        kStartTimeoutMs);
    return ended && !sawWindow && program.WaitForExit(0, exitCode);
}

// folder, bound read-only over itself until the object goes (tests run as
// root, which file modes do not stop), in the mount namespace of
// tools/loopback-only: the wineserver, which opens every file, runs there too.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string& folder) : m_strUnix(harness::UnixPath(folder)) {
        m_bMounted = std::getenv("WXB_LOOPBACK_ONLY") && !m_strUnix.empty() &&
                     harness::RunUnixCommand("mount --bind " + m_strUnix + " " + m_strUnix +
                                                 " && mount -o remount,bind,ro " + m_strUnix,
                                             10000);
    }
    ~ReadOnlyFolder() {
        if (m_bMounted)
            harness::RunUnixCommand("umount " + m_strUnix, 10000);
    }
    bool Mounted() const { return m_bMounted; }

private:
    std::string m_strUnix;
    bool m_bMounted = false;
};


// Starts a private copy beside suiteLibrary from another working folder and
// expects a silent end: no window, exit code 0, no version stamp anywhere,
// and exactly the library calls given.
void ExpectSilentRefusal(const char* suiteLibrary, const std::string& expectedCalls) {
    CalendarInstall install(suiteLibrary);
    harness::TempFolder elsewhere;
    harness::Program program(install.Exe(), elsewhere.Path());
    ASSERT_TRUE(program.Started());
    DWORD exitCode = 1;
    EXPECT_TRUE(EndsWithoutAWindow(program, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ(expectedCalls, install.Calls());
    EXPECT_FALSE(install.Folder().Exists("ver.ini"));
    EXPECT_FALSE(elsewhere.Exists("ver.ini"));
}

}  // namespace

TEST(Startup, EndsSilentlyWithoutTheSuiteLibrary) {
    harness::TitledWindow suiteHost("Wexbury");
    ExpectSilentRefusal(nullptr, "");
}

TEST(Startup, AsksIsRunFirstAndStopsAtItsRefusal) {
    harness::TitledWindow suiteHost("Wexbury");
    ExpectSilentRefusal(WXB_SUITE_REFUSES_DLL, "IsRun Tessaly\r\n");  // CheakMainWndRun never called
}

TEST(Startup, EndsWhenTheSuiteHostIsNotRunning) {
    ExpectSilentRefusal(WXB_SUITE_DLL, "IsRun Tessaly\r\nCheakMainWndRun Wexbury\r\n");
}

TEST(Startup, NeverCallsAMissingExport) {
    harness::TitledWindow suiteHost("Wexbury");
    ExpectSilentRefusal(WXB_SUITE_WITHOUT_ISRUN_DLL, "");
    ExpectSilentRefusal(WXB_SUITE_WITHOUT_CHECK_DLL, "IsRun Tessaly\r\n");
}

TEST(Startup, RunsBesideItsExecutableAndShowsTheCalendarPage) {
    CalendarInstall install(WXB_SUITE_DLL);
    install.Folder().Write("ver.ini", "[other]\r\nkey=1\r\n[u]\r\nv=1000\r\nw=kept\r\n");
    harness::TempFolder elsewhere;
    harness::TitledWindow suiteHost("Wexbury");
    harness::Program program(install.Exe(), elsewhere.Path());
    HWND hWnd = harness::WaitForWindow(program.Id(), kMainWindowTitle, kStartTimeoutMs);
    ASSERT_NE(nullptr, hWnd);

    EXPECT_EQ("3231", install.Stamp("u", "v"));
    EXPECT_EQ("kept", install.Stamp("u", "w"));
    EXPECT_EQ("1", install.Stamp("other", "key"));
    EXPECT_FALSE(elsewhere.Exists("ver.ini"));

    const RECT window = harness::WindowRect(hWnd);
    EXPECT_EQ(0, window.left);
    EXPECT_EQ(0, window.top);
    EXPECT_EQ(501, window.right);
    EXPECT_EQ(342, window.bottom);
    HWND hBrowser = GetDlgItem(hWnd, 1000);
    ASSERT_NE(nullptr, hBrowser);
    const RECT browser = harness::ChildRect(hBrowser);
    EXPECT_EQ(20, browser.left);
    EXPECT_EQ(25, browser.top);
    const harness::LayeredAttributes layered = harness::ReadLayeredAttributes(hWnd);
    EXPECT_TRUE(layered.bLayered);
    EXPECT_EQ(static_cast<DWORD>(LWA_COLORKEY), layered.dwFlags);
    EXPECT_EQ(RGB(255, 255, 0), layered.crKey);
    EXPECT_EQ(1, SendMessageA(hWnd, 100, 3, 0));

    // The browser asked the suite web server for the calendar page (Wine's
    // browser engine cannot show it here, but the request goes out).
    EXPECT_TRUE(harness::WaitUntil([] { return !PageAnswers().empty(); }, 10000));

    // On screen the browser's middle belongs to the calendar and shows
    // something other than the bare desktop beyond the window. (Without a
    // browser engine Wine paints the browser's area plain white.)
    POINT middle{(browser.left + browser.right) / 2, (browser.top + browser.bottom) / 2};
    MapWindowPoints(hWnd, nullptr, &middle, 1);
    HWND hAtMiddle = WindowFromPoint(middle);
    EXPECT_TRUE(hAtMiddle == hBrowser || IsChild(hBrowser, hAtMiddle));
    harness::TempFolder shots;
    const std::string shot = shots.Path("screen.png");
    ASSERT_TRUE(harness::Screenshot(shot));
    const COLORREF desktop = harness::ScreenshotPixel(shot, 900, 800);
    EXPECT_NE(CLR_INVALID, desktop);
    EXPECT_NE(desktop, harness::ScreenshotPixel(shot, middle.x, middle.y));

    PostMessageA(hWnd, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    EXPECT_TRUE(program.WaitForExit(10000, &exitCode));
    EXPECT_EQ(0u, exitCode);
}

TEST(Startup, FindsItsFolderWhenTheNameHasABackslashTrailByte) {
    // "誠" is 0xD5 0x5C in code page 936: its second byte is a backslash.
    CalendarInstall install(WXB_SUITE_DLL, "日历誠.exe");
    harness::TitledWindow suiteHost("Wexbury");
    harness::Program program(install.Exe());
    ASSERT_NE(nullptr, harness::WaitForWindow(program.Id(), kMainWindowTitle, kStartTimeoutMs));
    EXPECT_EQ("3231", install.Stamp("u", "v"));
}

TEST(Startup, ASecondCalendarEndsWithoutAWindow) {
    harness::TitledWindow suiteHost("Wexbury");
    CalendarInstall first(WXB_SUITE_DLL);
    harness::Program running(first.Exe());
    ASSERT_NE(nullptr, harness::WaitForWindow(running.Id(), kMainWindowTitle, kStartTimeoutMs));

    CalendarInstall second(WXB_SUITE_DLL);
    harness::Program again(second.Exe());
    DWORD exitCode = 1;
    EXPECT_TRUE(EndsWithoutAWindow(again, &exitCode));
    EXPECT_EQ("IsRun Tessaly\r\n", second.Calls());
    EXPECT_FALSE(second.Folder().Exists("ver.ini"));
    EXPECT_TRUE(running.Running());
}

// Wine's browser control, without an HTML engine, reports a refused
// connection as NavigateError 0x800C0008 (INET_E_DOWNLOAD_FAILURE), a 503 as
// NavigateError 503 and then 0x80040154 (no class to show the answer), and a
// page answered 200 only as NavigateError 0x80040154, with no
// DocumentComplete ever. So here a page that came counts as loaded only in
// that nothing tries it again; on Windows DocumentComplete says so.
TEST(Startup, LoadsItsPageAgainAfterAFailureButNeverOnceItCame) {
    struct {
        const char* first; // how the server answers the first try
        bool resume;       // the server up, a resume from sleep says so at once
        std::vector<std::string> answers;
    } const rows[] = {
        {"serve", true, {"serve"}},       // nothing fails: one request, resume or not
        {"down", true, {"serve"}},        // refused: at once on a resume, no 5 s pause
        {"503", false, {"503", "serve"}}, // busy: tried again after 5 s
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        SetServerFile("requests", "");
        SetServerFile("page", row.first);
        CalendarInstall install(WXB_SUITE_DLL);
        harness::TitledWindow suiteHost("Wexbury");
        harness::Program program(install.Exe());
        HWND hWnd = harness::WaitForWindow(program.Id(), kMainWindowTitle, kStartTimeoutMs);
        ASSERT_NE(nullptr, hWnd);
        if (std::string(row.first) == "down") {
            Sleep(1000);
            // Blank while not loaded; Wine's control shows a white page
            // in any case (it draws no page at all).
            harness::TempFolder shots;
            ASSERT_TRUE(harness::Screenshot(shots.Path("down.png")));
            EXPECT_EQ(RGB(255, 255, 255), harness::ScreenshotPixel(shots.Path("down.png"), 250, 171));
        } else {
            ASSERT_TRUE(PageAnsweredTimes(1, 10000));
        }
        SetServerFile("page", "serve");
        if (row.resume) {
            Sleep(500); // the server listens again within 50 ms
            PostMessageA(hWnd, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
            PostMessageA(hWnd, WM_TIMECHANGE, 0, 0); // the same day
        }
        EXPECT_TRUE(PageAnsweredTimes(row.answers.size(), row.resume ? 1000 : 10000));
        // A try after a failure would come 5 s later.
        Sleep(6000);
        EXPECT_EQ(row.answers, PageAnswers());
    }
}

TEST(Startup, KeepsItsPlaceAndPictureForTheUserWhenItsFolderIsReadOnly) {
    CalendarUserFolder userFolder;
    const auto picture = BmpFile(200, 90, [](int, int) { return 0x2060C0u; });
    SetServerFile("page", "serve");
    SetServerFile("mode", "serve");
    SetServerFile("picture", std::string(picture.begin(), picture.end()));
    CalendarInstall install(WXB_SUITE_DLL);
    // Defaults a suite ships beside the program.
    const std::string shipped = "[setting]\r\nprogress=50\r\n";
    install.Folder().Write("Tessaly.ini", shipped);
    ReadOnlyFolder readOnly(install.Folder().Path());
    ASSERT_TRUE(readOnly.Mounted()) << "run under tools/loopback-only: this test mounts in its namespace";
    ASSERT_FALSE(install.Folder().Write("probe", "")) << "the wineserver runs outside the test's namespace";
    harness::TitledWindow suiteHost("Wexbury");
    {
        harness::Program program(install.Exe());
        HWND hWnd = harness::WaitForWindow(program.Id(), kMainWindowTitle, kStartTimeoutMs);
        ASSERT_NE(nullptr, hWnd);
        EXPECT_TRUE(harness::WaitUntil(
            [&] { return harness::ReadWholeFile(userFolder.Path("loading.bmp")).size() == picture.size(); },
            10000));
        // Where it closes is kept.
        SetWindowPos(hWnd, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
        EXPECT_TRUE(program.WaitForExit(10000));
    }
    harness::Program program(install.Exe());
    HWND hSplash = harness::WaitForWindow(program.Id(), "", kStartTimeoutMs);
    ASSERT_NE(nullptr, hSplash);
    EXPECT_EQ(200, harness::WindowRect(hSplash).right - harness::WindowRect(hSplash).left)
        << "the user's picture";
    HWND hWnd = harness::WaitForWindow(program.Id(), kMainWindowTitle, kStartTimeoutMs);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_EQ(200, harness::WindowRect(hWnd).left);
    EXPECT_EQ(150, harness::WindowRect(hWnd).top);
    EXPECT_EQ(127, harness::ReadLayeredAttributes(hWnd).bAlpha) << "the shipped default still counts";
    EXPECT_EQ(shipped, install.Folder().Read("Tessaly.ini"));
    EXPECT_FALSE(install.Folder().Exists("loading.bmp"));
}
