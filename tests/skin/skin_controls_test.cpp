// The skinned controls with real windows under Xvfb: CSkinButton and
// CShapeButton driven by real mouse input (SendInput) and checked by the
// pixels they put on the screen, CSkinDialog's shape and background drag,
// and the title button panel's layout, tooltips and messages to its parent.
#include "framework/dialog.h"
#include "framework/handles.h"
#include "framework/win_app.h"
#include "resources/tessaly_resource.h"
#include "skin/color_offset.h"
#include "skin/resource_bitmap.h"
#include "skin/shape_button.h"
#include "skin/skin_button.h"
#include "skin/skin_dialog.h"
#include "skin/title_button_panel.h"
#include "tests/harness/reference_region.h"
#include "tests/skin/skin_controls_test_ids.h"
#include "tests/skin/ui_session.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

CWinApp theApp;

constexpr COLORREF kHostBackground = RGB(30, 120, 200);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr UINT kRightClickMessage = WM_USER + 104;
// What the panel under test is told to send for its settings and minimise
// buttons; its close button sends WM_CLOSE, as the calendar's does.
constexpr UINT kSettingsMessage = WM_APP + 6;
constexpr UINT kMinimizeMessage = WM_APP + 7;

// A modeless dialog painted in one colour that records what reaches it.
class HostDialog : public CDialog {
public:
    explicit HostDialog(UINT nID) : CDialog(nID) {}

    std::function<void()> onInit;  // runs before the dialog first shows
    struct Message {
        UINT message;
        WPARAM wParam;
    };
    std::vector<Message> received;

    int Count(UINT message, WPARAM wParam) const {
        return static_cast<int>(std::count_if(received.begin(), received.end(), [&](const Message& m) {
            return m.message == message && m.wParam == wParam;
        }));
    }

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (onInit)
            onInit();
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(&client);
            UniqueBrush brush(CreateSolidBrush(kHostBackground));
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush.get());
            return TRUE;
        }
        case WM_COMMAND:
        case WM_CLOSE:
        case kRightClickMessage:
        case kSettingsMessage:
        case kMinimizeMessage:
            received.push_back({message, wParam});
            if (message != WM_COMMAND)
                return message == kRightClickMessage ? 77 : 0;
            break;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

// A 14 x 14 32-bit picture filled by `pixel(x, y)`.
template <typename PixelFn>
UniqueBitmap Picture(PixelFn pixel) {
    BITMAPINFOHEADER header{sizeof header, 14, -14, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueBitmap bitmap(
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0));
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < 14; ++x) {
            const COLORREF c = pixel(x, y);
            pixels[y * 14 + x] = GetBValue(c) | GetGValue(c) << 8 | GetRValue(c) << 16;
        }
    }
    return bitmap;
}

UniqueBitmap SolidPicture(COLORREF color) {
    return Picture([color](int, int) { return color; });
}

COLORREF BitmapPixel(UINT nID, int x, int y) {
    UniqueBitmap bitmap(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nID)));
    MemoryDC dc(CreateCompatibleDC(nullptr));
    SelectObjectScope select(dc.get(), bitmap.get());
    return GetPixel(dc.get(), x, y);
}

RECT WindowRect(HWND hWnd) {
    RECT rect;
    GetWindowRect(hWnd, &rect);
    return rect;
}

