// The real Update.exe started by a stand-in suite host: the block intake and
// version stamp, the mandatory and optional offers, the ways of leaving,
// the keys, the drag strip and the window's shape.
#include "framework/handles.h"
#include "framework/win_app.h"
#include "resources/update_resource.h"
#include "tests/harness/reference_region.h"
#include "tests/updater/test_suite_host.h"
#include "tests/updater/ui_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

CWinApp theApp;

std::string TextOf(HWND hWnd) {
    const int length = static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(hWnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(strlen(text.c_str()));
    return text;
}

RECT ClientRectOfChild(HWND hDlg, int id) {
    RECT rect;
    GetWindowRect(GetDlgItem(hDlg, id), &rect);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string TempDir() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

std::string UpdateDirectory() {
    const std::string exe = UpdateExePath();
    return exe.substr(0, exe.rfind('\\') + 1);
}

void ClickAt(HWND hWnd, int x, int y) {
    MouseMoveTo(ClientToScreenPoint(hWnd, x, y));
    MouseDown();
    MouseUp();
}

void ClickControl(HWND hDlg, int id) {
    const RECT rect = ClientRectOfChild(hDlg, id);
    ClickAt(hDlg, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void PressKey(WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof input[0]);
    PumpFor(100);
}

// Update.exe's own resources, read without running it.
class UpdateResources {
public:
    UpdateResources()
        : m_module(LoadLibraryExA(UpdateExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    std::string String(UINT id) const {
        char text[512] = {};
        LoadStringA(m_module.get(), id, text, sizeof text);
        return text;
    }
    HBITMAP Bitmap(UINT id) const { return LoadBitmapA(m_module.get(), MAKEINTRESOURCEA(id)); }

private:
    UniqueLibrary m_module;
};

void PressKeyTo(HWND hWnd, WORD key) {
    SetForegroundWindow(hWnd);
    PumpFor(100);
    PressKey(key);
}

class UpdateDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        MouseMoveTo(POINT{1200, 1000});
        packageDir = TempDir() + "wxb_dialog_" + std::to_string(GetCurrentProcessId());
        host.SetField(host.Block().downloadUrl, "http://127.0.0.1:9/wxbry5.exe");
        host.SetField(host.Block().packagePath, packageDir + "\\wxbry5.exe");
        std::strcpy(host.Block().releaseNotes, "1. 启动更快\r\n2. 新皮肤");
    }
    void TearDown() override {
        DeleteFileA((packageDir + "\\wxbry5.exe").c_str());
        RemoveDirectoryA(packageDir.c_str());
    }
    HWND StartAndWait(const std::string& startDirectory = "", const std::string& arguments = "") {
        if (!host.Start(startDirectory, arguments))
            return nullptr;
        return host.WaitForDialog();
    }

    TestSuiteHost host;
    UpdateResources resources;
    std::string packageDir;
};

TEST_F(UpdateDialogTest, OptionalOfferShowsDeclineAndLeavesWithoutShutdown) {
    host.Block().mandatory = 0;
    HWND dlg = StartAndWait();
    ASSERT_TRUE(dlg);

    EXPECT_EQ("Wexbury升级", TextOf(dlg));
    RECT window;
    GetWindowRect(dlg, &window);
    EXPECT_EQ(342, window.right - window.left);
    EXPECT_EQ(318, window.bottom - window.top);
    const LONG exStyle = GetWindowLongA(dlg, GWL_EXSTYLE);
    // Always on top. The dialog already owns its link's tooltip when it is
    // made topmost, and this Wine then puts WS_EX_TOPMOST on the owned
    // tooltip instead of the dialog (Windows marks the dialog): check the
    // flag where Wine shows it.
    HWND tooltip = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr);
    while (tooltip && GetWindow(tooltip, GW_OWNER) != dlg)
        tooltip = FindWindowExA(nullptr, tooltip, TOOLTIPS_CLASSA, nullptr);
    ASSERT_TRUE(tooltip);
    EXPECT_TRUE((exStyle | GetWindowLongA(tooltip, GWL_EXSTYLE)) & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);

    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_DECLINE)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_EXIT_SOFTWARE)));
    EXPECT_EQ(resources.String(IDS_NEW_VERSION_NOTICE), TextOf(GetDlgItem(dlg, IDC_NOTES_HEADING)));
    EXPECT_FALSE(resources.String(IDS_NEW_VERSION_NOTICE).empty());
    EXPECT_EQ("1. 启动更快\r\n2. 新皮肤", TextOf(GetDlgItem(dlg, IDC_NOTES)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_UPGRADE)));
    // The close button is one 21 x 20 frame in the top-right corner.
    const RECT close = ClientRectOfChild(dlg, IDC_CLOSE);
    EXPECT_EQ(312, close.left);
    EXPECT_EQ(2, close.top);
    EXPECT_EQ(21, close.right - close.left);
    EXPECT_EQ(20, close.bottom - close.top);

    ClickControl(dlg, IDC_DECLINE);
    ASSERT_TRUE(host.WaitForExit());
    EXPECT_TRUE(host.ExitEventSet());
    EXPECT_EQ(0, host.ShutdownCount());
}

