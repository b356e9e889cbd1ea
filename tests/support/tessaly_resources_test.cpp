// The resources linked into Tessaly, read back from this test program, which
// links the same resource object.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "resources/tessaly_resource.h"
#include "tests/support/resource_expect.h"
#include "tests/support/resource_probe.h"
#include "tests/support/template_dialog.h"

namespace {

constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kFrameBlue{0, 105, 155};  // the pen that frames the settings body

constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;

TEST(TessalyDialogs, CalendarIsABorderlessAppWindowFilledByTheBrowser) {
    auto dialog = LoadDialogTemplate(IDD_CALENDAR);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->style, static_cast<uint32_t>(WS_POPUP | WS_VISIBLE | DS_SETFONT));
    EXPECT_EQ(dialog->exStyle, static_cast<uint32_t>(WS_EX_APPWINDOW));
    EXPECT_EQ(dialog->x, 0);
    EXPECT_EQ(dialog->y, 0);
    EXPECT_EQ(dialog->cx, 320);
    EXPECT_EQ(dialog->cy, 200);
    ExpectFont(*dialog, u"宋体", 9);
    ASSERT_EQ(dialog->items.size(), 4u);

    // The title buttons exist for Enter and Escape but are never shown.
    EXPECT_EQ(dialog->items[0].id, static_cast<uint32_t>(IDOK));
    EXPECT_EQ(dialog->items[1].id, static_cast<uint32_t>(IDCANCEL));
    for (int i : {0, 1}) {
        EXPECT_EQ(dialog->items[i].ClassName(), u"button");
        EXPECT_EQ(dialog->items[i].style & WS_VISIBLE, 0u);
    }
    EXPECT_EQ(dialog->items[2].id, 0xFFFFFFFFu);
    EXPECT_EQ(dialog->items[2].ClassName(), u"static");
    EXPECT_EQ(dialog->items[2].style & WS_VISIBLE, 0u);
    ExpectItem(*dialog, 3, {IDC_BROWSER, u"{8856f961-340a-11d0-a96b-00c04fd705a2}", u"", 0, 0,
                            320, 200, kChild | WS_TABSTOP});
}

TEST(TessalyDialogs, TitlePanelHoldsItsFourButtons) {
    auto dialog = LoadDialogTemplate(IDD_TITLE_PANEL);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->style, static_cast<uint32_t>(WS_POPUP | DS_SETFONT));
    EXPECT_EQ(dialog->exStyle, 0u);
    EXPECT_EQ(dialog->cx, 187);
    EXPECT_EQ(dialog->cy, 94);
    ExpectFont(*dialog, u"宋体", 9);
    ASSERT_EQ(dialog->items.size(), 4u);
    ExpectItem(*dialog, 0, {IDOK, u"button", u"OK", 7, 7, 50, 14,
                            kChild | WS_TABSTOP | BS_DEFPUSHBUTTON});
    ExpectItem(*dialog, 1, {IDCANCEL, u"button", u"Cancel", 130, 24, 50, 14,
                            kChild | WS_TABSTOP});
    ExpectItem(*dialog, 2, {IDC_MINIMIZE, u"button", u"MIN", 7, 41, 50, 14,
                            kChild | WS_TABSTOP});
    ExpectItem(*dialog, 3, {IDC_SETTINGS, u"button", u"SET", 7, 25, 50, 14,
                            kChild | WS_TABSTOP});
}