POINT Centre(HWND hWnd) {
    const RECT rect = WindowRect(hWnd);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// The screen point `dx, dy` from the top-left of a window.
POINT At(HWND hWnd, int dx, int dy) {
    const RECT rect = WindowRect(hWnd);
    return {rect.left + dx, rect.top + dy};
}

// Where the mouse rests between tests: on the bare desktop.
void ParkMouse() {
    ui::MoveTo({1200, 1000});
}

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ParkMouse();
        theApp.m_pMainWnd = &host;
    }
    // Opens the host dialog; `init` runs in its initialisation.
    void Open(std::function<void()> init = {}) {
        host.onInit = std::move(init);
        ASSERT_TRUE(host.Create(IDD_BUTTON_HOST));
        host.SetWindowPos(nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        UpdateWindow(host.m_hWnd);
    }
    void TearDown() override {
        theApp.m_pMainWnd = nullptr;
        ParkMouse();
    }

    // The button's image, 14 x 14 and centred, redrawn and read back.
    COLORREF ImagePixel(const CWnd& button, int x, int y) {
        ui::Pump(100);
        return ImagePixelNow(button, x, y);
    }
    static COLORREF ImagePixelNow(const CWnd& button, int x, int y) {
        RECT client;
        button.GetClientRect(&client);
        return ui::WindowPixel(button.m_hWnd, (client.right - 14) / 2 + x, (client.bottom - 14) / 2 + y);
    }
    // Waits for the image's centre to show `color`. Under Wine the leave
    // notification comes from a poll at the system hover time (400 ms), not
    // at once as on Windows.
    static bool ComesToShow(const CWnd& button, COLORREF color) {
        return ui::PumpUntil([&] { return ImagePixelNow(button, 7, 7) == color; }, 1500);
    }

    HostDialog host{IDD_BUTTON_HOST};
};

TEST_F(ButtonTest, SkinButtonShowsTheParentThroughMagentaOnly) {
    // Left half magenta; on the right one step away from it above a green
    // lower quarter.
    auto picture = [](int x, int y) -> COLORREF {
        if (x < 7)
            return kMagenta;
        return y < 7 ? RGB(254, 0, 255) : RGB(0, 160, 0);
    };
    // Skinned before the dialog first paints, as the calendar does: the
    // background cache then holds the parent's own pixels.
    CSkinButton button;
    Open([&] {
        ASSERT_TRUE(button.SubclassDlgItem(IDC_SKIN_PUSH, &host));
        button.SetSkin(IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL, 133);
        ASSERT_EQ(0, button.SetBitmaps(Picture(picture), kMagenta, Picture(picture), kMagenta));
    });

    EXPECT_EQ(kHostBackground, ImagePixel(button, 2, 2));
    EXPECT_EQ(kHostBackground, ImagePixel(button, 5, 12));
    EXPECT_EQ(RGB(254, 0, 255), ImagePixel(button, 10, 3));
    EXPECT_EQ(RGB(0, 160, 0), ImagePixel(button, 10, 10));
    // Around the image the cached parent background, no fill and no border.
    RECT client;
    button.GetClientRect(&client);
    EXPECT_EQ(kHostBackground, ui::WindowPixel(button.m_hWnd, 0, 0));
    EXPECT_EQ(kHostBackground, ui::WindowPixel(button.m_hWnd, 2, client.bottom / 2));
}

TEST_F(ButtonTest, SkinButtonLightsOnHoverButNotWhenThePressStartedElsewhere) {
    Open();
    CSkinButton button;
    ASSERT_TRUE(button.SubclassDlgItem(IDC_SKIN_PUSH, &host));
    button.SetSkin(IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL, 133);
    const COLORREF in = RGB(200, 0, 0), out = RGB(0, 0, 200);
    ASSERT_EQ(0, button.SetBitmaps(SolidPicture(in), kMagenta, SolidPicture(out), kMagenta));
    EXPECT_EQ(out, ImagePixel(button, 7, 7));

    ui::MoveTo(Centre(button.m_hWnd));
    EXPECT_TRUE(ComesToShow(button, in));
    ui::MoveTo(At(host.m_hWnd, 5, 5));
    EXPECT_TRUE(ComesToShow(button, out));

    ui::LeftDown();  // on the dialog's background
    ui::MoveTo(Centre(button.m_hWnd));
    ui::Pump(500);
    EXPECT_EQ(out, ImagePixelNow(button, 7, 7));
    ui::LeftUp();
    POINT inside = Centre(button.m_hWnd);
    inside.x += 3;
    ui::MoveTo(inside);
    EXPECT_TRUE(ComesToShow(button, in));
}

