// The updater's controls in a real dialog under Xvfb: the strip button's
// frames, clicks and transparency, and the hyperlink's address, size,
// colours, error report and browser fallback.
#include "framework/dialog.h"
#include "framework/handles.h"
#include "framework/win_app.h"
#include "tests/harness/wait_until.h"
#include "tests/updater/ui_support.h"
#include "tests/updater/updater_controls_test_ids.h"
#include "updater/link_label.h"
#include "updater/strip_button.h"
#include "updater/update_skin_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

namespace {

CWinApp theApp;

const COLORREF kBackground = RGB(0, 128, 0);
// Frame colours drawn by strip_bitmaps.py.
const COLORREF kResourceFrames[] = {RGB(200, 30, 30), RGB(30, 160, 30), RGB(30, 30, 200)};
const COLORREF kFileFrame0 = RGB(20, 200, 200);

const std::string kArtDir = WXB_TEST_ART_DIR;

class ControlsDialog : public CDialog {
public:
    ControlsDialog() : CDialog(IDD_CONTROLS) { empty.SetURL("http://127.0.0.1:9/notes.html"); }

    CLinkLabel left, centre, right, empty, middle;
    CStripButton strip;
    std::vector<WPARAM> commands; // WM_COMMAND the dialog saw

    int Clicks(WORD code) const {
        int n = 0;
        for (WPARAM w : commands)
            n += LOWORD(w) == IDC_STRIP && HIWORD(w) == code;
        return n;
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, IDC_LINK_LEFT, left);
        DDX_Control(pDX, IDC_LINK_CENTRE, centre);
        DDX_Control(pDX, IDC_LINK_RIGHT, right);
        DDX_Control(pDX, IDC_LINK_EMPTY, empty);
        DDX_Control(pDX, IDC_LINK_MIDDLE, middle);
        DDX_Control(pDX, IDC_STRIP, strip);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND)
            commands.push_back(wParam);
        if (message == WM_ERASEBKGND) {
            RECT client;
            GetClientRect(&client);
            UniqueBrush brush(CreateSolidBrush(kBackground));
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush.get());
            return TRUE;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

class UpdaterControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The mouse stays away from the dialog until a test moves it there.
        MouseMoveTo(POINT{900, 900});
        ASSERT_TRUE(dlg.Create(IDD_CONTROLS));
        SetWindowPos(dlg.m_hWnd, HWND_TOPMOST, 100, 100, 0, 0, SWP_NOSIZE);
        PumpFor(100);
    }
    void TearDown() override { dlg.DestroyWindow(); }

    // The template rectangle of a control in pixels of the dialog's client.
    RECT TemplateRect(int left, int top, int width, int height) const {
        RECT rect{left, top, left + width, top + height};
        MapDialogRect(dlg.m_hWnd, &rect);
        return rect;
    }
    RECT ClientRectOf(const CWnd& control) const {
        RECT rect;
        GetWindowRect(control.m_hWnd, &rect);
        MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    SIZE TextExtent(const CWnd& control) const {
        WindowDC dc(control.m_hWnd);
        HGDIOBJ old = SelectObject(dc.get(), control.GetFont());
        const std::string text = control.GetWindowText();
        SIZE size{};
        GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc.get(), old);
        return size;
    }
    // The colour the strip button shows at a point of its own.
    COLORREF StripPixel(int x, int y) const {
        const RECT rect = ClientRectOf(dlg.strip);
        return ClientPixel(dlg.m_hWnd, rect.left + x, rect.top + y);
    }
    POINT StripCentre() const {
        const RECT rect = ClientRectOf(dlg.strip);
        return ClientToScreenPoint(dlg.m_hWnd, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }

    ControlsDialog dlg;
};

// --- Strip button -----------------------------------------------------

