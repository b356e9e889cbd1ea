// CreateRegionFromBitmap under Wine: real bitmaps in, regions compared with
// regions built rectangle by rectangle (EqualRgn) and read back with
// GetRegionData.
#include "skin/bitmap_region.h"

#include "framework/handles.h"
#include "skin/dib_section.h"
#include "tests/harness/reference_region.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Pixel bytes in DIB memory order: blue in the low byte.
using PixelFn = std::function<std::uint32_t(int x, int y)>;

constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kBlack = 0x00000000;
constexpr COLORREF kDialogKey = 0x00FFFFFF, kDialogTolerance = 0x00101010;

// A 32-bit DIB section; bottom-up unless `bTopDown`. y counts from the top.
UniqueBitmap MakeDib(int nWidth, int nHeight, const PixelFn& pixel, bool bTopDown = false) {
    void* pBits = nullptr;
    UniqueBitmap bitmap(Create32BitDibSection(nullptr, nWidth, bTopDown ? -nHeight : nHeight, &pBits));
    EXPECT_TRUE(bitmap);
    auto* pPixels = static_cast<std::uint32_t*>(pBits);
    for (int y = 0; y < nHeight; ++y) {
        const int nRow = bTopDown ? y : nHeight - 1 - y;
        for (int x = 0; x < nWidth; ++x)
            pPixels[nRow * nWidth + x] = pixel(x, y);
    }
    return bitmap;
}

using harness::ReferenceRegion;

std::vector<RECT> RegionRects(HRGN region) {
    const DWORD nBytes = GetRegionData(region, 0, nullptr);
    std::vector<std::uint8_t> data(nBytes);
    auto* pData = reinterpret_cast<RGNDATA*>(data.data());
    EXPECT_EQ(GetRegionData(region, nBytes, pData), nBytes);
    const RECT* pRects = reinterpret_cast<const RECT*>(pData->Buffer);
    return std::vector<RECT>(pRects, pRects + pData->rdh.nCount);
}

RECT Box(HRGN region) {
    RECT box{};
    GetRgnBox(region, &box);
    return box;
}

::testing::AssertionResult SameRegion(HRGN actual, HRGN expected) {
    if (!actual)
        return ::testing::AssertionFailure() << "no region";
    if (EqualRgn(actual, expected))
        return ::testing::AssertionSuccess();
    const RECT a = Box(actual), e = Box(expected);
    return ::testing::AssertionFailure()
           << "regions differ: box (" << a.left << "," << a.top << ")-(" << a.right << "," << a.bottom
           << ") vs (" << e.left << "," << e.top << ")-(" << e.right << "," << e.bottom << "), "
           << RegionRects(actual).size() << " vs " << RegionRects(expected).size() << " rects";
}

TEST(BitmapRegion, NullBitmapGivesNoRegion) {
    EXPECT_EQ(CreateRegionFromBitmap(nullptr, kWhite, 0), nullptr);
}

TEST(BitmapRegion, NoKeyPixelGivesTheFullRectangle) {
    UniqueBitmap bitmap = MakeDib(37, 23, [](int, int) { return 0x00336699u; });
    UniqueRegion region(CreateRegionFromBitmap(bitmap.get(), kDialogKey, kDialogTolerance));
    UniqueRegion full(CreateRectRgn(0, 0, 37, 23));
    EXPECT_TRUE(SameRegion(region.get(), full.get()));
}

TEST(BitmapRegion, AllKeyPixelsGiveAnEmptyRegionNotNone) {
    UniqueBitmap bitmap = MakeDib(16, 16, [](int, int) { return kWhite; });
    UniqueRegion region(CreateRegionFromBitmap(bitmap.get(), kDialogKey, kDialogTolerance));
    ASSERT_TRUE(region);
    RECT box;
    EXPECT_EQ(GetRgnBox(region.get(), &box), NULLREGION);
    EXPECT_TRUE(RegionRects(region.get()).empty());
}

