// The Windows-free core of CreateRegionFromBitmap: key ranges, the run scan
// over a bottom-up 32-bit DIB and the batching of rectangles in RGNDATA
// layout.
#include "skin/region_batch.h"
#include "skin/region_scan.h"

#include <gtest/gtest.h>

#include <array>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Rect = std::array<std::int32_t, 4>;

std::int32_t Int32At(const std::uint8_t* p) {
    std::int32_t n;
    std::memcpy(&n, p, sizeof n);
    return n;
}

struct Batch {
    std::int32_t nHeaderSize, nType, nCount, nRgnSize;
    Rect bounds;
    std::vector<Rect> rects;
    std::size_t nBytes;
};

// Keeps the working buffer in fresh storage on every resize, so a stale
// pointer into the old one shows up under AddressSanitizer, and records
// every batch handed over.
class RecordingHost : public RegionBatchHost {
public:
    std::uint8_t* ResizeBuffer(std::size_t nBytes) override {
        if (static_cast<int>(resizes.size()) == nFailingResize)
            return nullptr;
        resizes.push_back(nBytes);
        auto grown = std::make_unique<std::uint8_t[]>(nBytes);
        if (buffer)
            std::memcpy(grown.get(), buffer.get(), std::min(nBytes, nBufferBytes));
        buffer = std::move(grown);
        nBufferBytes = nBytes;
        return buffer.get();
    }

    void FlushBatch(const std::uint8_t* pData, std::size_t nBytes) override {
        EXPECT_EQ(pData, buffer.get());
        EXPECT_EQ(nBytes, nBufferBytes);
        Batch batch{Int32At(pData),
                    Int32At(pData + 4),
                    Int32At(pData + 8),
                    Int32At(pData + 12),
                    Rect{Int32At(pData + 16), Int32At(pData + 20), Int32At(pData + 24), Int32At(pData + 28)},
                    {},
                    nBytes};
        for (std::int32_t i = 0; i < batch.nCount; ++i) {
            const std::uint8_t* p = pData + 32 + 16 * i;
            batch.rects.push_back(Rect{Int32At(p), Int32At(p + 4), Int32At(p + 8), Int32At(p + 12)});
        }
        flushes.push_back(batch);
    }

    std::vector<Rect> AllRects() const {
        std::vector<Rect> all;
        for (const Batch& batch : flushes)
            all.insert(all.end(), batch.rects.begin(), batch.rects.end());
        return all;
    }

    int nFailingResize = -1;
    std::vector<std::size_t> resizes;
    std::vector<Batch> flushes;

private:
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t nBufferBytes = 0;
};

// A 32-bit bottom-up DIB in memory, addressed with y from the picture's top.
class TestDib {
public:
    TestDib(int nWidth, int nHeight, std::uint32_t fill, std::size_t nPadding = 0)
        : m_nWidth(nWidth), m_nHeight(nHeight), m_nStride(4 * static_cast<std::size_t>(nWidth) + nPadding),
          m_bits(m_nStride * static_cast<std::size_t>(nHeight), 0x5A) {
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x)
                Set(x, y, fill);
    }
    // `bytes` in memory order: byte 0 (blue) in the low 8 bits.
    void Set(int x, int y, std::uint32_t bytes) {
        std::uint8_t* p = &m_bits[static_cast<std::size_t>(m_nHeight - 1 - y) * m_nStride +
                                  4 * static_cast<std::size_t>(x)];
        std::memcpy(p, &bytes, 4);
    }
    DibPixels View() const { return DibPixels{m_bits.data(), m_nWidth, m_nHeight, m_nStride}; }

private:
    int m_nWidth, m_nHeight;
    std::size_t m_nStride;
    std::vector<std::uint8_t> m_bits;
};

constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kBlack = 0x00000000;
constexpr std::size_t kFirstBufferBytes = 32 + 16 * 100;

std::vector<Rect> Scan(const TestDib& dib, std::uint32_t key, std::uint32_t tolerance, RecordingHost& host) {
    EXPECT_TRUE(ScanKeyedRuns(dib.View(), ColourKeyRange::FromKey(key, tolerance), host));
    return host.AllRects();
}

// A width x rows picture whose rows alternate kept and key pixels, starting
// with a kept one: (width + 1) / 2 rectangles per row.
TestDib Stripes(int nWidth, int nRows) {
    TestDib dib(nWidth, nRows, kBlack);
    for (int y = 0; y < nRows; ++y)
        for (int x = 1; x < nWidth; x += 2)
            dib.Set(x, y, kWhite);
    return dib;
}