TEST_F(UpdaterControlsTest, StripButtonShowsTheFrameOfEachStateOverTheBackground) {
    dlg.strip.LoadSkin("", IDB_TEST_STRIP);
    const RECT rect = ClientRectOf(dlg.strip);
    EXPECT_EQ(21, rect.right - rect.left);
    EXPECT_EQ(20, rect.bottom - rect.top);
    PumpFor(50);

    auto expectFrame = [&](int state, const char* when) {
        EXPECT_EQ(state, dlg.strip.State()) << when;
        EXPECT_EQ(kResourceFrames[state], StripPixel(15, 10)) << when;
        // Magenta pixels are left out: the dialog's background shows.
        EXPECT_EQ(kBackground, StripPixel(2, 2)) << when;
    };
    expectFrame(CStripButton::kNormal, "at rest");

    MouseMoveTo(StripCentre());
    expectFrame(CStripButton::kHover, "under the mouse");
    MouseDown();
    expectFrame(CStripButton::kPressed, "pressed");
    MouseUp();
    expectFrame(CStripButton::kHover, "released over the button");
    EXPECT_EQ(1, dlg.Clicks(BN_CLICKED));

    MouseMoveTo(POINT{900, 900});
    PumpUntil([&] { return dlg.strip.State() == CStripButton::kNormal; });
    expectFrame(CStripButton::kNormal, "after the mouse left");
}

TEST_F(UpdaterControlsTest, StripButtonDoubleClickIsTwoClicks) {
    dlg.strip.LoadSkin("", IDB_TEST_STRIP);
    MouseMoveTo(StripCentre());
    MouseDown();
    MouseUp();
    MouseDown();
    MouseUp();
    PumpFor(50);
    EXPECT_EQ(2, dlg.Clicks(BN_CLICKED));
    EXPECT_EQ(0, dlg.Clicks(BN_DOUBLECLICKED));
}

TEST_F(UpdaterControlsTest, StripButtonPrefersAFileNamedLikeTheSkin) {
    dlg.strip.LoadSkin(WindowsPath(kArtDir + "/strip_file.bmp"), IDB_TEST_STRIP);
    PumpFor(50);
    EXPECT_EQ(kFileFrame0, StripPixel(15, 10));
    EXPECT_EQ(kBackground, StripPixel(2, 2));

    dlg.strip.LoadSkin(WindowsPath(kArtDir + "/no_such_strip.bmp"), IDB_TEST_STRIP);
    PumpFor(50);
    EXPECT_EQ(kResourceFrames[0], StripPixel(15, 10));
}

TEST_F(UpdaterControlsTest, StripButtonWithoutBitmapStaysClickable) {
    const RECT before = ClientRectOf(dlg.strip);
    dlg.strip.LoadSkin("", 999);
    const RECT after = ClientRectOf(dlg.strip);
    EXPECT_EQ(before.right - before.left, after.right - after.left);
    EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
    MouseMoveTo(StripCentre());
    MouseDown();
    MouseUp();
    EXPECT_EQ(1, dlg.Clicks(BN_CLICKED));
}

// --- Hyperlink ----------------------------------------------------------

struct TooltipSearch {
    HWND tool;
    std::string text;
};

// Reads the tip of tool 1 of the searched window from the tooltip that has it.
BOOL CALLBACK FindToolText(HWND hWnd, LPARAM param) {
    auto* search = reinterpret_cast<TooltipSearch*>(param);
    char cls[64] = {};
    GetClassNameA(hWnd, cls, sizeof cls);
    if (lstrcmpiA(cls, TOOLTIPS_CLASSA) != 0)
        return TRUE;
    char text[512] = {};
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.hwnd = search->tool;
    info.uId = 1;
    if (!SendMessageA(hWnd, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)))
        return TRUE;
    info.lpszText = text;
    SendMessageA(hWnd, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    search->text = text;
    return FALSE;
}

std::string TooltipText(HWND hControl) {
    TooltipSearch search{hControl, {}};
    EnumThreadWindows(GetCurrentThreadId(), FindToolText, reinterpret_cast<LPARAM>(&search));
    return search.text;
}

