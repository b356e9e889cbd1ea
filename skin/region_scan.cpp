#include "skin/region_scan.h"

#include "skin/region_batch.h"

#include <algorithm>

ColourKeyRange ColourKeyRange::FromKey(std::uint32_t key, std::uint32_t tolerance) {
    ColourKeyRange range{};
    for (int k = 0; k < 3; ++k) {
        const unsigned low = (key >> (8 * k)) & 0xFF;
        const unsigned width = (tolerance >> (8 * k)) & 0xFF;
        range.low[k] = static_cast<std::uint8_t>(low);
        range.high[k] = static_cast<std::uint8_t>(std::min(low + width, 255u));
    }
    return range;
}

bool ScanKeyedRuns(const DibPixels& pixels, const ColourKeyRange& range, RegionBatchHost& host) {
    CRegionBatch batch(host);
    if (!batch.Open())
        return false;
    for (std::int32_t y = 0; y < pixels.nHeight; ++y) {
        // Picture row y from the top is memory row (height - 1 - y).
        const std::uint8_t* pRow =
            pixels.pBits + static_cast<std::size_t>(pixels.nHeight - 1 - y) * pixels.nStride;
        std::int32_t x = 0;
        while (x < pixels.nWidth) {
            const std::int32_t x0 = x;
            while (x < pixels.nWidth && !range.Contains(pRow + 4 * static_cast<std::size_t>(x)))
                ++x;
            if (x > x0 && !batch.AddRect(x0, y, x, y + 1))
                return false;
            ++x; // past the transparent pixel that ended the run
        }
    }
    batch.Close();
    return true;
}