TEST(TessalyDialogs, SettingsHasModeRadiosSliderAndACloseButtonInTheTitleBar) {
    auto dialog = LoadDialogTemplate(IDD_SETTINGS);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->style, static_cast<uint32_t>(WS_POPUP | DS_SETFONT));
    EXPECT_EQ(dialog->cx, 156);
    EXPECT_EQ(dialog->cy, 98);
    ExpectFont(*dialog, u"宋体", 9);

    const DialogItem* close = dialog->Find(IDOK);
    ASSERT_TRUE(close);
    EXPECT_TRUE(close->style & WS_VISIBLE);
    EXPECT_EQ(close->cx, 14);
    EXPECT_EQ(close->cy, 13);

    const DialogItem* cancel = dialog->Find(IDCANCEL);
    ASSERT_TRUE(cancel);
    EXPECT_EQ(cancel->style & WS_VISIBLE, 0u);
    EXPECT_EQ(cancel->title.text, u"Cancel");

    const DialogItem* slider = dialog->Find(IDC_TRANSPARENCY);
    ASSERT_TRUE(slider);
    EXPECT_EQ(slider->ClassName(), u"msctls_trackbar32");
    EXPECT_EQ(slider->title.text, u"Slider1");
    EXPECT_EQ(slider->style, static_cast<uint32_t>(kChild | WS_TABSTOP | TBS_NOTICKS | TBS_TOP));

    const DialogItem* normal = dialog->Find(IDC_MODE_NORMAL);
    const DialogItem* topmost = dialog->Find(IDC_MODE_TOPMOST);
    ASSERT_TRUE(normal && topmost);
    EXPECT_EQ(normal->title.text, u"正常");
    EXPECT_EQ(topmost->title.text, u"总在最顶");
    EXPECT_EQ(normal->style & 0xF, static_cast<uint32_t>(BS_AUTORADIOBUTTON));
    EXPECT_EQ(topmost->style & 0xF, static_cast<uint32_t>(BS_AUTORADIOBUTTON));
    // The group starts at "正常" and takes in "总在最顶".
    EXPECT_TRUE(normal->style & WS_GROUP);
    EXPECT_FALSE(topmost->style & WS_GROUP);
    EXPECT_LT(normal - dialog->items.data(), topmost - dialog->items.data());

    bool modeLabel = false, transparencyLabel = false;
    for (const DialogItem& item : dialog->items) {
        modeLabel |= item.title.text == u"显示方式:";
        transparencyLabel |= item.title.text == u"透明度:";
    }
    EXPECT_TRUE(modeLabel);
    EXPECT_TRUE(transparencyLabel);
}

TEST(TessalyDialogs, SplashShowsBitmap153BehindThePictureControl) {
    auto dialog = LoadDialogTemplate(IDD_SPLASH);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_VISIBLE), 0u);
    EXPECT_TRUE(dialog->style & WS_POPUP);
    EXPECT_EQ(dialog->cx, 187);
    EXPECT_EQ(dialog->cy, 100);
    ExpectFont(*dialog, u"Microsoft Sans Serif", 8);
    ASSERT_EQ(dialog->items.size(), 2u);
    ExpectItem(*dialog, 0, {IDC_PICTURE, u"static", u"", 0, 0, 20, 20, kChild});
    const DialogItem& picture = dialog->items[1];
    EXPECT_EQ(picture.ClassName(), u"static");
    EXPECT_EQ(picture.style & SS_TYPEMASK, static_cast<uint32_t>(SS_BITMAP));
    EXPECT_EQ(picture.title.ordinal.value_or(0), IDB_SPLASH);
    EXPECT_EQ(picture.x, 0);
    EXPECT_EQ(picture.y, 0);
}

TEST(TessalyDialogs, AboutBoxNamesTheProgramAndVersion) {
    ExpectAboutBox(IDD_ABOUTBOX, u"关于 Tessaly", u"Tessaly 1.0 版", IDI_APP);
}

// The dialog manager builds every template but the calendar's (whose browser
// item our framework creates itself) with all its controls.
TEST(TessalyDialogs, DialogManagerCreatesEveryTemplate) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&init));
    for (int id : {IDD_ABOUTBOX, IDD_SETTINGS, IDD_TITLE_PANEL, IDD_SPLASH}) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        auto dialog = LoadDialogTemplate(id);
        ASSERT_TRUE(dialog);
        TemplateDialog window(id);
        ASSERT_TRUE(window.get());
        for (const DialogItem& item : dialog->items) {
            if (item.id != 0xFFFFFFFF) {
                EXPECT_TRUE(GetDlgItem(window.get(), item.id)) << "control " << item.id;
            }
        }
    }
}

