// The loading splash of the real Tessaly.exe under Wine and Xvfb, with the
// picture server of suite_server.py on the suite's picture address: which
// picture shows where, how long, and what the background download leaves in
// "loading.bmp".
#include "framework/handles.h"
#include "resources/tessaly_resource.h"
#include "tests/calendar/suite_server.h"
#include "tests/harness/program.h"
#include "tests/harness/screen.h"
#include "tests/harness/temp_folder.h"
#include "tests/harness/titled_window.h"
#include "tests/harness/window_probe.h"
#include "tests/skin/bmp_file.h"
#include "tests/skin/gif_builder.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using Bytes = std::vector<std::uint8_t>;

const char kMainTitle[] = "日历";

std::string ToString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// Pictures are compared whole; a mismatch reports only the sizes.
::testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual) {
    if (expected == actual)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "expected " << expected.size() << " bytes, found " << actual.size()
           << (expected.size() == actual.size() ? " that differ" : "");
}

// A picture of two halves, left and right (0xRRGGBB each).
std::string TwoColourBmp(int width, int height, std::uint32_t left, std::uint32_t right) {
    return ToString(BmpFile(width, height, [=](int x, int) { return x < width / 2 ? left : right; }));
}

COLORREF ToColorref(std::uint32_t rgb) {
    return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Sets what the picture server answers from now on; returns how many
// requests it has answered so far.
size_t Serve(const std::string& picture, const char* mode) {
    SetServerFile("picture", picture);
    SetServerFile("mode", mode);
    return ServedRequests().size();
}

// Tessaly.exe with the stand-in suite library in a folder of its own, and
// the suite host's window that the library looks for.
class Splash : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.CopyIn(WXB_BIN_DIR "/Tessaly.exe"));
        ASSERT_TRUE(m_folder.CopyIn(WXB_BIN_DIR "/wxbcomm.dll"));
    }

    // Starts the calendar and waits for its first window, the splash.
    HWND StartSplash(std::unique_ptr<harness::Program>& program) {
        program = std::make_unique<harness::Program>(m_folder.Path("Tessaly.exe"), m_folder.Path());
        if (!program->Started())
            return nullptr;
        HWND hSplash = harness::WaitForWindow(program->Id(), "", 10000);
        m_shownAt = GetTickCount();
        return hSplash;
    }

    // Waits for the main window; the splash must be gone by then.
    HWND WaitForMainWindow(const harness::Program& program, HWND hSplash) {
        HWND hMain = harness::WaitForWindow(program.Id(), kMainTitle, 10000);
        m_mainAt = GetTickCount();
        EXPECT_FALSE(IsWindow(hSplash)) << "the splash and the main window never show together";
        return hMain;
    }

    // From first seen to gone; the timer starts before the splash shows.
    void ExpectShownAboutTwoSeconds() {
        EXPECT_GE(m_mainAt - m_shownAt, 1500u);
        EXPECT_LE(m_mainAt - m_shownAt, 4500u);
    }

    std::string Screenshot() {
        const std::string path = m_shots.Path("shot" + std::to_string(m_nShots++) + ".png");
        EXPECT_TRUE(harness::Screenshot(path));
        return path;
    }

    // Waits until the download of this start has been answered and the
    // thread has cleaned up after itself.
    void WaitForDownloadEnd(size_t requestsBefore) {
        EXPECT_TRUE(harness::WaitUntil([&] { return ServedRequests().size() > requestsBefore; }, 10000));
        EXPECT_TRUE(harness::WaitUntil([&] { return !m_folder.Exists("loading.bmp.down"); }, 10000));
    }

    harness::TempFolder m_folder;
    harness::TempFolder m_shots;
    harness::TitledWindow m_host{"Wexbury"};
    DWORD m_shownAt = 0;
    DWORD m_mainAt = 0;
    int m_nShots = 0;
};