TEST_F(ButtonTest, SkinButtonReportsRightClicksToTheMainWindow) {
    Open();
    CSkinButton button;
    ASSERT_TRUE(button.SubclassDlgItem(IDC_SKIN_PUSH, &host));
    button.SetSkin(IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL, 133);
    ui::MoveTo(Centre(button.m_hWnd));
    ui::RightClick();
    ASSERT_EQ(1, host.Count(kRightClickMessage, static_cast<WPARAM>(133 - 2000)));
    EXPECT_EQ(-1867, static_cast<int>(static_cast<std::int32_t>(host.received.back().wParam)));
    // The answer of the main window is the button's.
    EXPECT_EQ(77, SendMessageA(button.m_hWnd, WM_RBUTTONUP, 0, 0));
}

TEST_F(ButtonTest, SkinButtonCountsADoubleClickAsTwoClicks) {
    Open();
    CSkinButton button;
    ASSERT_TRUE(button.SubclassDlgItem(IDC_SKIN_PUSH, &host));
    button.SetSkin(IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL, 133);
    ui::MoveTo(Centre(button.m_hWnd));
    ui::DoubleClick();
    ui::Pump(100);
    EXPECT_EQ(2, host.Count(WM_COMMAND, MAKEWPARAM(IDC_SKIN_PUSH, BN_CLICKED)));
    EXPECT_EQ(0, host.Count(WM_COMMAND, MAKEWPARAM(IDC_SKIN_PUSH, BN_DOUBLECLICKED)));
    EXPECT_EQ(button.m_hWnd, GetFocus());  // a click focuses the button
}

TEST_F(ButtonTest, SkinCheckBoxTogglesAndShowsItsInBitmapWhileChecked) {
    Open();
    CSkinButton check;
    ASSERT_TRUE(check.SubclassDlgItem(IDC_SKIN_CHECK, &host));
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), check.GetStyle() & 0xF);
    check.SetSkin(IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL, 0);
    const COLORREF in = RGB(200, 0, 0), out = RGB(0, 0, 200);
    ASSERT_EQ(0, check.SetBitmaps(SolidPicture(in), kMagenta, SolidPicture(out), kMagenta));

    ui::MoveTo(Centre(check.m_hWnd));
    ui::LeftDown();
    ui::LeftUp();
    EXPECT_EQ(BST_CHECKED, check.SendMessage(BM_GETCHECK));
    ParkMouse();
    EXPECT_EQ(in, ImagePixel(check, 7, 7));  // checked, not hovered

    ui::MoveTo(Centre(check.m_hWnd));
    ui::LeftDown();
    ui::LeftUp();
    EXPECT_EQ(BST_UNCHECKED, check.SendMessage(BM_GETCHECK));
    ParkMouse();
    EXPECT_EQ(out, ImagePixel(check, 7, 7));

    check.SendMessage(BM_SETCHECK, BST_INDETERMINATE);
    EXPECT_EQ(1, check.SendMessage(BM_GETCHECK));

    // A push button has no check state.
    CSkinButton push;
    ASSERT_TRUE(push.SubclassDlgItem(IDC_SKIN_PUSH, &host));
    push.SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(0, push.SendMessage(BM_GETCHECK));
}

TEST_F(ButtonTest, SkinButtonKeepsTheDefaultButtonStateOwnerDrawn) {
    Open();
    CSkinButton button;
    ASSERT_TRUE(button.SubclassDlgItem(IDC_SKIN_PUSH, &host));
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), button.GetStyle() & 0xF);
    EXPECT_TRUE(button.SendMessage(WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON);

    button.SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), button.GetStyle() & 0xF);
    const LRESULT code = button.SendMessage(WM_GETDLGCODE);
    EXPECT_TRUE(code & DLGC_UNDEFPUSHBUTTON);
    EXPECT_FALSE(code & DLGC_DEFPUSHBUTTON);

    button.SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), button.GetStyle() & 0xF);
    EXPECT_TRUE(button.SendMessage(WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON);
}