// The settings window paints fixed-pixel art: a 27-pixel title bar holding
// the 14-pixel close button, the body below. The controls must land there in
// the units of the dialog font actually in use. On Windows 宋体 9 pt makes a
// unit 1.5 pixels both ways; under Wine the stand-in font (WenQuanYi Zen Hei)
// has 16-pixel lines, so a vertical unit is 2 pixels there and the window is
// taller. The layout has to hold in both.
TEST(TessalyDialogs, SettingsControlsLandOnTheirArt) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&init));
    auto dialog = LoadDialogTemplate(IDD_SETTINGS);
    ASSERT_TRUE(dialog);
    TemplateDialog window(IDD_SETTINGS);
    ASSERT_TRUE(window.get());
    RECT client{};
    GetClientRect(window.get(), &client);
    EXPECT_EQ(client.right, 234) << "156 units of 1.5 pixels";
    for (const DialogItem& item : dialog->items) {
        if (!(item.style & WS_VISIBLE))
            continue;
        RECT r{item.x, item.y, item.x + item.cx, item.y + item.cy};
        MapDialogRect(window.get(), &r);
        SCOPED_TRACE("control " + std::to_string(item.id));
        if (item.id == static_cast<uint32_t>(IDOK)) {
            // The shape button shrinks to its 14 x 14 bitmap at this corner.
            EXPECT_GE(r.left, 234 - 14 - 12);
            EXPECT_LE(r.left + 14, 234 - 2);
            EXPECT_GE(r.top, 2);
            EXPECT_LE(r.top + 14, 27 - 2);
        } else {
            EXPECT_GE(r.top, 27);
            EXPECT_LE(r.right, client.right);
            EXPECT_LE(r.bottom, client.bottom);
        }
    }
}

struct BitmapSpec {
    int id, width, height, bitCount;
};

TEST(TessalyBitmaps, HaveTheirSizesAndDepths) {
    const BitmapSpec expectedBitmaps[] = {
        {IDB_MAIN_MASK, 501, 342, 1},           {IDB_MAIN_SKIN, 501, 342, 24},
        {IDB_CLOSE_HOVER, 14, 14, 24},          {IDB_CLOSE_NORMAL, 14, 14, 24},
        {IDB_OK_NORMAL, 14, 14, 24},            {IDB_OK_HOVER, 14, 14, 24},
        {IDB_SETTINGS_TITLE_RIGHT, 9, 27, 24},  {IDB_SETTINGS_TITLE_MIDDLE, 3, 27, 24},
        {IDB_SETTINGS_TITLE, 96, 27, 24},       {IDB_SETTINGS_TITLE_LEFT, 9, 27, 24},
        {IDB_BUTTON_SHAPE, 18, 18, 24},         {IDB_SETTINGS_BODY, 10, 12, 24},
        {IDB_SETTINGS_HOVER, 14, 14, 24},       {IDB_SETTINGS_BUTTON_SHAPE, 18, 18, 24},
        {IDB_SETTINGS_NORMAL, 14, 14, 24},      {IDB_MINIMIZE_HOVER, 14, 14, 24},
        {IDB_MINIMIZE_NORMAL, 14, 14, 24},      {IDB_SPLASH, 500, 200, 24},
    };
    for (const BitmapSpec& expected : expectedBitmaps) {
        SCOPED_TRACE("bitmap " + std::to_string(expected.id));
        auto header = ReadBitmapHeader(expected.id);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->width, expected.width);
        EXPECT_EQ(header->height, expected.height);  // positive: stored bottom-up
        EXPECT_EQ(header->bitCount, expected.bitCount);
        HBITMAP loaded = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(expected.id));
        EXPECT_TRUE(loaded);
        DeleteObject(loaded);
    }
}

TEST(TessalyBitmaps, MainMaskIsWhiteOutsideTheRoundedWindowAndBlackInside) {
    auto mask = LoadPicture(IDB_MAIN_MASK);
    ASSERT_TRUE(mask);
    for (const Rgb& p : mask->pixels)
        ASSERT_TRUE(p == kWhite || p == kBlack);
    const int right = mask->width - 1, bottom = mask->height - 1;
    for (auto [x, y] : {std::pair{0, 0}, {right, 0}, {0, bottom}, {right, bottom}, {1, bottom - 1}})
        EXPECT_EQ(mask->At(x, y), kWhite) << x << "," << y;
    // The browser (20, 25)-(481, 317) lies wholly inside the window ...
    for (int y = 25; y < 317; ++y)
        for (int x = 20; x < 481; ++x)
            ASSERT_EQ(mask->At(x, y), kBlack) << x << "," << y;
    // ... and the frame reaches the bitmap's edges, whose size the window takes.
    for (int x = 0; x <= right; ++x)
        EXPECT_EQ(mask->At(x, mask->height / 2), kBlack) << x;
    for (int y = 30; y < 300; ++y)
        EXPECT_EQ(mask->At(0, y), kBlack) << y;
}