TEST(BitmapRegion, ZeroWidthBitmapCannotBeMadeSoTheSmallestIsOnePixel) {
    // CreateBitmap with a zero width hands out the stock 1 x 1 monochrome
    // bitmap (as Windows does) and a zero-wide DIB section cannot be created,
    // so no zero-wide bitmap reaches the conversion; the zero-width scan is
    // covered by the Windows-free tests. The stock bitmap converts safely.
    UniqueBitmap stock(CreateBitmap(0, 5, 1, 32, nullptr));
    ASSERT_TRUE(stock);
    BITMAP info{};
    GetObject(stock.get(), sizeof info, &info);
    ASSERT_EQ(info.bmWidth, 1);
    UniqueRegion region(CreateRegionFromBitmap(stock.get(), kWhite, 0));
    UniqueRegion pixel(CreateRectRgn(0, 0, 1, 1));
    EXPECT_TRUE(SameRegion(region.get(), pixel.get()));
}

TEST(BitmapRegion, KeyRangeIsInclusiveAndClamped) {
    // Row 0, key white with the dialog tolerance (255-255 in every byte):
    // near-white (240,240,240) and (254,254,254) stay, white goes.
    // Row 1, key 0x00F0F0F0 tolerance 0x00202020: 0xF0 + 0x20 clamps to 255,
    // so 240 and 255 go, 239 stays.
    // Row 2, key 0x00203040 tolerance 0x00040404: every byte at its low or
    // high bound goes; one step outside in one byte stays.
    const std::uint32_t rows[3][5] = {
        {0x00F0F0F0, kWhite, 0x00FEFEFE, kWhite, 0x00F0F0F0},
        {0x00F0F0F0, kWhite, 0x00EFF0F0, 0x00F0F0EF, 0x00F8F8F8},
        {0x00203040, 0x00243444, 0x00243445, 0x001F3040, 0x00203444},
    };
    const COLORREF keys[3] = {kDialogKey, 0x00F0F0F0, 0x00203040};
    const COLORREF tolerances[3] = {kDialogTolerance, 0x00202020, 0x00040404};
    const std::vector<std::vector<bool>> kept = {{true, false, true, false, true},
                                                 {false, false, true, true, false},
                                                 {false, false, true, true, false}};
    for (int nRow = 0; nRow < 3; ++nRow) {
        UniqueBitmap bitmap = MakeDib(5, 1, [&](int x, int) { return rows[nRow][x]; });
        UniqueRegion region(CreateRegionFromBitmap(bitmap.get(), keys[nRow], tolerances[nRow]));
        UniqueRegion expected = ReferenceRegion(5, 1, [&](int x, int) { return kept[nRow][x]; });
        EXPECT_TRUE(SameRegion(region.get(), expected.get())) << "row " << nRow;
    }
}

TEST(BitmapRegion, RunsReachingTheRightEdgeEndAtTheWidth) {
    // A rounded outline: key white in the corners only.
    const int nWidth = 50, nHeight = 30;
    auto kept = [&](int x, int y) {
        const int dx = x < 8 ? 8 - x : (x >= nWidth - 8 ? x - (nWidth - 9) : 0);
        const int dy = y < 8 ? 8 - y : (y >= nHeight - 8 ? y - (nHeight - 9) : 0);
        return dx * dx + dy * dy <= 64;
    };
    UniqueBitmap bitmap =
        MakeDib(nWidth, nHeight, [&](int x, int y) { return kept(x, y) ? kBlack : kWhite; });
    UniqueRegion region(CreateRegionFromBitmap(bitmap.get(), kDialogKey, kDialogTolerance));
    UniqueRegion expected = ReferenceRegion(nWidth, nHeight, kept);
    EXPECT_TRUE(SameRegion(region.get(), expected.get()));
    EXPECT_EQ(Box(region.get()).right, nWidth);
    EXPECT_EQ(Box(region.get()).bottom, nHeight);
}

TEST(BitmapRegion, ExactlyOneFullBatchGivesTheSameRegion) {
    // Two runs per row over 1000 rows: 2000 rectangles, one flush and then
    // an empty final batch.
    auto kept = [](int x, int) { return x != 1; };
    UniqueBitmap bitmap = MakeDib(3, 1000, [&](int x, int y) { return kept(x, y) ? kBlack : kWhite; });
    UniqueRegion region(CreateRegionFromBitmap(bitmap.get(), kWhite, 0));
    UniqueRegion expected = ReferenceRegion(3, 1000, kept);
    EXPECT_TRUE(SameRegion(region.get(), expected.get()));
}

