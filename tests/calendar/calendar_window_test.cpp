// The finished calendar window of the real Tessaly.exe under Wine and Xvfb,
// driven with the real mouse: its shape, the title button panel that follows
// the cursor, the settings window with its display mode and transparency,
// the drag by the skin and the panel's buttons, and the place it is started
// at again. One program runs for the whole suite, its tests in order, as one
// user session.
#include "framework/handles.h"
#include "resources/tessaly_resource.h"
#include "tests/harness/program.h"
#include "tests/harness/reference_region.h"
#include "tests/harness/screen.h"
#include "tests/harness/temp_folder.h"
#include "tests/harness/titled_window.h"
#include "tests/harness/window_probe.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr DWORD kStartTimeoutMs = 20000;
// Long enough for a few rounds of the 100 ms hover test.
constexpr DWORD kHoverWaitMs = 600;

void SendMouse(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
    Sleep(50);
}

POINT Centre(const RECT& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// A click as a hand makes it: the pointer comes to rest before the press.
void ClickAt(POINT point) {
    harness::MoveMouse(point.x, point.y);
    Sleep(150);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    Sleep(100);
}

struct OwnedSearch {
    HWND owner;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOwnedDialog(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<OwnedSearch*>(lParam);
    char name[32] = "";
    GetClassNameA(hWnd, name, sizeof name);
    if (GetWindow(hWnd, GW_OWNER) == search->owner && std::string(name) == "#32770")
        search->found.push_back(hWnd);
    return TRUE;
}

// The dialogs the main window owns: the panel, the settings window and,
// while it runs, the modal settings window.
std::vector<HWND> OwnedDialogs(HWND owner) {
    OwnedSearch search{owner, {}};
    EnumWindows(CollectOwnedDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Visible(HWND hWnd) {
    return IsWindowVisible(hWnd) != FALSE;
}

bool TopMost(HWND hWnd) {
    return (GetWindowLongA(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

class CalendarSession : public ::testing::Test {
protected:
    // A private install whose settings file asks for more transparency than
    // the slider's range.
    static void SetUpTestSuite() {
        s_folder = new harness::TempFolder;
        EXPECT_TRUE(s_folder->CopyIn(WXB_BIN_DIR "/Tessaly.exe"));
        EXPECT_TRUE(s_folder->CopyIn(WXB_BIN_DIR "/wxbcomm.dll"));
        s_folder->Write("Tessaly.ini", "[setting]\r\nprogress=150\r\n");
        s_suiteHost = new harness::TitledWindow("Wexbury");
        harness::MoveMouse(1000, 900);
        s_program = new harness::Program(s_folder->Path("Tessaly.exe"));
        s_main = harness::WaitForWindow(s_program->Id(), "日历", kStartTimeoutMs);
        // The panel is placed by a 1 ms timer once the window stands.
        harness::WaitUntil([] { return PanelFound() && harness::WindowRect(Panel()).left == 501; }, 5000);
    }
    static void TearDownTestSuite() {
        delete s_program;
        delete s_suiteHost;
        delete s_folder;
    }
    void SetUp() override { ASSERT_NE(nullptr, s_main) << "the calendar did not open"; }

    static bool PanelFound() { return Panel() != nullptr; }
    static HWND Panel() {
        for (HWND hWnd : OwnedDialogs(s_main)) {
            if (harness::WindowRect(hWnd).right - harness::WindowRect(hWnd).left == 14)
                return hWnd;
        }
        return nullptr;
    }
    static std::vector<HWND> SettingsWindows() {
        std::vector<HWND> settings;
        for (HWND hWnd : OwnedDialogs(s_main)) {
            if (hWnd != Panel() && GetDlgItem(hWnd, IDC_TRANSPARENCY))
                settings.push_back(hWnd);
        }
        return settings;
    }
    static HWND Settings() {
        const std::vector<HWND> all = SettingsWindows();
        return all.empty() ? nullptr : all.front();
    }
    static int Setting(const char* key) {
        return static_cast<int>(GetPrivateProfileIntA("setting", key, -1, s_folder->Path("Tessaly.ini").c_str()));
    }
    static POINT PanelButton(int nID) { return Centre(harness::WindowRect(GetDlgItem(Panel(), nID))); }
    static bool PanelShowsWithin(bool visible, DWORD ms) {
        return harness::WaitUntil([&] { return Visible(Panel()) == visible; }, ms);
    }
    static BYTE Alpha(HWND hWnd) { return harness::ReadLayeredAttributes(hWnd).bAlpha; }
    static void SetSlider(int position) {
        SendMessageA(GetDlgItem(Settings(), IDC_TRANSPARENCY), TBM_SETPOS, TRUE, position);
    }

    static harness::TempFolder* s_folder;
    static harness::TitledWindow* s_suiteHost;
    static harness::Program* s_program;
    static HWND s_main;
};

harness::TempFolder* CalendarSession::s_folder = nullptr;
harness::TitledWindow* CalendarSession::s_suiteHost = nullptr;
harness::Program* CalendarSession::s_program = nullptr;
HWND CalendarSession::s_main = nullptr;

TEST_F(CalendarSession, TakesTheShapeOfItsMaskAndStartsAtAlpha12From150) {
    UniqueBitmap mask(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_MAIN_MASK)));
    UniqueRegion expected = harness::ReferenceRegionOfMask(mask.get());
    UniqueRegion actual(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(ERROR, GetWindowRgn(s_main, actual.get()));
    EXPECT_TRUE(EqualRgn(expected.get(), actual.get()));

    // "progress" 150 counts as 100: alpha 12 on the window and the panel.
    ASSERT_NE(nullptr, Panel());
    EXPECT_EQ(12, Alpha(s_main));
    EXPECT_EQ(12, Alpha(Panel()));
    EXPECT_EQ(150, Setting("progress"));  // not yet written back
    // The settings window exists from the start, hidden.
    ASSERT_NE(nullptr, Settings());
    EXPECT_FALSE(Visible(Settings()));
}

TEST_F(CalendarSession, PanelShowsBesideTheWindowWhileTheCursorIsOverIt) {
    const RECT window = harness::WindowRect(s_main);  // (0, 0) to (501, 342)
    const RECT panel = harness::WindowRect(Panel());
    EXPECT_EQ(window.right, panel.left);
    EXPECT_EQ(window.top, panel.top);

    harness::MoveMouse(800, 600);
    EXPECT_TRUE(PanelShowsWithin(false, kHoverWaitMs));
    harness::MoveMouse(window.right + 20, 100);  // the bounds are inclusive
    EXPECT_TRUE(PanelShowsWithin(true, kHoverWaitMs));
    harness::MoveMouse(window.right + 21, 100);
    EXPECT_TRUE(PanelShowsWithin(false, kHoverWaitMs));
    harness::MoveMouse(250, window.bottom);
    EXPECT_TRUE(PanelShowsWithin(true, kHoverWaitMs));
    harness::MoveMouse(250, window.bottom + 1);
    EXPECT_TRUE(PanelShowsWithin(false, kHoverWaitMs));
    harness::MoveMouse(window.left, window.top);
    EXPECT_TRUE(PanelShowsWithin(true, kHoverWaitMs));
}

TEST_F(CalendarSession, SettingsButtonOpensOneCentredSettingsWindowAndFreezesThePanel) {
    harness::MoveMouse(250, 100);
    ASSERT_TRUE(PanelShowsWithin(true, kHoverWaitMs));
    ClickAt(PanelButton(IDC_SETTINGS));
    ASSERT_TRUE(harness::WaitUntil([] { return Settings() && Visible(Settings()); }, 3000));
    const POINT centre = Centre(harness::WindowRect(Settings()));
    EXPECT_NEAR(250, centre.x, 1);
    EXPECT_NEAR(171, centre.y, 1);
    // Its slider's first repaint saved the position it could take.
    EXPECT_TRUE(harness::WaitUntil([] { return Setting("progress") == 100; }, 3000));

    // The panel stays while the settings window is open.
    harness::MoveMouse(900, 700);
    Sleep(kHoverWaitMs);
    EXPECT_TRUE(Visible(Panel()));

    // Asked again, the same window comes back to the centre.
    SetWindowPos(Settings(), nullptr, 700, 500, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ClickAt(PanelButton(IDC_SETTINGS));
    EXPECT_TRUE(harness::WaitUntil([] { return Centre(harness::WindowRect(Settings())).x == 250; }, 3000));
    EXPECT_EQ(1u, SettingsWindows().size());
}

TEST_F(CalendarSession, SliderSetsTheAlphaOfWindowAndPanelAndSavesIt) {
    ASSERT_TRUE(Settings() && Visible(Settings()));
    SetSlider(99);
    EXPECT_TRUE(harness::WaitUntil([] { return Alpha(s_main) == 2 && Alpha(Panel()) == 2; }, 3000));
    // The window applies the alpha first and then writes the file.
    EXPECT_TRUE(harness::WaitUntil([] { return Setting("progress") == 99; }, 3000));
    SetSlider(100);
    EXPECT_TRUE(harness::WaitUntil([] { return Alpha(s_main) == 12 && Alpha(Panel()) == 12; }, 3000));
    EXPECT_TRUE(harness::WaitUntil([] { return Setting("progress") == 100; }, 3000));
    SetSlider(0);
    EXPECT_TRUE(harness::WaitUntil([] { return Alpha(s_main) == 255 && Alpha(Panel()) == 255; }, 3000));
    EXPECT_TRUE(harness::WaitUntil([] { return Setting("progress") == 0; }, 3000));

    // The finished widget, as a user sees it: panel and settings open.
    harness::MoveMouse(560, 400);
    CreateDirectoryA(WXB_ARTIFACT_DIR, nullptr);
    Sleep(300);
    EXPECT_TRUE(harness::Screenshot(WXB_ARTIFACT_DIR "/tessaly.png"));
}

TEST_F(CalendarSession, AlwaysOnTopIsSavedAndAppliedAtOnce) {
    const HWND settings = Settings();
    ASSERT_TRUE(settings && Visible(settings));
    EXPECT_FALSE(TopMost(s_main) || TopMost(settings));  // normal z-order to begin with
    ClickAt(Centre(harness::WindowRect(GetDlgItem(settings, IDC_MODE_TOPMOST))));
    EXPECT_TRUE(harness::WaitUntil([] { return Setting("MostTop") == 1; }, 3000));
    EXPECT_EQ(BST_CHECKED, SendMessageA(GetDlgItem(settings, IDC_MODE_TOPMOST), BM_GETCHECK, 0, 0));
    // The main window is asked at once. Windows marks it WS_EX_TOPMOST; this
    // Wine, for an owner of other top-level windows, marks the owned window
    // above it instead, here the settings window, and leaves the owner's
    // flag alone: that is what is checked. calendar_dlg_test sees the
    // request itself.
    EXPECT_TRUE(harness::WaitUntil([&] { return TopMost(settings); }, 3000));
    EXPECT_FALSE(TopMost(s_main));

    ClickAt(Centre(harness::WindowRect(GetDlgItem(settings, IDC_MODE_NORMAL))));
    EXPECT_TRUE(harness::WaitUntil([] { return Setting("MostTop") == 0; }, 3000));
    EXPECT_EQ(BST_CHECKED, SendMessageA(GetDlgItem(settings, IDC_MODE_NORMAL), BM_GETCHECK, 0, 0));
    // Wine keeps the owned window's flag here too; on Windows the main
    // window's flag goes.
}

TEST_F(CalendarSession, CloseButtonHidesTheSettingsWindow) {
    const HWND settings = Settings();
    ASSERT_TRUE(settings && Visible(settings));
    ClickAt(Centre(harness::WindowRect(GetDlgItem(settings, IDOK))));
    EXPECT_TRUE(harness::WaitUntil([&] { return !Visible(settings); }, 3000));
    EXPECT_TRUE(IsWindow(settings));
}

TEST_F(CalendarSession, EnterRunsAModalSettingsWindowOverTheDisabledCalendar) {
    PostMessageA(s_main, WM_COMMAND, IDOK, 0);
    HWND modal = nullptr;
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            for (HWND hWnd : SettingsWindows())
                modal = Visible(hWnd) ? hWnd : modal;
            return modal != nullptr;
        },
        3000));
    EXPECT_EQ(2u, SettingsWindows().size());
    EXPECT_FALSE(IsWindowEnabled(s_main));
    PostMessageA(modal, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindow(modal); }, 3000));
    EXPECT_TRUE(IsWindowEnabled(s_main));
}

TEST_F(CalendarSession, DragMovesTheWindowAndPutsThePanelBesideIt) {
    const RECT before = harness::WindowRect(s_main);
    harness::MoveMouse(before.left + 8, before.top + 150);  // the skin's left border
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    harness::MoveMouse(before.left + 58, before.top + 200);
    Sleep(50);
    harness::MoveMouse(before.left + 108, before.top + 250);
    Sleep(50);
    SendMouse(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(harness::WaitUntil([&] { return harness::WindowRect(s_main).left == before.left + 100; }, 3000));
    const RECT after = harness::WindowRect(s_main);
    EXPECT_EQ(before.top + 100, after.top);
    // Saved as the drag ends.
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return Setting("Left") == after.left && Setting("Top") == after.top; }, 3000));
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
            const RECT panel = harness::WindowRect(Panel());
            return panel.left == after.right + 3 && panel.top == after.top + 2;
        },
        3000));

    // Released, the window stays; the hover test runs again.
    harness::MoveMouse(900, 800);
    EXPECT_TRUE(PanelShowsWithin(false, kHoverWaitMs));
    EXPECT_EQ(after.left, harness::WindowRect(s_main).left);
    harness::MoveMouse(after.left + 250, after.top + 100);
    EXPECT_TRUE(PanelShowsWithin(true, kHoverWaitMs));
}