TEST(TessalyBitmaps, MainSkinNeverHoldsTheYellowColourKey) {
    auto skin = LoadPicture(IDB_MAIN_SKIN);
    ASSERT_TRUE(skin);
    constexpr Rgb kYellow{255, 255, 0};
    for (int y = 0; y < skin->height; ++y)
        for (int x = 0; x < skin->width; ++x)
            ASSERT_NE(skin->At(x, y), kYellow) << x << "," << y;
}

TEST(TessalyBitmaps, ButtonShapesAreBlackButtonsCutFromPureWhite) {
    for (int id : {IDB_BUTTON_SHAPE, IDB_SETTINGS_BUTTON_SHAPE}) {
        SCOPED_TRACE("shape " + std::to_string(id));
        auto shape = LoadPicture(id);
        ASSERT_TRUE(shape);
        int black = 0;
        for (int y = 0; y < shape->height; ++y) {
            for (int x = 0; x < shape->width; ++x) {
                const Rgb p = shape->At(x, y);
                // Used as a MERGEPAINT mask too: any grey would tint the picture.
                ASSERT_TRUE(p == kWhite || p == kBlack) << x << "," << y;
                if (x >= 14 || y >= 14) {
                    ASSERT_EQ(p, kWhite) << "only the top-left 14 x 14 is the button";
                }
                black += p == kBlack;
            }
        }
        EXPECT_EQ(shape->At(7, 7), kBlack);
        EXPECT_GT(black, 14 * 14 * 9 / 10);
    }
}

struct ButtonSpec {
    int shape, hover, normal;
};

TEST(TessalyBitmaps, StateBitmapsFillTheirShapeAndLightUpOnHover) {
    for (const ButtonSpec& expected : {ButtonSpec{IDB_BUTTON_SHAPE, IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL},
                                   ButtonSpec{IDB_BUTTON_SHAPE, IDB_MINIMIZE_HOVER, IDB_MINIMIZE_NORMAL},
                                   ButtonSpec{IDB_SETTINGS_BUTTON_SHAPE, IDB_SETTINGS_HOVER,
                                              IDB_SETTINGS_NORMAL},
                                   ButtonSpec{IDB_SETTINGS_BUTTON_SHAPE, IDB_OK_HOVER,
                                              IDB_OK_NORMAL}}) {
        SCOPED_TRACE("hover " + std::to_string(expected.hover));
        auto shape = LoadPicture(expected.shape);
        auto hover = LoadPicture(expected.hover);
        auto normal = LoadPicture(expected.normal);
        ASSERT_TRUE(shape && hover && normal);
        double hoverLuma = 0, normalLuma = 0;
        int inside = 0;
        for (int y = 0; y < 14; ++y) {
            for (int x = 0; x < 14; ++x) {
                if (shape->At(x, y) != kBlack)
                    continue;
                // Through the mask a picture pixel is shown as it is.
                ASSERT_NE(hover->At(x, y), kMagenta) << x << "," << y;
                ASSERT_NE(normal->At(x, y), kMagenta) << x << "," << y;
                hoverLuma += hover->At(x, y).Luma();
                normalLuma += normal->At(x, y).Luma();
                ++inside;
            }
        }
        ASSERT_GT(inside, 0);
        EXPECT_GT((hoverLuma - normalLuma) / inside, 15.0);
    }
}

// The main window's title buttons key out magenta: their rounded corners
// must be magenta to show the skin behind, their middle must not.
TEST(TessalyBitmaps, SkinButtonBitmapsAreMagentaAroundTheButton) {
    for (int id : {IDB_OK_NORMAL, IDB_OK_HOVER}) {
        SCOPED_TRACE("bitmap " + std::to_string(id));
        auto picture = LoadPicture(id);
        ASSERT_TRUE(picture);
        for (auto [x, y] : {std::pair{0, 0}, {13, 0}, {0, 13}, {13, 13}})
            EXPECT_EQ(picture->At(x, y), kMagenta) << x << "," << y;
        EXPECT_NE(picture->At(7, 7), kMagenta);
        EXPECT_NE(picture->At(7, 1), kMagenta);
    }
}