TEST(BitmapRegion, ManyBatchesCombineIntoTheReferenceRegion) {
    // A checkerboard of 101 x 90: 4545 rectangles over three flushes.
    auto kept = [](int x, int y) { return (x + y) % 2 == 0; };
    UniqueBitmap bitmap = MakeDib(101, 90, [&](int x, int y) { return kept(x, y) ? 0x00102030u : kWhite; });
    UniqueRegion region(CreateRegionFromBitmap(bitmap.get(), kDialogKey, kDialogTolerance));
    UniqueRegion expected = ReferenceRegion(101, 90, kept);
    EXPECT_TRUE(SameRegion(region.get(), expected.get()));
    EXPECT_EQ(RegionRects(region.get()).size(), 4545u); // no two runs can merge
}

TEST(BitmapRegion, KeyIsComparedInMemoryOrderSoRedAndBlueExchange) {
    // Left half pure red, right half pure blue, as RGB() colours.
    auto pixel = [](int x, int) -> std::uint32_t { return x < 4 ? 0x00FF0000 : 0x000000FF; }; // memory order
    UniqueBitmap bitmap = MakeDib(8, 2, pixel);
    // RGB(255, 0, 0) (red) meets byte 0, which is blue in the DIB.
    UniqueRegion keyRed(CreateRegionFromBitmap(bitmap.get(), RGB(255, 0, 0), 0));
    UniqueRegion leftHalf(CreateRectRgn(0, 0, 4, 2));
    EXPECT_TRUE(SameRegion(keyRed.get(), leftHalf.get()));
    UniqueRegion keyBlue(CreateRegionFromBitmap(bitmap.get(), RGB(0, 0, 255), 0));
    UniqueRegion rightHalf(CreateRectRgn(4, 0, 8, 2));
    EXPECT_TRUE(SameRegion(keyBlue.get(), rightHalf.get()));
}

TEST(BitmapRegion, OtherBitmapFormatsAreCopiedBeforeTheScan) {
    // A 1-bit mask (set bits white, as the skin masks are stored), a top-down
    // DIB section and a screen-compatible bitmap drawn with GDI all give the
    // region of their black pixels, top row first.
    const int nWidth = 16, nHeight = 4;
    auto kept = [](int x, int y) { return x >= y && x < 12 - y; };
    std::vector<std::uint8_t> maskBits(2 * nHeight, 0);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            if (!kept(x, y))
                maskBits[2 * y + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    UniqueBitmap mask(CreateBitmap(nWidth, nHeight, 1, 1, maskBits.data()));
    UniqueBitmap topDown = MakeDib(
        nWidth, nHeight, [&](int x, int y) { return kept(x, y) ? kBlack : kWhite; }, true);

    UniqueBitmap drawn(CreateCompatibleBitmap(WindowDC(nullptr).get(), nWidth, nHeight));
    {
        MemoryDC dc(CreateCompatibleDC(nullptr));
        SelectObjectScope selection(dc.get(), drawn.get());
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x)
                SetPixel(dc.get(), x, y, kept(x, y) ? RGB(0, 0, 0) : RGB(255, 255, 255));
    }

    UniqueRegion expected = ReferenceRegion(nWidth, nHeight, kept);
    for (HBITMAP source : {mask.get(), topDown.get(), drawn.get()}) {
        UniqueRegion region(CreateRegionFromBitmap(source, kDialogKey, kDialogTolerance));
        EXPECT_TRUE(SameRegion(region.get(), expected.get()));
    }
}

TEST(BitmapRegion, SourceBitmapIsLeftUnchangedAndFree) {
    UniqueBitmap bitmap = MakeDib(6, 6, [](int x, int) { return x < 3 ? kWhite : 0x00445566u; });
    UniqueRegion first(CreateRegionFromBitmap(bitmap.get(), kWhite, 0));
    // Not left selected into a context of ours: another DC can take it.
    MemoryDC dc(CreateCompatibleDC(nullptr));
    HGDIOBJ previous = SelectObject(dc.get(), bitmap.get());
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(GetPixel(dc.get(), 4, 4), RGB(0x44, 0x55, 0x66));
    SelectObject(dc.get(), previous);
    // Converting again gives the same region.
    UniqueRegion second(CreateRegionFromBitmap(bitmap.get(), kWhite, 0));
    EXPECT_TRUE(SameRegion(second.get(), first.get()));
}

} // namespace