TEST_F(UpdateDialogTest, MandatoryOfferOffersOnlyExitAndShutsTheSuiteDown) {
    host.Block().mandatory = 1;
    HWND dlg = StartAndWait();
    ASSERT_TRUE(dlg);

    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_DECLINE)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_EXIT_SOFTWARE)));
    const RECT exit = ClientRectOfChild(dlg, IDC_EXIT_SOFTWARE);
    const RECT decline = ClientRectOfChild(dlg, IDC_DECLINE);
    EXPECT_EQ(decline.left, exit.left);
    EXPECT_EQ(decline.top, exit.top);
    EXPECT_EQ("更新内容：", TextOf(GetDlgItem(dlg, IDC_NOTES_HEADING)));

    ClickControl(dlg, IDC_EXIT_SOFTWARE);
    ASSERT_TRUE(host.WaitForExit());
    EXPECT_TRUE(host.ExitEventSet());
    EXPECT_EQ(1, host.ShutdownCount());
}

TEST_F(UpdateDialogTest, CloseButtonLeavesWithTheLeaveSteps) {
    host.Block().mandatory = 1;
    HWND dlg = StartAndWait();
    ASSERT_TRUE(dlg);
    ClickControl(dlg, IDC_CLOSE);
    ASSERT_TRUE(host.WaitForExit());
    EXPECT_TRUE(host.ExitEventSet());
    EXPECT_EQ(1, host.ShutdownCount());
}

TEST_F(UpdateDialogTest, EnterDoesNothingAndEscapeClosesWithoutLeaveSteps) {
    host.Block().mandatory = 1;
    HWND dlg = StartAndWait();
    ASSERT_TRUE(dlg);
    SetForegroundWindow(dlg);
    PumpFor(100);
    // The focus is on a push button: Enter would press it without the swallow.
    PressKey(VK_RETURN);
    PumpFor(300);
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_UPGRADE)));
    EXPECT_FALSE(host.ExitEventSet());

    PressKey(VK_ESCAPE);
    ASSERT_TRUE(host.WaitForExit());
    EXPECT_FALSE(host.ExitEventSet());
    EXPECT_EQ(0, host.ShutdownCount());
}

TEST_F(UpdateDialogTest, OnlyTheTopThirtyPixelsDragTheWindow) {
    HWND dlg = StartAndWait();
    ASSERT_TRUE(dlg);
    auto dragFrom = [&](int x, int y) {
        RECT before;
        GetWindowRect(dlg, &before);
        const POINT start = ClientToScreenPoint(dlg, x, y);
        MouseMoveTo(start);
        MouseDown();
        MouseMoveTo(POINT{start.x + 20, start.y + 10});
        MouseMoveTo(POINT{start.x + 40, start.y + 25});
        MouseUp();
        PumpFor(100);
        RECT after;
        GetWindowRect(dlg, &after);
        return POINT{after.left - before.left, after.top - before.top};
    };
    const POINT moved = dragFrom(200, 30);
    EXPECT_EQ(40, moved.x);
    EXPECT_EQ(25, moved.y);
    const POINT still = dragFrom(200, 31);
    EXPECT_EQ(0, still.x);
    EXPECT_EQ(0, still.y);
}

TEST_F(UpdateDialogTest, WindowTakesTheShapeOfMask134) {
    HWND dlg = StartAndWait();
    ASSERT_TRUE(dlg);
    UniqueRegion actual(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(ERROR, GetWindowRgn(dlg, actual.get()));
    UniqueBitmap mask(resources.Bitmap(IDB_SHAPE_MASK));
    ASSERT_TRUE(mask);
    // Every pixel of the mask but pure white, read from the mask itself.
    UniqueRegion expected = harness::ReferenceRegionOfMask(mask.get());
    ASSERT_TRUE(expected);
    EXPECT_TRUE(EqualRgn(actual.get(), expected.get()));
    // The mask cuts something away: the window is not a plain rectangle.
    RECT box;
    EXPECT_EQ(COMPLEXREGION, GetRgnBox(actual.get(), &box));
}

TEST_F(UpdateDialogTest, VersionStampIsWrittenBeforeTheUserChooses) {
    // A relative path lands in the updater's current directory, which must
    // be its own directory even when it was started from elsewhere.
    const std::string stampName = "wxb_stamp_" + std::to_string(GetCurrentProcessId()) + ".ini";
    const std::string stampPath = UpdateDirectory() + stampName;
    DeleteFileA(stampPath.c_str());
    host.SetField(host.Block().stampFile, ".\\" + stampName);
    host.SetField(host.Block().stampSection, "u");
    host.SetField(host.Block().stampKey, "v");
    HWND dlg = StartAndWait(TempDir());
    ASSERT_TRUE(dlg);
    ClickControl(dlg, IDC_DECLINE);
    ASSERT_TRUE(host.WaitForExit());

    char value[32] = {};
    GetPrivateProfileStringA("u", "v", "", value, sizeof value, stampPath.c_str());
    EXPECT_STREQ("3524", value);
    DeleteFileA(stampPath.c_str());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((TempDir() + stampName).c_str()));
}