TEST_F(UpdaterControlsTest, LinkAddressAndTextStandInForEachOther) {
    // Never given an address: its own text is the address and the tip.
    const std::string ownText = "\xb5\xe3\xbb\xf7\xcf\xc2\xd4\xd8"; // 点击下载 in GBK
    EXPECT_EQ(ownText, dlg.left.URL());
    EXPECT_EQ(ownText, TooltipText(dlg.left.m_hWnd));
    // Empty text: the address is shown.
    EXPECT_EQ("http://127.0.0.1:9/notes.html", dlg.empty.GetWindowText());
    // A new address becomes the tip; the text stays.
    dlg.left.SetURL("http://127.0.0.1:9/a.zip");
    EXPECT_EQ("http://127.0.0.1:9/a.zip", TooltipText(dlg.left.m_hWnd));
    EXPECT_EQ(ownText, dlg.left.GetWindowText());
    // The link is underlined and reports clicks.
    LOGFONTA font{};
    GetObjectA(dlg.left.GetFont(), sizeof font, &font);
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_TRUE(dlg.left.GetStyle() & SS_NOTIFY);
}

TEST_F(UpdaterControlsTest, LinkFitsItsTextForEachAlignment) {
    const SIZE text = TextExtent(dlg.left);
    ASSERT_GT(text.cx, 0);

    // Left: shrinks to the text at its old top-left corner.
    const RECT leftBox = TemplateRect(10, 10, 100, 20);
    const RECT left = ClientRectOf(dlg.left);
    EXPECT_EQ(leftBox.left, left.left);
    EXPECT_EQ(leftBox.top, left.top);
    EXPECT_EQ(text.cx, left.right - left.left);
    EXPECT_EQ(text.cy, left.bottom - left.top);

    // Centred: shrinks from both sides by the same amount.
    const RECT centreBox = TemplateRect(10, 40, 100, 21);
    const RECT centre = ClientRectOf(dlg.centre);
    const int inset = (centreBox.right - centreBox.left - text.cx) / 2;
    EXPECT_EQ(centreBox.left + inset, centre.left);
    EXPECT_EQ(centreBox.right - inset, centre.right);
    EXPECT_EQ(centreBox.top, centre.top);
    EXPECT_EQ(text.cy, centre.bottom - centre.top);

    // Right: keeps its right edge.
    const RECT rightBox = TemplateRect(10, 70, 100, 20);
    const RECT right = ClientRectOf(dlg.right);
    EXPECT_EQ(rightBox.right, right.right);
    EXPECT_EQ(text.cx, right.right - right.left);

    // Centred vertically (SS_CENTERIMAGE): shrinks from top and bottom.
    const RECT middleBox = TemplateRect(120, 100, 100, 20);
    const RECT middle = ClientRectOf(dlg.middle);
    const int vInset = (middleBox.bottom - middleBox.top - text.cy) / 2;
    EXPECT_EQ(middleBox.top + vInset, middle.top);
    EXPECT_EQ(middleBox.bottom - vInset, middle.bottom);
    EXPECT_EQ(middleBox.left, middle.left);
}

// Whether any pixel of the control shows the colour.
bool ShowsColour(HWND hDlg, const RECT& rect, COLORREF colour) {
    WindowDC dc(hDlg);
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            if (GetPixel(dc.get(), x, y) == colour)
                return true;
    return false;
}

TEST_F(UpdaterControlsTest, LinkColoursFollowHoverAndVisits) {
    const RECT rect = ClientRectOf(dlg.left);
    const COLORREF hover = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_TRUE(ShowsColour(dlg.m_hWnd, rect, RGB(0, 0, 238)));
    EXPECT_FALSE(ShowsColour(dlg.m_hWnd, rect, hover));

    MouseMoveTo(ClientToScreenPoint(dlg.m_hWnd, rect.left + 2, (rect.top + rect.bottom) / 2));
    EXPECT_TRUE(dlg.left.Hovering());
    EXPECT_EQ(dlg.left.m_hWnd, GetCapture());
    EXPECT_TRUE(ShowsColour(dlg.m_hWnd, rect, hover));

    MouseMoveTo(POINT{900, 900});
    EXPECT_FALSE(dlg.left.Hovering());
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_TRUE(ShowsColour(dlg.m_hWnd, rect, RGB(0, 0, 238)));

    dlg.left.SetVisited(true);
    PumpFor(50);
    EXPECT_TRUE(ShowsColour(dlg.m_hWnd, rect, RGB(85, 26, 139)));
    EXPECT_FALSE(ShowsColour(dlg.m_hWnd, rect, RGB(0, 0, 238)));
}

