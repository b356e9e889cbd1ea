// The resources linked into Update, read back from this test program, which
// links the same resource object.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "resources/update_resource.h"
#include "suite_servers.h"
#include "tests/support/resource_expect.h"
#include "tests/support/resource_probe.h"
#include "tests/support/template_dialog.h"

namespace {

constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

constexpr uint32_t kLabel = 0x50020000;   // visible child static, group
constexpr uint32_t kButton = 0x50010000;  // visible child push button, tab stop

TEST(UpdateDialogs, UpdateDialogMatchesItsControlTable) {
    auto dialog = LoadDialogTemplate(IDD_UPDATE);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->style, 0x90000040u);
    EXPECT_EQ(dialog->exStyle, 0x00040000u);
    EXPECT_EQ(dialog->x, 0);
    EXPECT_EQ(dialog->y, 0);
    EXPECT_EQ(dialog->cx, 228);
    EXPECT_EQ(dialog->cy, 212);
    EXPECT_TRUE(dialog->caption.empty());
    ExpectFont(*dialog, u"宋体", 9);

    const ItemSpec table[] = {
        {IDC_TITLE, u"static", u"升级提示", 7, 5, 145, 8, kLabel},
        {IDC_CLOSE, u"button", u"关闭", 171, 2, 50, 14, 0x5001000B},
        {IDC_NOTES_HEADING, u"static", u"更新内容：", 9, 32, 204, 8, kLabel},
        {IDC_NOTES, u"edit", u"", 7, 47, 214, 95, 0x50A10804},
        {IDC_PROGRESS_TEXT, u"static", u"", 10, 149, 188, 8, kLabel},
        {IDC_PROGRESS, u"msctls_progress32", u"Progress1", 7, 161, 197, 10, 0x50800000},
        {IDC_SLOW_HINT, u"static", u"若您的更新速度过慢，请", 7, 176, 90, 8, kLabel},
        {IDC_LINK, u"static", u"点击下载", 97, 176, 33, 8, kLabel},
        {IDC_LATEST_VERSION, u"static", u"最新版本", 130, 176, 33, 8, kLabel},
        {IDC_EXIT_SOFTWARE, u"button", u"退出软件", 7, 191, 50, 14, kButton},
        {IDC_UPGRADE, u"button", u"升级", 106, 191, 50, 14, kButton},
        {IDC_DECLINE, u"button", u"不升级", 163, 191, 50, 14, kButton},
    };
    ASSERT_EQ(dialog->items.size(), std::size(table));
    for (size_t i = 0; i < std::size(table); ++i)
        ExpectItem(*dialog, i, table[i]);
}

TEST(UpdateDialogs, AboutBoxNamesTheProgramAndVersion) {
    ExpectAboutBox(IDD_ABOUTBOX, u"关于 Update", u"Update 1.0 版", IDI_APP);
}

// The background and mask are 342 x 318 pixels: the template's 228 x 212
// units at 1.5 pixels a unit in 宋体 9 pt on Windows. Under Wine the stand-in
// font (WenQuanYi Zen Hei) has 16-pixel lines, which makes a vertical unit 2
// pixels, so only the width can be checked here.
TEST(UpdateDialogs, DialogManagerBuildsTheTemplatesAtTheArtsWidth) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&init));
    for (int id : {IDD_ABOUTBOX, IDD_UPDATE}) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        TemplateDialog window(id);
        ASSERT_TRUE(window.get());
        if (id == IDD_UPDATE) {
            RECT client{};
            GetClientRect(window.get(), &client);
            EXPECT_EQ(client.right, 342);
            EXPECT_TRUE(GetDlgItem(window.get(), IDC_PROGRESS));
        }
    }
}

TEST(UpdateStrings, ComeBackInGbk) {
    ASSERT_EQ(GetACP(), 936u) << "run in the zh_CN locale";
    EXPECT_EQ(LoadAnsiString(IDS_ABOUTBOX), "关于 Update(&A)...");
    EXPECT_EQ(LoadAnsiString(IDS_PROGRESS_FORMAT), "下载进度：%d/%d  %d%%");
    EXPECT_EQ(LoadAnsiString(IDS_ERROR_PAGE), "http://" WXB_DOWNLOAD_SERVER "/error.html");
    EXPECT_EQ(LoadAnsiString(IDS_NEW_VERSION_NOTICE),
              "已检测到新版本，点击下面的“升级”按钮开始升级。");
    EXPECT_EQ(LoadAnsiString(IDS_WINDOW_TITLE), "Wexbury升级");
    EXPECT_EQ(LoadAnsiString(IDS_EXIT_SOFTWARE), "退出软件");
    EXPECT_EQ(LoadAnsiString(IDS_DECLINE), "不升级");
}

