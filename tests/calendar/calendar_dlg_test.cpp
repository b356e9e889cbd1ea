// The calendar's main window in this process, with the program's own
// resources and control-container manager: placement and size, the
// browser's place and site, layering, z-order from the settings file and
// message 100, the system menu and the hidden label, and the page asked for
// again on a new day (from suite_server.py, on a clock of the test's).
#include "calendar/browser_site.h"
#include "calendar/calendar_app.h"
#include "calendar/calendar_dlg.h"
#include "calendar/custom_occ_manager.h"
#include "resources/tessaly_resource.h"
#include "tests/calendar/suite_server.h"
#include "tests/harness/message_pump.h"
#include "tests/harness/temp_folder.h"
#include "tests/harness/window_probe.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace {

std::function<void(HWND)> g_onShown;

void CALLBACK RunOnShown(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_onShown(AfxGetMainWnd()->m_hWnd);
}

// Runs the main window modally with the given settings file and calls
// onShown once its modal loop runs; returns the modal result.
template <typename Calendar = CCalendarDlg>
INT_PTR RunCalendar(const std::string& settings, std::function<void(HWND)> onShown) {
    harness::TempFolder folder;
    ModuleDirectory = folder.Path();
    if (!settings.empty())
        folder.Write("Tessaly.ini", settings);
    g_onShown = std::move(onShown);
    Calendar dlg;
    theApp.m_pMainWnd = &dlg;
    SetTimer(nullptr, 0, 50, RunOnShown);
    INT_PTR result = dlg.DoModal();
    theApp.m_pMainWnd = nullptr;
    return result;
}

SIZE MaskSize() {
    BITMAP mask{};
    UniqueBitmap bitmap(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_MAIN_MASK)));
    GetObjectA(bitmap.get(), sizeof mask, &mask);
    return {mask.bmWidth, mask.bmHeight};
}