TEST_F(ButtonTest, UnskinnedSkinButtonFillsWithItsOffsetHoverColour) {
    Open();
    CSkinButton button;
    ASSERT_TRUE(button.SubclassDlgItem(IDC_SKIN_PUSH, &host));
    ASSERT_EQ(0, button.SetBitmaps(SolidPicture(RGB(200, 0, 0)), kMagenta, SolidPicture(RGB(0, 0, 200)), kMagenta));
    EXPECT_EQ(3, button.OffsetColor(6, 30, TRUE));
    EXPECT_EQ(5, button.OffsetColor(0, 256, TRUE));
    EXPECT_EQ(5, button.OffsetColor(0, -256, TRUE));
    EXPECT_EQ(0, button.OffsetColor(0, 30, TRUE));

    RECT client;
    button.GetClientRect(&client);
    const POINT fill{4, client.bottom / 2};
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    ui::Pump(100);
    EXPECT_EQ(face, ui::WindowPixel(button.m_hWnd, fill.x, fill.y));
    ui::MoveTo(Centre(button.m_hWnd));
    ui::Pump(100);
    EXPECT_EQ(OffsetColorBytes(face, 30), ui::WindowPixel(button.m_hWnd, fill.x, fill.y));
    // The border shows while hovered: highlight at the top-left corner.
    EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), ui::WindowPixel(button.m_hWnd, 0, 0));
}

TEST_F(ButtonTest, ShapeButtonTakesItsBitmapsSizeAndShape) {
    Open();
    CShapeButton button;
    ASSERT_TRUE(button.SubclassDlgItem(IDC_SHAPE, &host));
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), button.GetStyle() & 0xF);
    button.SetShapeBitmap(IDB_BUTTON_SHAPE, TRUE);
    button.SetMaskBitmap(IDB_BUTTON_SHAPE, TRUE);
    button.SetStateBitmaps(IDB_MINIMIZE_HOVER, IDB_MINIMIZE_NORMAL, IDB_CLOSE_HOVER, IDB_CLOSE_HOVER);

    const RECT rect = WindowRect(button.m_hWnd);
    EXPECT_EQ(14, rect.right - rect.left);
    EXPECT_EQ(14, rect.bottom - rect.top);

    UniqueBitmap shape(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BUTTON_SHAPE)));
    UniqueRegion expected = harness::ReferenceRegionOfMask(shape.get());
    UniqueRegion actual(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(ERROR, GetWindowRgn(button.m_hWnd, actual.get()));
    EXPECT_TRUE(EqualRgn(expected.get(), actual.get()));

    // Not cut without the apply flag.
    CShapeButton plain;
    ASSERT_TRUE(plain.SubclassDlgItem(IDC_PLAIN, &host));
    plain.SetShapeBitmap(IDB_BUTTON_SHAPE, FALSE);
    EXPECT_EQ(ERROR, GetWindowRgn(plain.m_hWnd, actual.get()));
}

TEST_F(ButtonTest, ShapeButtonDrawsNormalHoverAndPressedPictures) {
    Open();
    CShapeButton button;
    ASSERT_TRUE(button.SubclassDlgItem(IDC_SHAPE, &host));
    button.SetShapeBitmap(IDB_BUTTON_SHAPE, TRUE);
    button.SetMaskBitmap(IDB_BUTTON_SHAPE, TRUE);
    button.SetStateBitmaps(IDB_MINIMIZE_HOVER, IDB_MINIMIZE_NORMAL, IDB_CLOSE_HOVER, IDB_CLOSE_HOVER);
    // A point of the picture where the mask is black: the picture shows.
    const int x = 3, y = 7;
    ASSERT_EQ(RGB(0, 0, 0), BitmapPixel(IDB_BUTTON_SHAPE, x, y));
    const COLORREF normal = BitmapPixel(IDB_MINIMIZE_NORMAL, x, y);
    const COLORREF hover = BitmapPixel(IDB_MINIMIZE_HOVER, x, y);
    const COLORREF pressed = BitmapPixel(IDB_CLOSE_HOVER, x, y);
    ASSERT_NE(normal, hover);
    ASSERT_NE(hover, pressed);

    ui::Pump(100);
    EXPECT_EQ(normal, ui::WindowPixel(button.m_hWnd, x, y));
    ui::MoveTo(Centre(button.m_hWnd));
    ui::Pump(100);
    EXPECT_EQ(hover, ui::WindowPixel(button.m_hWnd, x, y));
    ui::LeftDown();
    ui::Pump(100);
    EXPECT_EQ(pressed, ui::WindowPixel(button.m_hWnd, x, y));
    ui::LeftUp();
    ui::Pump(100);
    EXPECT_EQ(hover, ui::WindowPixel(button.m_hWnd, x, y));
    ParkMouse();
    ui::Pump(100);
    EXPECT_EQ(normal, ui::WindowPixel(button.m_hWnd, x, y));
    // The leave ended the tracking: coming back lights the button again.
    ui::MoveTo(Centre(button.m_hWnd));
    ui::Pump(100);
    EXPECT_EQ(hover, ui::WindowPixel(button.m_hWnd, x, y));
}