TEST(ColourKeyRange, UpperBoundIsKeyPlusToleranceClampedPerByte) {
    const ColourKeyRange clamped = ColourKeyRange::FromKey(0x00FFF0F0, 0x00102010);
    EXPECT_EQ(clamped.low[0], 0xF0);
    EXPECT_EQ(clamped.high[0], 0xFF); // 0xF0 + 0x10 = 256 -> 255
    EXPECT_EQ(clamped.low[1], 0xF0);
    EXPECT_EQ(clamped.high[1], 0xFF); // 0xF0 + 0x20 = 272 -> 255
    EXPECT_EQ(clamped.low[2], 0xFF);
    EXPECT_EQ(clamped.high[2], 0xFF); // 0xFF + 0x10 -> 255-255

    // Each byte on its own, no carry into the next; byte 3 plays no part.
    const ColourKeyRange plain = ColourKeyRange::FromKey(0xAA102030, 0x77030201);
    EXPECT_EQ(plain.low[0], 0x30);
    EXPECT_EQ(plain.high[0], 0x31);
    EXPECT_EQ(plain.low[1], 0x20);
    EXPECT_EQ(plain.high[1], 0x22);
    EXPECT_EQ(plain.low[2], 0x10);
    EXPECT_EQ(plain.high[2], 0x13);
}

TEST(RegionScan, PictureWithoutKeyPixelsGivesOneFullRectPerRow) {
    RecordingHost host;
    const std::vector<Rect> rects = Scan(TestDib(5, 3, 0x00123456), kWhite, 0, host);
    EXPECT_EQ(rects, (std::vector<Rect>{{0, 0, 5, 1}, {0, 1, 5, 2}, {0, 2, 5, 3}}));
    ASSERT_EQ(host.flushes.size(), 1u);
    const Batch& batch = host.flushes[0];
    EXPECT_EQ(batch.nHeaderSize, 32);
    EXPECT_EQ(batch.nType, 1);
    EXPECT_EQ(batch.nCount, 3);
    EXPECT_EQ(batch.nRgnSize, 0);
    EXPECT_EQ(batch.bounds, (Rect{0, 0, 5, 3}));
    EXPECT_EQ(batch.nBytes, kFirstBufferBytes);
}

TEST(RegionScan, NothingKeptStillHandsOverOneEmptyBatch) {
    for (const TestDib& dib : {TestDib(4, 4, kWhite), TestDib(0, 7, kBlack), TestDib(7, 0, kBlack)}) {
        RecordingHost host;
        EXPECT_TRUE(Scan(dib, kWhite, 0, host).empty());
        ASSERT_EQ(host.flushes.size(), 1u);
        EXPECT_EQ(host.flushes[0].nCount, 0);
        EXPECT_EQ(host.flushes[0].bounds, (Rect{0x7FFFFFFF, 0x7FFFFFFF, 0, 0}));
        EXPECT_EQ(host.resizes, std::vector<std::size_t>{kFirstBufferBytes});
    }
}

TEST(RegionScan, BoundsAreInclusiveInEveryByte) {
    // Key 0x102030, tolerance 0x050505: bytes 30-35, 20-25, 10-15.
    const std::uint32_t key = 0x00102030, tolerance = 0x00050505;
    const std::vector<std::uint32_t> transparent = {0x00102030, 0x00152535, 0xFF102030, 0x00122233};
    const std::vector<std::uint32_t> kept = {0x0010202F, 0x00101F30, 0x000F2030,  // one below in one byte
                                             0x00102036, 0x00102630, 0x00162030}; // one above in one byte
    TestDib dib(static_cast<int>(transparent.size() + kept.size()), 1, 0);
    int x = 0;
    for (std::uint32_t pixel : transparent)
        dib.Set(x++, 0, pixel);
    for (std::uint32_t pixel : kept)
        dib.Set(x++, 0, pixel);
    RecordingHost host;
    EXPECT_EQ(Scan(dib, key, tolerance, host), (std::vector<Rect>{{4, 0, 10, 1}}));
}

TEST(RegionScan, DialogKeyCutsOnlyPureWhite) {
    // Key white with tolerance 0x101010 clamps to 255-255: (240,240,240) and
    // (254,254,254) stay, white goes.
    TestDib dib(3, 1, 0);
    dib.Set(0, 0, 0x00F0F0F0);
    dib.Set(1, 0, kWhite);
    dib.Set(2, 0, 0x00FEFEFE);
    RecordingHost host;
    EXPECT_EQ(Scan(dib, kWhite, 0x00101010, host), (std::vector<Rect>{{0, 0, 1, 1}, {2, 0, 3, 1}}));
}

TEST(RegionScan, RunsEndAtKeyPixelsAndAtTheRightEdge) {
    // Row 0: K X X K X X   Row 1: X K K K K X   Row 2: K K K K K K
    TestDib dib(6, 3, kBlack);
    for (int x : {0, 3})
        dib.Set(x, 0, kWhite);
    for (int x : {1, 2, 3, 4})
        dib.Set(x, 1, kWhite);
    for (int x = 0; x < 6; ++x)
        dib.Set(x, 2, kWhite);
    RecordingHost host;
    EXPECT_EQ(Scan(dib, kWhite, 0, host),
              (std::vector<Rect>{{1, 0, 3, 1}, {4, 0, 6, 1}, {0, 1, 1, 2}, {5, 1, 6, 2}}));
    EXPECT_EQ(host.flushes[0].bounds, (Rect{0, 0, 6, 2}));
}