bool TopMost(HWND hWnd) {
    return (GetWindowLongA(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// The z-order changes the window asks for: hwndInsertAfter of every
// WM_WINDOWPOSCHANGING that does not keep the z-order.
LRESULT CALLBACK RecordZOrderRequests(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR refData) {
    if (message == WM_WINDOWPOSCHANGING) {
        auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!(pos->flags & SWP_NOZORDER))
            reinterpret_cast<std::vector<HWND>*>(refData)->push_back(pos->hwndInsertAfter);
    }
    return DefSubclassProc(hWnd, message, wParam, lParam);
}

struct OwnedSearch {
    HWND owner;
    const char* className;
    int nControlID; // a child the window must have; 0 for any window
    HWND found;
};

BOOL CALLBACK MatchOwned(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<OwnedSearch*>(lParam);
    char name[64] = "";
    GetClassNameA(hWnd, name, sizeof name);
    if (GetWindow(hWnd, GW_OWNER) != search->owner || std::string(name) != search->className ||
        (search->nControlID && !GetDlgItem(hWnd, search->nControlID)))
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

// The first window of this thread of that class owned by `owner`, or null.
HWND FindOwned(HWND owner, const char* className, int nControlID = 0) {
    OwnedSearch search{owner, className, nControlID, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The tooltip texts of a window's child controls, by control id.
std::map<int, std::string> ToolTexts(HWND tooltip) {
    std::map<int, std::string> texts;
    char text[80];
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.lpszText = text;
    for (int i = 0; SendMessageA(tooltip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&info)); ++i)
        texts[GetDlgCtrlID(reinterpret_cast<HWND>(info.uId))] = text;
    return texts;
}

// The calendar on a clock the test sets.
class CalendarOnTestClock : public CCalendarDlg {
public:
    static inline SYSTEMTIME s_now{};

protected:
    SYSTEMTIME LocalTime() const override { return s_now; }
};

class CalendarWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        theApp.m_pExternal = std::make_unique<CExternalDispatch>();
        AfxEnableControlContainer(std::make_unique<CCustomOccManager>());
    }
    static void TearDownTestSuite() { AfxEnableControlContainer(nullptr); }
    OleInitScope m_ole;
};

}  // namespace

TEST_F(CalendarWindow, OpensAtTheTopLeftTheSizeOfItsMaskWithTheBrowserInset) {
    const SIZE mask = MaskSize();
    ASSERT_EQ(501, mask.cx);
    ASSERT_EQ(342, mask.cy);
    RECT window{}, browser{};
    bool customSite = false;
    IDispatch* external = nullptr;
    std::string title;
    DWORD exStyle = 0;
    RunCalendar("", [&](HWND hWnd) {
        window = harness::WindowRect(hWnd);
        HWND hBrowser = GetDlgItem(hWnd, IDC_BROWSER);
        ASSERT_NE(nullptr, hBrowser);
        browser = harness::ChildRect(hBrowser);
        auto* dlg = static_cast<CDialog*>(CWnd::FromHandle(hWnd));
        COleControlSite* site = dlg->GetControlSite(IDC_BROWSER);
        ASSERT_NE(nullptr, site);
        ComPtr<IDocHostUIHandler> handler;
        customSite = SUCCEEDED(site->QueryInterface(IID_IDocHostUIHandler, handler.put_void()));
        if (customSite)
            handler->GetExternal(&external);
        title = WindowText(hWnd);
        exStyle = static_cast<DWORD>(GetWindowLongA(hWnd, GWL_EXSTYLE));
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(0, window.left);
    EXPECT_EQ(0, window.top);
    EXPECT_EQ(mask.cx, window.right);
    EXPECT_EQ(mask.cy, window.bottom);
    EXPECT_EQ(20, browser.left);
    EXPECT_EQ(25, browser.top);
    EXPECT_EQ(mask.cx - 20, browser.right);
    EXPECT_EQ(mask.cy - 25, browser.bottom);
    EXPECT_TRUE(customSite) << "the main window answers the site request with the calendar's site";
    EXPECT_EQ(static_cast<IDispatch*>(theApp.m_pExternal.get()), external);
    if (external)
        external->Release();
    EXPECT_EQ("日历", title);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
}

// A saved place counts when 32 × 32 pixels of the window lie in the work
// area of a monitor (Xvfb has one, all work area).
TEST_F(CalendarWindow, OpensWhereItWasLeftWhenEnoughOfItShows) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const struct {
        LONG left, top;
        bool kept;
    } rows[] = {{300, -20, true},
                {work.right - 32, work.bottom - 32, true},
                {32 - MaskSize().cx, 0, true},
                {work.right - 31, 100, false},
                {100, work.bottom - 31, false},
                {5000, 5000, false}};
    for (const auto& row : rows) {
        RECT window{};
        RunCalendar("[setting]\r\nLeft=" + std::to_string(row.left) + "\r\nTop=" + std::to_string(row.top),
                    [&](HWND hWnd) {
                        window = harness::WindowRect(hWnd);
                        PostMessageA(hWnd, WM_CLOSE, 0, 0);
                    });
        EXPECT_EQ(row.kept ? std::make_pair(row.left, row.top) : std::make_pair(0L, 0L),
                  std::make_pair(window.left, window.top));
    }
}

TEST_F(CalendarWindow, AsksForItsPageAgainOnceWhenTheDateChanges) {
    SetServerFile("page", "serve");
    SetServerFile("requests", "");
    CalendarOnTestClock::s_now = {2024, 5, 5, 31, 23, 59, 59, 0};
    RunCalendar<CalendarOnTestClock>("", [&](HWND hWnd) {
        EXPECT_TRUE(PageAnsweredTimes(1, 3000, harness::PumpMessages));
        CalendarOnTestClock::s_now = {2024, 6, 6, 1, 0, 0, 0, 500};
        EXPECT_TRUE(PageAnsweredTimes(2, 3000, harness::PumpMessages)) << "at midnight";
        SendMessageA(hWnd, WM_TIMECHANGE, 0, 0);
        EXPECT_FALSE(PageAnsweredTimes(3, 1000, harness::PumpMessages)) << "the same day";
        CalendarOnTestClock::s_now = {2024, 6, 1, 3, 12, 0, 0, 0};
        SendMessageA(hWnd, WM_TIMECHANGE, 0, 0);
        EXPECT_TRUE(PageAnsweredTimes(3, 3000, harness::PumpMessages)) << "the clock set to another day";
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(3u, PageAnswers().size());
}

TEST_F(CalendarWindow, WithoutSettingsItIsOnlyColourKeyedAndNotOnTop) {
    harness::LayeredAttributes layered;
    bool topMost = true;
    RunCalendar("", [&](HWND hWnd) {
        layered = harness::ReadLayeredAttributes(hWnd);
        topMost = TopMost(hWnd);
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(layered.bLayered);
    EXPECT_EQ(static_cast<DWORD>(LWA_COLORKEY), layered.dwFlags);
    EXPECT_EQ(RGB(255, 255, 0), layered.crKey);
    EXPECT_FALSE(topMost);
}

TEST_F(CalendarWindow, TakesDisplayModeAndTransparencyFromTheSettingsFile) {
    harness::LayeredAttributes layered;
    bool topMost = false;
    RunCalendar("[setting]\r\nMostTop=7\r\nprogress=50\r\n", [&](HWND hWnd) {
        layered = harness::ReadLayeredAttributes(hWnd);
        topMost = TopMost(hWnd);
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(topMost) << "any non-zero MostTop means always on top";
    EXPECT_EQ(static_cast<DWORD>(LWA_ALPHA), layered.dwFlags);
    EXPECT_EQ(127, layered.bAlpha);

    RunCalendar("[setting]\r\nprogress=150\r\n", [&](HWND hWnd) {
        layered = harness::ReadLayeredAttributes(hWnd);
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(12, layered.bAlpha) << "150 counts as 100, which is limited like 95";
}

// Once the panel and the settings window exist, Wine moves the top-most
// flag of a run-time change to an owned window and leaves the owner's
// z-order alone, so this test watches what the window asks of the system.
// The flag itself is checked at start-up, before the owned windows exist.
TEST_F(CalendarWindow, MessageHundredSetsTheZOrderAndIgnoresOtherModes) {
    LRESULT answers[4] = {};
    std::vector<HWND> requests[4];
    RECT before{}, after{};
    RunCalendar("", [&](HWND hWnd) {
        before = harness::WindowRect(hWnd);
        const WPARAM modes[4] = {2, 0, 3, 1};
        for (int i = 0; i < 4; ++i) {
            SetWindowSubclass(hWnd, RecordZOrderRequests, 1, reinterpret_cast<DWORD_PTR>(&requests[i]));
            answers[i] = SendMessageA(hWnd, 100, modes[i], 0);
            RemoveWindowSubclass(hWnd, RecordZOrderRequests, 1);
        }
        after = harness::WindowRect(hWnd);
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    });
    for (LRESULT answer : answers)
        EXPECT_EQ(1, answer);
    EXPECT_EQ(std::vector<HWND>{HWND_TOPMOST}, requests[0]);
    EXPECT_TRUE(requests[1].empty()) << "wParam 0 changes nothing";
    EXPECT_TRUE(requests[2].empty()) << "wParam 3 changes nothing";
    EXPECT_EQ(std::vector<HWND>{HWND_NOTOPMOST}, requests[3]);
    EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(CalendarWindow, AnswersOnlySiteRequestsThatCarryAContainer) {
    LRESULT contextMenu = -1, noRequest = -1, noContainer = -1;
    RunCalendar("", [&](HWND hWnd) {
        SiteRequest empty{nullptr, nullptr};
        ContextMenuRequest menu{0, nullptr, nullptr, nullptr, S_FALSE};
        contextMenu = SendMessageA(hWnd, WM_CUSTOM_CONTROL_SITE, kRequestContextMenu, reinterpret_cast<LPARAM>(&menu));
        noRequest = SendMessageA(hWnd, WM_CUSTOM_CONTROL_SITE, kRequestSite, 0);
        noContainer = SendMessageA(hWnd, WM_CUSTOM_CONTROL_SITE, kRequestSite, reinterpret_cast<LPARAM>(&empty));
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(0, contextMenu);
    EXPECT_EQ(0, noRequest);
    EXPECT_EQ(0, noContainer);
}

TEST_F(CalendarWindow, KeepsTheHiddenLabelInTheBottomRightCorner) {
    HWND hLabel = nullptr;
    bool visible = true;
    std::string text;
    RECT moved{};
    RunCalendar("", [&](HWND hWnd) {
        hLabel = GetDlgItem(hWnd, 1004);
        ASSERT_NE(nullptr, hLabel);
        visible = IsWindowVisible(hLabel);
        text = WindowText(hLabel);
        SetWindowPos(hWnd, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
        moved = harness::ChildRect(hLabel);
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    });
    ASSERT_NE(nullptr, hLabel);
    EXPECT_FALSE(visible);
    EXPECT_EQ("2468", text);
    EXPECT_EQ(300, moved.left);
    EXPECT_EQ(280, moved.top);
    EXPECT_EQ(400, moved.right);
    EXPECT_EQ(300, moved.bottom);
}

// The title of the about box the timer found (and closed) while the about
// command ran modally.
std::string g_aboutTitle;

BOOL CALLBACK CloseAboutBox(HWND hWnd, LPARAM) {
    if (hWnd == AfxGetMainWnd()->m_hWnd || !IsWindowVisible(hWnd))
        return TRUE;
    g_aboutTitle = WindowText(hWnd);
    PostMessageA(hWnd, WM_CLOSE, 0, 0);
    return FALSE;
}

void CALLBACK FindAboutBox(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EnumThreadWindows(GetCurrentThreadId(), CloseAboutBox, 0);
}

// The template has no WS_SYSMENU. Windows gives such a window a system menu
// all the same; Wine gives it none (GetSystemMenu answers null), so this
// test window takes the style before the calendar's initialisation, which
// then finds a menu to add the about item to under Wine too.
class CalendarWithSystemMenuStyle : public CCalendarDlg {
protected:
    BOOL OnInitDialog() override {
        SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(GetStyle() | WS_SYSMENU));
        return CCalendarDlg::OnInitDialog();
    }
};

TEST_F(CalendarWindow, OffersTheAboutBoxThroughItsSystemCommand) {
    bool hasMenu = false;
    UINT separatorId = 1, lastId = 0;
    char text[128] = "";
    g_aboutTitle.clear();
    RunCalendar<CalendarWithSystemMenuStyle>("", [&](HWND hWnd) {
        HMENU hMenu = GetSystemMenu(hWnd, FALSE);
        hasMenu = hMenu != nullptr;
        if (hMenu) {
            const int count = GetMenuItemCount(hMenu);
            separatorId = GetMenuItemID(hMenu, count - 2);
            lastId = GetMenuItemID(hMenu, count - 1);
            GetMenuStringA(hMenu, count - 1, text, sizeof text, MF_BYPOSITION);
        }
        SetTimer(nullptr, 0, 300, FindAboutBox);
        // The menu's item as the system sends it: the low four bits are the
        // system's own and do not count.
        SendMessageA(hWnd, WM_SYSCOMMAND, 16 | 0x3, 0); // returns when the about box closed
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    });
    ASSERT_TRUE(hasMenu);
    EXPECT_EQ(0u, separatorId);
    EXPECT_EQ(16u, lastId);
    EXPECT_STREQ("关于 Tessaly(&A)...", text);
    EXPECT_EQ("关于 Tessaly", g_aboutTitle);
}

// The panel's pictures, tooltips and messages come from the calendar; its
// messages are seen at work in the session test of the real program.
TEST_F(CalendarWindow, GivesItsPanelTheTitleButtonsTooltips) {
    std::map<int, std::string> texts;
    RunCalendar("", [&](HWND hWnd) {
        const HWND panel = FindOwned(hWnd, "#32770", IDC_SETTINGS);
        if (const HWND tooltip = FindOwned(panel, TOOLTIPS_CLASSA))
            texts = ToolTexts(tooltip);
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
    });
    const std::map<int, std::string> expected{
        {IDOK, "关闭"}, {IDC_MINIMIZE, "最小化"}, {IDC_SETTINGS, "设置"}};
    EXPECT_EQ(expected, texts);
}