// Answers the message box the UI thread shows: records its text, presses OK.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(HWND owner)
        : m_thread([this, owner] {
              HWND box = nullptr;
              harness::WaitUntil([&] { return m_done || (box = FindBox(owner)) != nullptr; }, 5000);
              if (!box)
                  return;
              text = WindowTextOf(GetDlgItem(box, 0xFFFF));
              PostMessageA(box, WM_COMMAND, IDOK, 0);
              m_done = true;
          }) {}
    ~MessageBoxAnswerer() {
        m_done = true;
        m_thread.join();
    }
    std::string text;

private:
    static bool OursAndVisible(HWND hWnd) {
        DWORD processId = 0;
        GetWindowThreadProcessId(hWnd, &processId);
        return processId == GetCurrentProcessId() && IsWindowVisible(hWnd);
    }
    // A message box (its text is item 0xFFFF) of this process; any owner
    // when owner is null.
    static HWND FindBox(HWND owner) {
        for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", nullptr); w;
             w = FindWindowExA(nullptr, w, "#32770", nullptr))
            if (OursAndVisible(w) && (!owner || GetWindow(w, GW_OWNER) == owner) && GetDlgItem(w, 0xFFFF))
                return w;
        return nullptr;
    }
    static std::string WindowTextOf(HWND hWnd) {
        char buffer[1024] = {};
        GetWindowTextA(hWnd, buffer, sizeof buffer);
        return buffer;
    }
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

TEST_F(UpdaterControlsTest, FailedOpenExplainsItselfAndStaysUnvisited) {
    // An address no program is registered for: the shell and, through it,
    // the fallback both fail, and the reason is shown.
    dlg.left.SetURL("wxbnosuchscheme:page");
    std::string shown;
    {
        MessageBoxAnswerer answerer(dlg.m_hWnd);
        SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_LINK_LEFT, STN_CLICKED),
                     reinterpret_cast<LPARAM>(dlg.left.m_hWnd));
        PumpFor(50);
        shown = answerer.text;
    }
    EXPECT_EQ(0u, shown.rfind("Unable to open hyperlink:\n\n", 0)) << shown;
    EXPECT_GT(shown.size(), std::string("Unable to open hyperlink:\n\n").size());
    EXPECT_FALSE(dlg.left.Visited());
}

// --- The registered-browser fallback ------------------------------------

// Replaces the default value of an HKEY_CLASSES_ROOT key for one test and
// puts the old state back afterwards.
class ClassesRootValue {
public:
    ClassesRootValue(const std::string& subKey, const std::string& value) : m_subKey(subKey) {
        HKEY created;
        char old[512] = {};
        LONG size = sizeof old;
        m_hadValue = RegQueryValueA(HKEY_CLASSES_ROOT, subKey.c_str(), old, &size) == ERROR_SUCCESS;
        m_old = old;
        if (RegCreateKeyA(HKEY_CLASSES_ROOT, subKey.c_str(), &created) == ERROR_SUCCESS) {
            const UniqueRegKey key(created);
            RegSetValueA(key.get(), nullptr, REG_SZ, value.c_str(), static_cast<DWORD>(value.size()));
        }
    }
    ~ClassesRootValue() {
        if (m_hadValue)
            RegSetValueA(HKEY_CLASSES_ROOT, m_subKey.c_str(), REG_SZ, m_old.c_str(),
                         static_cast<DWORD>(m_old.size()));
        else
            RegDeleteTreeA(HKEY_CLASSES_ROOT, m_subKey.c_str());
    }

private:
    std::string m_subKey;
    std::string m_old;
    bool m_hadValue = false;
};