// The panel's pictures are drawn as background AND picture where their shape
// is white: white there leaves the background as it is, also where the
// window region is not honoured (child windows of a layered window under Wine).
TEST(TessalyBitmaps, PanelPicturesAreWhiteOutsideTheirShape) {
    for (auto [shapeId, pictureIds] : {std::pair{IDB_BUTTON_SHAPE, std::vector<int>{IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL, IDB_MINIMIZE_HOVER, IDB_MINIMIZE_NORMAL}},
                                       std::pair{IDB_SETTINGS_BUTTON_SHAPE, std::vector<int>{IDB_SETTINGS_HOVER, IDB_SETTINGS_NORMAL}}}) {
        auto shape = LoadPicture(shapeId);
        ASSERT_TRUE(shape);
        for (int id : pictureIds) {
            SCOPED_TRACE("bitmap " + std::to_string(id));
            auto picture = LoadPicture(id);
            ASSERT_TRUE(picture);
            int outside = 0;
            for (int y = 0; y < 14; ++y)
                for (int x = 0; x < 14; ++x)
                    if (shape->At(x, y) == kWhite) {
                        ++outside;
                        EXPECT_EQ(picture->At(x, y), kWhite) << x << "," << y;
                    }
            EXPECT_GT(outside, 0);
        }
    }
}

TEST(TessalyBitmaps, SettingsPiecesJoinIntoOneFramedWindow) {
    auto left = LoadPicture(IDB_SETTINGS_TITLE_LEFT);
    auto title = LoadPicture(IDB_SETTINGS_TITLE);
    auto middle = LoadPicture(IDB_SETTINGS_TITLE_MIDDLE);
    auto right = LoadPicture(IDB_SETTINGS_TITLE_RIGHT);
    auto body = LoadPicture(IDB_SETTINGS_BODY);
    ASSERT_TRUE(left && title && middle && right && body);
    for (int y = 0; y < 27; ++y) {
        // The outer columns continue the body's frame line upwards.
        EXPECT_EQ(left->At(0, y), kFrameBlue) << y;
        EXPECT_EQ(right->At(right->width - 1, y), kFrameBlue) << y;
        // The stretched middle meets its neighbours without a seam.
        EXPECT_EQ(middle->At(0, y), title->At(title->width - 1, y)) << y;
        EXPECT_EQ(middle->At(middle->width - 1, y), right->At(1, y)) << y;
        EXPECT_EQ(left->At(left->width - 1, y), title->At(0, y)) << y;
    }
    // The body is the slider's warm background colour, stretched.
    for (const Rgb& p : body->pixels)
        ASSERT_EQ(p, (Rgb{254, 250, 239}));
}

TEST(TessalyBitmaps, SplashIsAPictureNotAPlainFill) {
    auto splash = LoadPicture(IDB_SPLASH);
    ASSERT_TRUE(splash);
    int differing = 0;
    for (const Rgb& p : splash->pixels)
        differing += p != splash->pixels.front();
    EXPECT_GT(differing, 500 * 200 / 2);
}

TEST(TessalyStrings, AboutMenuItemComesBackInGbk) {
    ASSERT_EQ(GetACP(), 936u) << "run in the zh_CN locale";
    EXPECT_EQ(LoadAnsiString(IDS_ABOUTBOX), "关于 Tessaly(&A)...");
}

TEST(TessalyIcon, CarriesSixteenThirtyTwoAndFortyEightPixelImages) { ExpectIconSizes(IDI_APP); }

TEST(TessalyManifest, BindsCommonControlsSixRunsAsInvokerOnEveryWindowsFromVista) {
    ExpectApplicationManifest(WXB_TESSALY_EXE);
}

TEST(TessalyLanguage, EveryResourceIsChinesePrc) { ExpectAllResourcesChinesePrc(); }

}  // namespace