class ShapedDialog : public CSkinDialog {
public:
    explicit ShapedDialog(int nShapeID) : CSkinDialog(IDD_SKIN_HOST) { SetShapeBitmapId(nShapeID); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_ERASEBKGND) {
            UniqueBitmap skin(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_MAIN_SKIN)));
            RECT client;
            GetClientRect(&client);
            DrawSkinBitmap(reinterpret_cast<HDC>(wParam), skin.get(), 0, 0, client.right, client.bottom, 1);
            return TRUE;
        }
        return CSkinDialog::WindowProc(message, wParam, lParam);
    }
};

TEST(SkinDialog, TakesTheShapeOfItsMaskBitmap) {
    ShapedDialog dialog(IDB_MAIN_MASK);
    ASSERT_TRUE(dialog.Create(IDD_SKIN_HOST));
    UniqueBitmap mask(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_MAIN_MASK)));
    UniqueRegion expected = harness::ReferenceRegionOfMask(mask.get());
    UniqueRegion actual(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(ERROR, GetWindowRgn(dialog.m_hWnd, actual.get()));
    EXPECT_TRUE(EqualRgn(expected.get(), actual.get()));
    RECT box;
    GetRgnBox(actual.get(), &box);
    EXPECT_GT(box.right - box.left, 400);  // the mask's black calendar face

    ShapedDialog plain(0);  // no shape bitmap: the window stays rectangular
    ASSERT_TRUE(plain.Create(IDD_SKIN_HOST));
    EXPECT_EQ(ERROR, GetWindowRgn(plain.m_hWnd, actual.get()));
}

TEST(SkinDialog, DrawSkinBitmapCopiesOneToOneWithEitherCall) {
    // A bitmap can be selected into one DC at a time: the reference pixels
    // come from a second copy.
    UniqueBitmap skin(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_MAIN_SKIN)));
    UniqueBitmap reference(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_MAIN_SKIN)));
    MemoryDC source(CreateCompatibleDC(nullptr));
    SelectObjectScope selectReference(source.get(), reference.get());
    for (int stretch : {0, 1}) {
        MemoryDC target(CreateCompatibleDC(nullptr));
        UniqueBitmap canvas(CreateCompatibleBitmap(source.get(), 300, 200));
        SelectObjectScope selectCanvas(target.get(), canvas.get());
        CSkinDialog::DrawSkinBitmap(target.get(), skin.get(), 10, 20, 300, 200, stretch);
        for (POINT p : {POINT{0, 0}, POINT{40, 5}, POINT{250, 150}, POINT{289, 179}})
            EXPECT_EQ(GetPixel(source.get(), p.x, p.y), GetPixel(target.get(), p.x + 10, p.y + 20)) << stretch;
    }
}

TEST(SkinDialog, StretchSkinBitmapSpreadsTheWholeBitmapOverTheRectangle) {
    // Four 7 x 7 quarters stretched over 28 x 28: each quarter doubles.
    const COLORREF quarters[2][2] = {{RGB(200, 0, 0), RGB(0, 200, 0)}, {RGB(0, 0, 200), RGB(200, 200, 0)}};
    UniqueBitmap picture = Picture([&](int x, int y) { return quarters[y / 7][x / 7]; });
    MemoryDC target(CreateCompatibleDC(nullptr));
    UniqueBitmap canvas(CreateBitmap(60, 60, 1, 32, nullptr));
    SelectObjectScope selectCanvas(target.get(), canvas.get());
    PatBlt(target.get(), 0, 0, 60, 60, WHITENESS);
    CSkinDialog::StretchSkinBitmap(target.get(), picture.get(), 10, 20, 38, 48);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            const int x = 10 + column * 14, y = 20 + row * 14;
            EXPECT_EQ(quarters[row][column], GetPixel(target.get(), x, y)) << row << column;
            EXPECT_EQ(quarters[row][column], GetPixel(target.get(), x + 13, y + 13)) << row << column;
        }
    }
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(target.get(), 9, 19));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(target.get(), 38, 48));
}