TEST(RegionScan, TopPictureRowIsTheLastRowInMemory) {
    // Rows padded past the pixels: the scan must step by the stride.
    TestDib dib(2, 3, kWhite, 12);
    dib.Set(1, 0, kBlack); // top row
    dib.Set(0, 2, kBlack); // bottom row, first in memory
    RecordingHost host;
    EXPECT_EQ(Scan(dib, kWhite, 0, host), (std::vector<Rect>{{1, 0, 2, 1}, {0, 2, 1, 3}}));
}

TEST(RegionScan, KeyIsComparedInMemoryByteOrder) {
    // A key written as a Windows colour value for red (0x0000FF) meets byte 0
    // of the pixel, which is blue in a DIB: blue is cut, red stays.
    const std::uint32_t blueInMemory = 0x000000FF, redInMemory = 0x00FF0000;
    TestDib dib(2, 1, 0);
    dib.Set(0, 0, blueInMemory);
    dib.Set(1, 0, redInMemory);
    RecordingHost host;
    EXPECT_EQ(Scan(dib, 0x000000FF, 0, host), (std::vector<Rect>{{1, 0, 2, 1}}));
}

TEST(RegionBatch, ExactlyFlushCountGivesOneFullBatchThenAnEmptyOne) {
    RecordingHost host;
    const std::vector<Rect> rects = Scan(Stripes(3, 1000), kWhite, 0, host); // 2 per row
    ASSERT_EQ(host.flushes.size(), 2u);
    EXPECT_EQ(host.flushes[0].nCount, 2000);
    EXPECT_EQ(host.flushes[0].bounds, (Rect{0, 0, 3, 1000}));
    EXPECT_EQ(host.flushes[1].nCount, 0);
    EXPECT_EQ(host.flushes[1].bounds, (Rect{0x7FFFFFFF, 0x7FFFFFFF, 0, 0}));
    EXPECT_EQ(rects.size(), 2000u);
    EXPECT_EQ(rects.back(), (Rect{2, 999, 3, 1000}));
}

TEST(RegionBatch, FlushHappensWhenTheCountReaches2000NotBeforeOrAfter) {
    // One rectangle per row of a one-pixel-wide picture.
    RecordingHost host1999, host2001;
    Scan(TestDib(1, 1999, kBlack), kWhite, 0, host1999);
    Scan(TestDib(1, 2001, kBlack), kWhite, 0, host2001);
    ASSERT_EQ(host1999.flushes.size(), 1u);
    EXPECT_EQ(host1999.flushes[0].nCount, 1999);
    ASSERT_EQ(host2001.flushes.size(), 2u);
    EXPECT_EQ(host2001.flushes[0].nCount, 2000);
    EXPECT_EQ(host2001.flushes[0].bounds, (Rect{0, 0, 1, 2000}));
    EXPECT_EQ(host2001.flushes[1].nCount, 1);
    EXPECT_EQ(host2001.flushes[1].bounds, (Rect{0, 2000, 1, 2001}));
}

TEST(RegionBatch, BufferGrowsByHundredRectsAndIsReusedAfterAFlush) {
    RecordingHost host;
    const std::vector<Rect> rects = Scan(Stripes(99, 90), kWhite, 0, host); // 50 per row: 4500
    ASSERT_EQ(rects.size(), 4500u);
    std::vector<std::size_t> expected;
    for (std::size_t n = 100; n <= 2000; n += 100)
        expected.push_back(32 + 16 * n);
    EXPECT_EQ(host.resizes, expected); // no growth and no shrinking after the first flush
    ASSERT_EQ(host.flushes.size(), 3u);
    for (const Batch& batch : host.flushes)
        EXPECT_EQ(batch.nBytes, 32u + 16u * 2000u);
    EXPECT_EQ(host.flushes[2].nCount, 500);
    EXPECT_EQ(host.flushes[2].bounds, (Rect{0, 80, 99, 90}));

    // Every rectangle once, in scan order, across the flushes.
    std::size_t i = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 99; x += 2)
            ASSERT_EQ(rects[i++], (Rect{x, y, x + 1, y + 1}));
}

TEST(RegionBatch, OutOfMemoryStopsTheScanWithoutAnotherBatch) {
    RecordingHost noBuffer;
    noBuffer.nFailingResize = 0;
    EXPECT_FALSE(ScanKeyedRuns(Stripes(9, 9).View(), ColourKeyRange::FromKey(kWhite, 0), noBuffer));
    EXPECT_TRUE(noBuffer.flushes.empty());

    RecordingHost noGrowth;
    noGrowth.nFailingResize = 5; // room for 500 rectangles, then no more
    EXPECT_FALSE(ScanKeyedRuns(Stripes(99, 90).View(), ColourKeyRange::FromKey(kWhite, 0), noGrowth));
    EXPECT_TRUE(noGrowth.flushes.empty());
    EXPECT_EQ(noGrowth.resizes.size(), 5u);
}

} // namespace