TEST(UpdateStrings, ProgressFormatGivesTheShownText) {
    const std::string format = LoadAnsiString(IDS_PROGRESS_FORMAT);
    char text[128];
    snprintf(text, sizeof text, format.c_str(), 51200, 1048576, 4);
    EXPECT_STREQ(text, "下载进度：51200/1048576  4%");
}

TEST(UpdateBitmaps, HaveTheirSizesAndDepths) {
    const struct {
        int id, width, height;
    } expectedBitmaps[] = {{IDB_CLOSE_STRIP, 84, 20}, {IDB_BACKGROUND, 342, 318}, {IDB_SHAPE_MASK, 342, 318}};
    for (const auto& expected : expectedBitmaps) {
        SCOPED_TRACE("bitmap " + std::to_string(expected.id));
        auto header = ReadBitmapHeader(expected.id);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->width, expected.width);
        EXPECT_EQ(header->height, expected.height);
        EXPECT_EQ(header->bitCount, 24);
    }
}

TEST(UpdateBitmaps, MaskCutsRoundedCornersAndNothingInside) {
    auto mask = LoadPicture(IDB_SHAPE_MASK);
    ASSERT_TRUE(mask);
    const int right = mask->width - 1, bottom = mask->height - 1;
    for (auto [x, y] : {std::pair{0, 0}, {right, 0}, {0, bottom}, {right, bottom}})
        EXPECT_EQ(mask->At(x, y), kWhite) << x << "," << y;
    // Each row is one run of window pixels: a pure white pixel inside would
    // punch a hole into the dialog.
    for (int y = 0; y <= bottom; ++y) {
        int runs = 0;
        for (int x = 0; x <= right; ++x)
            runs += mask->At(x, y) != kWhite && (x == 0 || mask->At(x - 1, y) == kWhite);
        ASSERT_EQ(runs, 1) << "row " << y;
    }
    for (int x = 0; x <= right; ++x)
        EXPECT_NE(mask->At(x, mask->height / 2), kWhite) << x;
}

// Labels draw black text on the bare background, so it must be light where
// they sit; the progress text paints its own light cyan and should blend in.
TEST(UpdateBitmaps, BackgroundSuitsTheControlsDrawnOverIt) {
    auto background = LoadPicture(IDB_BACKGROUND);
    ASSERT_TRUE(background);
    struct Area {
        const char* what;
        int left, top, right, bottom;  // pixels
    } labels[] = {
        {"title 1010 (moved to 30, 8)", 30, 8, 150, 20},
        {"heading 1007", 13, 48, 319, 60},
        {"hint, link and label 1011-1013", 10, 264, 245, 276},
    };
    for (const Area& area : labels)
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                ASSERT_GT(background->At(x, y).Luma(), 170.0) << area.what << " " << x << "," << y;

    const Rgb brush{232, 249, 254};
    for (int y = 224; y < 236; ++y) {
        for (int x = 15; x < 297; ++x) {
            const Rgb p = background->At(x, y);
            ASSERT_LE(std::abs(p.r - brush.r) + std::abs(p.g - brush.g) + std::abs(p.b - brush.b), 12)
                << x << "," << y;
        }
    }
}

TEST(UpdateBitmaps, CloseStripHasFourMagentaKeyedFrames) {
    auto strip = LoadPicture(IDB_CLOSE_STRIP);
    ASSERT_TRUE(strip);
    auto frame = [&](int k, int x, int y) { return strip->At(k * 21 + x, y); };
    for (int k = 0; k < 4; ++k) {
        int drawn = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 21; ++x)
                drawn += frame(k, x, y) != kMagenta;
        EXPECT_GT(drawn, 20) << "frame " << k;
        EXPECT_LT(drawn, 21 * 20) << "frame " << k << " keeps a transparent margin";
        EXPECT_EQ(frame(k, 0, 0), kMagenta) << "frame " << k;
    }
    // Normal, hover and pressed look different from one another.
    for (auto [a, b] : {std::pair{0, 1}, {1, 2}, {0, 2}}) {
        int differing = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 21; ++x)
                differing += frame(a, x, y) != frame(b, x, y);
        EXPECT_GT(differing, 20) << "frames " << a << " and " << b;
    }
}

TEST(UpdateIcon, CarriesSixteenThirtyTwoAndFortyEightPixelImages) { ExpectIconSizes(IDI_APP); }

TEST(UpdateManifest, BindsCommonControlsSixRunsAsInvokerOnEveryWindowsFromVista) {
    ExpectApplicationManifest(WXB_UPDATE_EXE);
}

TEST(UpdateLanguage, EveryResourceIsChinesePrc) { ExpectAllResourcesChinesePrc(); }

}  // namespace