TEST(ResourceBitmap, LoadsByTheLowSixteenBitsOfTheIdAndZeroIsNone) {
    EXPECT_FALSE(LoadResourceBitmap(0));
    EXPECT_FALSE(LoadResourceBitmap(0x10000)) << "low 16 bits 0";
    EXPECT_FALSE(LoadResourceBitmap(999)) << "no such bitmap";
    const SIZE size = BitmapSize(LoadResourceBitmap(0x10000 | IDB_MAIN_MASK).get());
    EXPECT_EQ(501, size.cx);
    EXPECT_EQ(342, size.cy);
    EXPECT_EQ(0, BitmapSize(nullptr).cx);
}

TEST(SkinDialog, BackgroundPressDragsTheWindowButAChildPressDoesNot) {
    ParkMouse();
    ShapedDialog dialog(IDB_MAIN_MASK);
    ASSERT_TRUE(dialog.Create(IDD_SKIN_HOST));
    dialog.SetWindowPos(nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dialog.ShowWindow(SW_SHOW);
    ui::Pump(100);
    const RECT before = WindowRect(dialog.m_hWnd);

    ui::WhilePumping([&] {
        ui::MoveTo({before.left + 60, before.top + 60});
        ui::LeftDown();
        ui::MoveTo({before.left + 80, before.top + 70});
        ui::MoveTo({before.left + 60 + 50, before.top + 60 + 40});
        ui::LeftUp();
    });
    ui::Pump(100);
    RECT after = WindowRect(dialog.m_hWnd);
    EXPECT_EQ(before.left + 50, after.left);
    EXPECT_EQ(before.top + 40, after.top);
    // Once released the window no longer follows the mouse.
    ui::MoveTo({after.left + 200, after.top + 200});
    ui::Pump(100);
    EXPECT_EQ(after.left, WindowRect(dialog.m_hWnd).left);

    const POINT child = Centre(dialog.GetDlgItem(IDC_CHILD));
    ui::WhilePumping([&] {
        ui::MoveTo(child);
        ui::LeftDown();
        ui::MoveTo({child.x + 40, child.y + 30});
        ui::LeftUp();
    });
    ui::Pump(100);
    EXPECT_EQ(after.left, WindowRect(dialog.m_hWnd).left);
    EXPECT_EQ(after.top, WindowRect(dialog.m_hWnd).top);
    ParkMouse();
}

// The calendar's panel: its template, art and tooltips.
const TitleButtonPanelSkin kPanelSkin = {
    IDD_TITLE_PANEL,
    {IDOK, IDB_BUTTON_SHAPE, IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL, "关闭", WM_CLOSE},
    {IDC_MINIMIZE, IDB_BUTTON_SHAPE, IDB_MINIMIZE_HOVER, IDB_MINIMIZE_NORMAL, "最小化", kMinimizeMessage},
    {IDC_SETTINGS, IDB_SETTINGS_BUTTON_SHAPE, IDB_SETTINGS_HOVER, IDB_SETTINGS_NORMAL, "设置",
     kSettingsMessage},
};

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ParkMouse();
        ASSERT_TRUE(host.Create(IDD_BUTTON_HOST));
        host.SetWindowPos(nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ASSERT_TRUE(panel.Create(IDD_TITLE_PANEL, &host));
        panel.SetWindowPos(nullptr, 500, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        panel.ShowWindow(SW_SHOWNOACTIVATE);
        ui::Pump(100);
    }
    void TearDown() override { ParkMouse(); }

    HWND Button(int nID) const { return panel.GetDlgItem(nID); }

    HostDialog host{IDD_BUTTON_HOST};
    CTitleButtonPanel panel{kPanelSkin, &host};
};

TEST_F(PanelTest, StacksCloseMinimiseAndSettingsInA14By42Strip) {
    const RECT strip = WindowRect(panel.m_hWnd);
    EXPECT_EQ(14, strip.right - strip.left);
    EXPECT_EQ(42, strip.bottom - strip.top);
    int top = strip.top;
    for (int id : {IDOK, IDC_MINIMIZE, IDC_SETTINGS}) {
        const RECT button = WindowRect(Button(id));
        EXPECT_EQ(strip.left, button.left) << id;
        EXPECT_EQ(top, button.top) << id;
        EXPECT_EQ(14, button.right - button.left) << id;
        top += 14;
    }
    // Cancel is left outside the strip.
    EXPECT_GE(WindowRect(Button(IDCANCEL)).left, strip.right);
}

TEST_F(PanelTest, StartsLayeredAndOpaque) {
    EXPECT_TRUE(GetWindowLongA(panel.m_hWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(panel.m_hWnd, nullptr, &alpha, &flags));
    EXPECT_EQ(255, alpha);
    EXPECT_EQ(static_cast<DWORD>(LWA_ALPHA), flags);
}

TEST_F(PanelTest, ButtonsSendTheirMessagesToTheParentBeforeTheClickReturns) {
    SendMessageA(Button(IDC_SETTINGS), BM_CLICK, 0, 0);
    EXPECT_EQ(1, host.Count(kSettingsMessage, 0));
    SendMessageA(Button(IDC_MINIMIZE), BM_CLICK, 0, 0);
    EXPECT_EQ(1, host.Count(kMinimizeMessage, 0));
    SendMessageA(Button(IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(1, host.Count(WM_CLOSE, 0));
    // The close button closes the parent, not the panel.
    EXPECT_TRUE(panel.IsWindowVisible());

    // And the same with the real mouse.
    for (int id : {IDOK, IDC_MINIMIZE, IDC_SETTINGS}) {
        ui::MoveTo(Centre(Button(id)));
        ui::LeftDown();
        ui::LeftUp();
    }
    EXPECT_EQ(2, host.Count(WM_CLOSE, 0));
    EXPECT_EQ(2, host.Count(kMinimizeMessage, 0));
    EXPECT_EQ(2, host.Count(kSettingsMessage, 0));
}

struct TooltipSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK MatchTooltip(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<TooltipSearch*>(lParam);
    char name[64];
    GetClassNameA(hWnd, name, sizeof name);
    if (std::string(name) == TOOLTIPS_CLASSA && GetWindow(hWnd, GW_OWNER) == search->owner) {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindTooltipOf(HWND owner) {
    TooltipSearch search{owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchTooltip, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(PanelTest, EachButtonHasItsTooltipAndItShowsOnHover) {
    const HWND tooltip = FindTooltipOf(panel.m_hWnd);
    ASSERT_NE(nullptr, tooltip);
    EXPECT_EQ(3, SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    auto text = [&](int id) {
        char buffer[80] = "";
        TTTOOLINFOA info{};
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.hwnd = panel.m_hWnd;
        info.uId = reinterpret_cast<UINT_PTR>(Button(id));
        info.lpszText = buffer;
        SendMessageA(tooltip, TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&info));
        return std::string(buffer);
    };
    EXPECT_EQ("关闭", text(IDOK));
    EXPECT_EQ("最小化", text(IDC_MINIMIZE));
    EXPECT_EQ("设置", text(IDC_SETTINGS));

    // The mouse messages reach the tooltip through the panel's
    // PreTranslateMessage.
    ui::MoveTo(Centre(Button(IDC_SETTINGS)));
    POINT rest = Centre(Button(IDC_SETTINGS));
    rest.x += 1;
    ui::MoveTo(rest);
    EXPECT_TRUE(ui::PumpUntil([&] { return IsWindowVisible(tooltip) != FALSE; }, 3000));
    EXPECT_EQ("设置", WindowText(tooltip));
}

}  // namespace
