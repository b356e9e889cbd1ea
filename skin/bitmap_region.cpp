#include "skin/bitmap_region.h"

#include "framework/handles.h"
#include "skin/dib_section.h"
#include "skin/region_batch.h"
#include "skin/region_scan.h"

#include <optional>

namespace {

// The working buffer as a movable global block, kept locked while the scan
// writes to it, and the region built from its batches.
class GlobalRegionBuilder : public RegionBatchHost {
public:
    std::uint8_t* ResizeBuffer(std::size_t nBytes) override {
        if (!m_hBlock) {
            m_hBlock.reset(GlobalAlloc(GMEM_MOVEABLE, nBytes));
        } else {
            m_lock.reset();
            HGLOBAL hGrown = GlobalReAlloc(m_hBlock.get(), nBytes, GMEM_MOVEABLE);
            if (!hGrown)
                return nullptr; // the old block is still ours and is freed with us
            m_hBlock.release();
            m_hBlock.reset(hGrown);
        }
        if (!m_hBlock)
            return nullptr;
        m_lock.emplace(m_hBlock.get());
        return static_cast<std::uint8_t*>(m_lock->get());
    }

    void FlushBatch(const std::uint8_t* pData, std::size_t nBytes) override {
        // A batch the system refuses is left out; the scan goes on.
        UniqueRegion batch(
            ExtCreateRegion(nullptr, static_cast<DWORD>(nBytes), reinterpret_cast<const RGNDATA*>(pData)));
        if (!batch)
            return;
        if (m_result)
            CombineRgn(m_result.get(), m_result.get(), batch.get(), RGN_OR);
        else
            m_result = std::move(batch);
    }

    HRGN ReleaseResult() { return m_result.release(); }

private:
    UniqueGlobal m_hBlock;
    std::optional<GlobalLockScope> m_lock; // unlocked before the block is freed
    UniqueRegion m_result;
};

} // namespace

HRGN CreateRegionFromBitmap(HBITMAP bitmap, COLORREF key, COLORREF tolerance) {
    if (!bitmap)
        return nullptr;
    MemoryDC scanDC(CreateCompatibleDC(nullptr));
    if (!scanDC)
        return nullptr;

    BITMAP source{};
    GetObject(bitmap, sizeof source, &source);

    void* pBits = nullptr; // positive height: rows stored bottom-up
    UniqueBitmap scanBitmap(Create32BitDibSection(scanDC.get(), source.bmWidth, source.bmHeight, &pBits));
    if (!scanBitmap)
        return nullptr;
    SelectObjectScope scanSelection(scanDC.get(), scanBitmap.get());

    MemoryDC sourceDC(CreateCompatibleDC(scanDC.get()));
    if (!sourceDC)
        return nullptr;

    BITMAP scan{};
    GetObject(scanBitmap.get(), sizeof scan, &scan);
    const std::size_t nStride = (static_cast<std::size_t>(scan.bmWidthBytes) + 3) & ~std::size_t{3};
    {
        SelectObjectScope sourceSelection(sourceDC.get(), bitmap);
        BitBlt(scanDC.get(), 0, 0, source.bmWidth, source.bmHeight, sourceDC.get(), 0, 0, SRCCOPY);
    }
    GdiFlush(); // the blit must have reached the DIB memory before we read it

    GlobalRegionBuilder builder;
    const DibPixels pixels{static_cast<const std::uint8_t*>(pBits), source.bmWidth, source.bmHeight, nStride};
    if (!ScanKeyedRuns(pixels, ColourKeyRange::FromKey(key, tolerance), builder))
        return nullptr;
    return builder.ReleaseResult();
}

bool SetWindowRegionFromBitmap(HWND hWnd, HBITMAP bitmap, COLORREF key, COLORREF tolerance) {
    UniqueRegion region(CreateRegionFromBitmap(bitmap, key, tolerance));
    if (!region || !SetWindowRgn(hWnd, region.get(), TRUE))
        return false;
    region.release(); // the window owns it now
    return true;
}