TEST_F(CalendarSession, PanelMinimisesAndClosesTheCalendar) {
    harness::MoveMouse(harness::WindowRect(s_main).left + 250, harness::WindowRect(s_main).top + 100);
    ASSERT_TRUE(PanelShowsWithin(true, kHoverWaitMs));
    ClickAt(PanelButton(IDC_MINIMIZE));
    // Windows hides the owned panel with its minimised owner; Wine (without
    // a window manager) leaves owned popups as they are, so only the
    // minimised state is checked.
    EXPECT_TRUE(harness::WaitUntil([] { return IsIconic(s_main) != FALSE; }, 3000));

    SendMessageA(s_main, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(harness::WaitUntil([] { return !IsIconic(s_main) && Visible(Panel()); }, 3000));
    ClickAt(PanelButton(IDOK));
    DWORD exitCode = 1;
    EXPECT_TRUE(s_program->WaitForExit(10000, &exitCode));
    EXPECT_EQ(0u, exitCode);
}

TEST_F(CalendarSession, StartsAgainWhereItWasDraggedWithItsPanelBesideIt) {
    ASSERT_FALSE(s_program->Running());
    delete s_program;
    s_program = new harness::Program(s_folder->Path("Tessaly.exe"));
    s_main = harness::WaitForWindow(s_program->Id(), "日历", kStartTimeoutMs);
    ASSERT_NE(nullptr, s_main);
    const RECT window = harness::WindowRect(s_main);
    EXPECT_EQ(100, window.left);
    EXPECT_EQ(100, window.top);
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return PanelFound() && harness::WindowRect(Panel()).left == window.right; }, 5000));
    PostMessageA(s_main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(s_program->WaitForExit(10000));
}

}  // namespace