TEST_F(UpdateDialogTest, EmptyStampFileWritesNothing) {
    host.SetField(host.Block().stampSection, "wxb_empty_stamp");
    host.SetField(host.Block().stampKey, "v");
    HWND dlg = StartAndWait();
    ASSERT_TRUE(dlg);
    ClickControl(dlg, IDC_DECLINE);
    ASSERT_TRUE(host.WaitForExit());
    // With no file named the system's profile (win.ini) would be the target.
    char value[32] = {};
    GetProfileStringA("wxb_empty_stamp", "v", "none", value, sizeof value);
    EXPECT_STREQ("none", value);
}

TEST_F(UpdateDialogTest, LongestTerminatedNotesAreShownWhole) {
    // The longest terminated notes.
    std::memset(host.Block().releaseNotes, 'n', sizeof host.Block().releaseNotes - 1);
    HWND dlg = StartAndWait();
    ASSERT_TRUE(dlg);
    EXPECT_EQ(std::string(10239, 'n'), TextOf(GetDlgItem(dlg, IDC_NOTES)));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(host.WaitForExit());
}

TEST_F(UpdateDialogTest, UnterminatedNotesEndAtTheirWidth) {
    // No zero in the notes: the stamp-file text behind them is not shown.
    std::memset(host.Block().releaseNotes, 'm', sizeof host.Block().releaseNotes);
    host.SetField(host.Block().stampFile, "");
    std::memset(host.Block().stampSection, 's', sizeof host.Block().stampSection);
    HWND dlg = StartAndWait();
    ASSERT_TRUE(dlg);
    EXPECT_EQ(std::string(10240, 'm'), TextOf(GetDlgItem(dlg, IDC_NOTES)));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(host.WaitForExit());
}

TEST_F(UpdateDialogTest, HostTextAndCommandLineChangeNothing) {
    host.Block().mandatory = 0;
    std::memset(host.Block().hostReserved, 'h', sizeof host.Block().hostReserved);
    HWND dlg = StartAndWait("", "/mandatory /update http://127.0.0.1:9/other.exe");
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_DECLINE)));
    EXPECT_EQ("1. 启动更快\r\n2. 新皮肤", TextOf(GetDlgItem(dlg, IDC_NOTES)));
    ClickControl(dlg, IDC_DECLINE);
    ASSERT_TRUE(host.WaitForExit());
    EXPECT_TRUE(host.ExitEventSet());
    EXPECT_EQ(0, host.ShutdownCount());
}

TEST_F(UpdateDialogTest, AboutBoxFromTheSystemMenuIsAnOrdinaryDialog) {
    HWND dlg = StartAndWait();
    ASSERT_TRUE(dlg);
    DWORD processId = 0;
    GetWindowThreadProcessId(dlg, &processId);
    PostMessageA(dlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        about = FindWindowA(nullptr, "关于 Update");
        return about && IsWindowVisible(about);
    }));
    PumpFor(300);
    // It sets no shape: no region and no box complaining about one.
    UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(ERROR, GetWindowRgn(about, region.get()));
    EXPECT_EQ(2u, VisibleDialogsOf(processId).size()) << "the update dialog and the About box, nothing else";

    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindowVisible(dlg));
    PressKeyTo(dlg, VK_ESCAPE);
    ASSERT_TRUE(host.WaitForExit());
}

TEST_F(UpdateDialogTest, ProgressMessagesNotFromTheDownloaderChangeNothing) {
    HWND dlg = StartAndWait();
    ASSERT_TRUE(dlg);
    // Only wParam 2 carries a record; anything else is not even looked at.
    SendMessageA(dlg, WM_USER + 105, 1, 0x1234);
    SendMessageA(dlg, WM_USER + 105, 0, 0);
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_EQ("", TextOf(GetDlgItem(dlg, IDC_PROGRESS_TEXT)));
    EXPECT_EQ(0, SendMessageA(GetDlgItem(dlg, IDC_PROGRESS), PBM_GETPOS, 0, 0));
    // The bar's range leaves it one step short of full at 100 %.
    EXPECT_EQ(101, SendMessageA(GetDlgItem(dlg, IDC_PROGRESS), PBM_GETRANGE, FALSE, 0));
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    ASSERT_TRUE(host.WaitForExit());
}

TEST(UpdateWithoutHostTest, EndsQuietlyWithoutTheBlock) {
    // No host: no block named "wxbry" exists.
    const std::string exe = UpdateExePath();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    UniqueHandle thread(process.hThread);
    UniqueHandle handle(process.hProcess);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(handle.get(), 10000));
    DWORD code = 1;
    GetExitCodeProcess(handle.get(), &code);
    EXPECT_EQ(0u, code);
}

} // namespace
