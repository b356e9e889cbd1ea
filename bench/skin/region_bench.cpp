// Region conversion speed: CreateRegionFromBitmap (batches of 2000 through
// ExtCreateRegion) against the naive build that adds every rectangle with
// its own CombineRgn, on the same bitmaps. Prints one line per case.
//
//   region_bench [rows of the naive worst cases, default 16]
//
// Under Wine the naive build (and ExtCreateRegion itself) grows with the
// square of the rectangle count, so on the 4096-wide worst cases the naive
// build runs on the first rows only; the batched conversion runs on the same
// rows and on the whole 4096 x 4096 bitmap.
#include "skin/bitmap_region.h"

#include "framework/handles.h"
#include "skin/dib_section.h"
#include "skin/region_batch.h"
#include "skin/region_scan.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace {

constexpr COLORREF kKey = 0x00FFFFFF, kTolerance = 0x00101010;

double Seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A 32-bit bottom-up DIB section, `kept(x, y)` black, else white.
UniqueBitmap MakeMask(int nWidth, int nHeight, const std::function<bool(int, int)>& kept) {
    void* pBits = nullptr;
    UniqueBitmap bitmap(Create32BitDibSection(nullptr, nWidth, nHeight, &pBits));
    if (!bitmap) {
        std::fprintf(stderr, "no %d x %d bitmap\n", nWidth, nHeight);
        std::exit(1);
    }
    auto* pPixels = static_cast<std::uint32_t*>(pBits);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            pPixels[static_cast<std::size_t>(nHeight - 1 - y) * nWidth + x] = kept(x, y) ? 0 : 0x00FFFFFF;
    return bitmap;
}

// The naive build: the same copy into a 32-bit DIB section and the same
// run scan as the conversion, but every rectangle is added to the result
// with its own CombineRgn instead of through ExtCreateRegion batches.
class OneByOneHost : public RegionBatchHost {
public:
    std::uint8_t* ResizeBuffer(std::size_t nBytes) override {
        m_buffer.resize(nBytes);
        return m_buffer.data();
    }
    void FlushBatch(const std::uint8_t* pData, std::size_t) override {
        const auto* pBatch = reinterpret_cast<const RGNDATA*>(pData);
        const auto* pRects = reinterpret_cast<const RECT*>(pBatch->Buffer);
        for (DWORD i = 0; i < pBatch->rdh.nCount; ++i) {
            SetRectRgn(m_run.get(), pRects[i].left, pRects[i].top, pRects[i].right, pRects[i].bottom);
            CombineRgn(m_result.get(), m_result.get(), m_run.get(), RGN_OR);
        }
    }
    UniqueRegion result() { return std::move(m_result); }

private:
    std::vector<std::uint8_t> m_buffer;
    UniqueRegion m_result{CreateRectRgn(0, 0, 0, 0)};
    UniqueRegion m_run{CreateRectRgn(0, 0, 0, 0)};
};

UniqueRegion NaiveRegion(HBITMAP bitmap) {
    BITMAP source{};
    GetObject(bitmap, sizeof source, &source);
    void* pBits = nullptr;
    MemoryDC scanDC(CreateCompatibleDC(nullptr));
    UniqueBitmap scan(Create32BitDibSection(scanDC.get(), source.bmWidth, source.bmHeight, &pBits));
    SelectObjectScope scanSelection(scanDC.get(), scan.get());
    {
        MemoryDC sourceDC(CreateCompatibleDC(scanDC.get()));
        SelectObjectScope sourceSelection(sourceDC.get(), bitmap);
        BitBlt(scanDC.get(), 0, 0, source.bmWidth, source.bmHeight, sourceDC.get(), 0, 0, SRCCOPY);
    }
    GdiFlush();
    OneByOneHost host;
    const DibPixels pixels{static_cast<const std::uint8_t*>(pBits), source.bmWidth, source.bmHeight,
                           4 * static_cast<std::size_t>(source.bmWidth)};
    ScanKeyedRuns(pixels, ColourKeyRange::FromKey(kKey, kTolerance), host);
    return host.result();
}

std::size_t RectCount(HRGN region) {
    std::vector<std::uint8_t> data(GetRegionData(region, 0, nullptr));
    auto* pData = reinterpret_cast<RGNDATA*>(data.data());
    GetRegionData(region, static_cast<DWORD>(data.size()), pData);
    return pData->rdh.nCount;
}

// Best of `nRuns` timings of `build`; the last region built is returned.
double Time(int nRuns, const std::function<UniqueRegion()>& build, UniqueRegion& region) {
    double best = 1e30;
    for (int i = 0; i < nRuns; ++i) {
        const double start = Seconds();
        region = build();
        best = std::min(best, Seconds() - start);
    }
    return best;
}

void Compare(const char* name, HBITMAP bitmap, std::size_t nScanRects, int nRuns, bool bNaive) {
    UniqueRegion batched, naive;
    const double batchedTime = Time(
        nRuns, [&] { return UniqueRegion(CreateRegionFromBitmap(bitmap, kKey, kTolerance)); }, batched);
    std::printf("%-34s %9zu rects  batched %10.2f ms  %12.0f rects/s", name, nScanRects, batchedTime * 1e3,
                static_cast<double>(nScanRects) / batchedTime);
    if (bNaive) {
        const double naiveTime = Time(
            nRuns, [&] { return NaiveRegion(bitmap); }, naive);
        std::printf("  naive %10.2f ms  %12.0f rects/s  naive/batched %6.1f  %s", naiveTime * 1e3,
                    static_cast<double>(nScanRects) / naiveTime, naiveTime / batchedTime,
                    EqualRgn(batched.get(), naive.get()) ? "same region" : "REGIONS DIFFER");
    }
    std::printf("  (region holds %zu rects)\n", RectCount(batched.get()));
}

} // namespace

int main(int argc, char** argv) {
    const int nNaiveRows = argc > 1 ? std::atoi(argv[1]) : 16;

    // The calendar window's shape: 501 x 342 with rounded corners (radius
    // 24), white outside.
    const int nW = 501, nH = 342, nR = 24;
    auto rounded = [&](int x, int y) {
        const int dx = x < nR ? nR - x : (x >= nW - nR ? x - (nW - nR - 1) : 0);
        const int dy = y < nR ? nR - y : (y >= nH - nR ? y - (nH - nR - 1) : 0);
        return dx * dx + dy * dy <= nR * nR;
    };
    UniqueBitmap window = MakeMask(nW, nH, rounded);
    Compare("rounded window 501x342", window.get(), nH, 50, true);

    // Worst cases: every other pixel kept, 2048 one-pixel runs per row; in
    // columns (identical rows, which the region merges) and as a
    // checkerboard (nothing merges).
    auto columns = [](int x, int) { return x % 2 == 0; };
    auto checkerboard = [](int x, int y) { return (x + y) % 2 == 0; };
    char name[64];
    for (const auto& pattern :
         {std::make_pair("columns", std::function<bool(int, int)>(columns)),
          std::make_pair("checkerboard", std::function<bool(int, int)>(checkerboard))}) {
        UniqueBitmap slice = MakeMask(4096, nNaiveRows, pattern.second);
        std::snprintf(name, sizeof name, "%s 4096x%d", pattern.first, nNaiveRows);
        Compare(name, slice.get(), 2048u * static_cast<std::size_t>(nNaiveRows), 1, true);
    }
    UniqueBitmap whole = MakeMask(4096, 4096, columns);
    Compare("columns 4096x4096", whole.get(), 2048u * 4096u, 1, false);
    return 0;
}