std::string RecordedLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class BrowserFallbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        recordFile =
            std::string(temp) + "wxb_link_fallback_" + std::to_string(GetCurrentProcessId()) + ".txt";
        DeleteFileA(recordFile.c_str());
        SetEnvironmentVariableA("WXB_RECORD_FILE", recordFile.c_str());
    }
    void TearDown() override { DeleteFileA(recordFile.c_str()); }

    // Opens the address with the given browser command registered for web
    // pages; returns what the started program recorded.
    std::string OpenWith(const std::string& command, const std::string& address, INT_PTR* result) {
        ClassesRootValue pageClass(".htm", "WxbLinkTest.Page");
        ClassesRootValue openCommand("WxbLinkTest.Page\\shell\\open\\command", command);
        *result = CLinkLabel::OpenAddress(address, SW_SHOW);
        // WinExec does not wait for the program.
        std::string lines;
        harness::WaitUntil(
            [&] {
                lines = RecordedLines(recordFile);
                return !lines.empty();
            },
            *result > 32 ? 5000 : 1000);
        return lines;
    }

    const std::string recorder = WindowsPath(WXB_TEST_RECORDER);
    std::string recordFile;
};

TEST_F(BrowserFallbackTest, PlaceholderIsReplacedByTheAddress) {
    const std::string address = "wxbnosuchscheme://127.0.0.1/wxb/soft/wxbry5.zip";
    INT_PTR result = 0;
    // Quoted placeholder: the blank before it stays and one more is added.
    std::string line = OpenWith("\"" + recorder + "\" \"%1\"", address, &result);
    EXPECT_GT(result, 32);
    EXPECT_EQ(0u, line.find("\"" + recorder + "\"  " + address + "|")) << line;

    DeleteFileA(recordFile.c_str());
    line = OpenWith("\"" + recorder + "\" -new %1", address, &result);
    EXPECT_EQ(0u, line.find("\"" + recorder + "\" -new  " + address + "|")) << line;

    DeleteFileA(recordFile.c_str());
    line = OpenWith("\"" + recorder + "\" -plain", address, &result);
    EXPECT_EQ(0u, line.find("\"" + recorder + "\" -plain " + address + "|")) << line;
}

TEST_F(BrowserFallbackTest, AddressTooLongForTheCommandIsNotRun) {
    const std::string address = "wxbnosuchscheme://127.0.0.1/" + std::string(600, 'a');
    INT_PTR result = 0;
    const std::string line = OpenWith("\"" + recorder + "\" \"%1\"", address, &result);
    EXPECT_LE(result, 32);
    EXPECT_TRUE(line.empty()) << line;
}

// --- The updater's skinned dialog base -------------------------------------

// Creates the dialog with the given shape id; returns the text of the
// message box its initialisation showed, empty when it showed none.
std::string CreateSkinned(CUpdateSkinDialog& dlg, int shapeId) {
    dlg.SetShapeBitmapId(shapeId);
    MessageBoxAnswerer answerer(nullptr);
    if (!dlg.Create(IDD_CONTROLS))
        return "(not created)";
    PumpFor(200);
    return answerer.text;
}

TEST(UpdateSkinDialogTest, UnusableShapeIsReportedAndTheDialogStaysRectangular) {
    CUpdateSkinDialog dlg(IDD_CONTROLS);
    EXPECT_EQ("SADF", CreateSkinned(dlg, 999)); // no such bitmap: no region results
    UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(ERROR, GetWindowRgn(dlg.m_hWnd, region.get())) << "no window region";
    EXPECT_TRUE(IsWindow(dlg.m_hWnd)) << "initialisation went on";
}

TEST(UpdateSkinDialogTest, UsableShapeBecomesTheWindowRegionWithoutABox) {
    CUpdateSkinDialog dlg(IDD_CONTROLS);
    EXPECT_EQ("", CreateSkinned(dlg, IDB_TEST_STRIP)); // 84 x 20, no pure white
    UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(SIMPLEREGION, GetWindowRgn(dlg.m_hWnd, region.get()));
    RECT box;
    GetRgnBox(region.get(), &box);
    EXPECT_EQ(84, box.right - box.left);
    EXPECT_EQ(20, box.bottom - box.top);
}

TEST(UpdateSkinDialogTest, WithoutShapeIdNoRegionIsAttempted) {
    // The About box sets no shape: it stays an ordinary dialog, no box.
    CUpdateSkinDialog dlg(IDD_CONTROLS);
    EXPECT_EQ("", CreateSkinned(dlg, 0));
    UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(ERROR, GetWindowRgn(dlg.m_hWnd, region.get()));
}

} // namespace