TEST_F(Splash, FirstStartShowsTheBuiltInPictureOnTheScreenCentreAndKeepsTheDownload) {
    // About 10.5 reads of 10240 bytes.
    const std::string picture = TwoColourBmp(300, 120, 0x2060C0, 0xF0A030);
    ASSERT_GT(picture.size(), 10u * 10240);
    const size_t requestsBefore = Serve(picture, "serve");

    std::unique_ptr<harness::Program> tessaly;
    HWND hSplash = StartSplash(tessaly);
    ASSERT_NE(nullptr, hSplash);
    const RECT rect = harness::WindowRect(hSplash);
    EXPECT_EQ(500, rect.right - rect.left);
    EXPECT_EQ(200, rect.bottom - rect.top);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 500) / 2, rect.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 200) / 2, rect.top);

    // What shows is bitmap 153 of the program's own resources. On a busy
    // machine the compositor may put the painted splash on the screen a
    // little after the window is shown: look again for up to a second.
    UniqueLibrary resources(
        LoadLibraryExA(m_folder.Path("Tessaly.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    UniqueBitmap builtIn(LoadBitmapA(resources.get(), MAKEINTRESOURCEA(IDB_SPLASH)));
    ASSERT_TRUE(builtIn);
    MemoryDC dc(CreateCompatibleDC(nullptr));
    SelectObjectScope select(dc.get(), builtIn.get());
    const POINT probes[] = {{250, 100}, {40, 30}, {460, 170}};
    std::string shot;
    auto shows = [&] {
        shot = Screenshot();
        for (POINT at : probes)
            if (GetPixel(dc.get(), at.x, at.y) != harness::ScreenshotPixel(shot, rect.left + at.x, rect.top + at.y))
                return false;
        return true;
    };
    harness::WaitUntil(shows, 1000);
    for (POINT at : probes)
        EXPECT_EQ(GetPixel(dc.get(), at.x, at.y),
                  harness::ScreenshotPixel(shot, rect.left + at.x, rect.top + at.y))
            << at.x << "," << at.y;

    ASSERT_NE(nullptr, WaitForMainWindow(*tessaly, hSplash));
    ExpectShownAboutTwoSeconds();

    WaitForDownloadEnd(requestsBefore);
    EXPECT_TRUE(SameBytes(picture, m_folder.Read("loading.bmp"))) << "the whole picture, in order";
}

TEST_F(Splash, NextStartShowsTheDownloadedPictureAtItsSizeOnTheWorkAreaCentre) {
    const std::string earlier = TwoColourBmp(320, 140, 0x1080FF, 0x30C050);
    ASSERT_TRUE(m_folder.Write("loading.bmp", earlier));
    const std::string current = TwoColourBmp(200, 90, 0x904010, 0x10A0A0);
    const size_t requestsBefore = Serve(current, "serve");

    std::unique_ptr<harness::Program> tessaly;
    HWND hSplash = StartSplash(tessaly);
    ASSERT_NE(nullptr, hSplash);
    const RECT rect = harness::WindowRect(hSplash);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(320, rect.right - rect.left);
    EXPECT_EQ(140, rect.bottom - rect.top);
    EXPECT_EQ(work.left + (work.right - work.left - 320) / 2, rect.left);
    EXPECT_EQ(work.top + (work.bottom - work.top - 140) / 2, rect.top);

    std::string shot;
    auto shows = [&] {
        shot = Screenshot();
        return harness::ScreenshotPixel(shot, rect.left + 40, rect.top + 70) == ToColorref(0x1080FF) &&
               harness::ScreenshotPixel(shot, rect.left + 280, rect.top + 70) == ToColorref(0x30C050);
    };
    harness::WaitUntil(shows, 1000);  // the compositor may lag behind the paint
    EXPECT_EQ(ToColorref(0x1080FF), harness::ScreenshotPixel(shot, rect.left + 40, rect.top + 70));
    EXPECT_EQ(ToColorref(0x30C050), harness::ScreenshotPixel(shot, rect.left + 280, rect.top + 70));

    ASSERT_NE(nullptr, WaitForMainWindow(*tessaly, hSplash));
    WaitForDownloadEnd(requestsBefore);
    EXPECT_TRUE(SameBytes(current, m_folder.Read("loading.bmp"))) << "fetched for the start after this one";
}

TEST_F(Splash, ADownloadedAnimationPlaysOnTheScreen) {
    GifBuilder gif("GIF89a", 120, 60, {0x000000, 0xE02020, 0x2040E0});
    gif.Looping().Control(15, 0).Image(0, 0, 120, 60, 1).Control(15, 0).Image(0, 0, 120, 60, 2);
    ASSERT_TRUE(m_folder.Write("loading.bmp", ToString(gif.Trailer().Bytes())));
    Serve(TwoColourBmp(200, 90, 0x904010, 0x10A0A0), "serve");

    std::unique_ptr<harness::Program> tessaly;
    HWND hSplash = StartSplash(tessaly);
    ASSERT_NE(nullptr, hSplash);
    const RECT rect = harness::WindowRect(hSplash);
    EXPECT_EQ(120, rect.right - rect.left);
    EXPECT_EQ(60, rect.bottom - rect.top);
    // The screen's own pixels, read back while the splash shows.
    WindowDC screen(nullptr);
    std::set<COLORREF> seen;
    int changes = 0;
    COLORREF last = CLR_INVALID;
    while (IsWindow(hSplash) && IsWindowVisible(hSplash)) {
        const COLORREF colour = GetPixel(screen.get(), rect.left + 60, rect.top + 30);
        changes += last != CLR_INVALID && colour != last;
        last = colour;
        seen.insert(colour);
        Sleep(10);
    }
    EXPECT_TRUE(seen.count(ToColorref(0xE02020)));
    EXPECT_TRUE(seen.count(ToColorref(0x2040E0)));
    EXPECT_GE(changes, 3) << "frames of 150 ms over about two seconds";
}

TEST_F(Splash, AFailedDownloadKeepsTheEarlierPicture) {
    // A connection closed half way through the body, and an error page.
    const std::string earlier = TwoColourBmp(320, 140, 0x1080FF, 0x30C050);
    for (const char* mode : {"cut", "missing"}) {
        ASSERT_TRUE(m_folder.Write("loading.bmp", earlier));
        const size_t requestsBefore = Serve(TwoColourBmp(300, 120, 0x904010, 0x10A0A0), mode);
        std::unique_ptr<harness::Program> tessaly;
        HWND hSplash = StartSplash(tessaly);
        ASSERT_NE(nullptr, hSplash) << mode;
        WaitForDownloadEnd(requestsBefore);
        EXPECT_TRUE(SameBytes(earlier, m_folder.Read("loading.bmp"))) << mode;
        EXPECT_NE(nullptr, WaitForMainWindow(*tessaly, hSplash)) << mode;
    }
}

TEST_F(Splash, APictureThatCannotBeWrittenBesideTheProgramGoesToTheUsersFolder) {
    // Tests run as root, which permission bits do not stop, so a folder takes
    // the download's file name instead: creating the file fails just as in a
    // read-only folder.
    CalendarUserFolder userFolder;
    const std::string earlier = TwoColourBmp(320, 140, 0x1080FF, 0x30C050);
    ASSERT_TRUE(m_folder.Write("loading.bmp", earlier));
    ASSERT_TRUE(CreateDirectoryA(m_folder.Path("loading.bmp.down").c_str(), nullptr));
    const std::string current = TwoColourBmp(300, 120, 0x904010, 0x10A0A0);
    Serve(current, "serve");

    std::unique_ptr<harness::Program> tessaly;
    HWND hSplash = StartSplash(tessaly);
    ASSERT_NE(nullptr, hSplash);
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return harness::ReadWholeFile(userFolder.Path("loading.bmp")) == current; }, 10000));
    HWND hMain = WaitForMainWindow(*tessaly, hSplash);
    ASSERT_NE(nullptr, hMain);
    EXPECT_TRUE(tessaly->Running());
    EXPECT_TRUE(SameBytes(earlier, m_folder.Read("loading.bmp")));
}

// Run without the picture server: nothing listens on its address.
TEST_F(Splash, ServerDownStillClosesAfterTwoSecondsAndOpensTheMainWindow) {
    std::unique_ptr<harness::Program> tessaly;
    HWND hSplash = StartSplash(tessaly);
    ASSERT_NE(nullptr, hSplash);
    EXPECT_EQ(500, harness::WindowRect(hSplash).right - harness::WindowRect(hSplash).left);
    ASSERT_NE(nullptr, WaitForMainWindow(*tessaly, hSplash));
    ExpectShownAboutTwoSeconds();
    Sleep(500);
    EXPECT_FALSE(m_folder.Exists("loading.bmp"));
    EXPECT_FALSE(m_folder.Exists("loading.bmp.down"));
}

} // namespace
