// The run scan behind CreateRegionFromBitmap: walks a 32-bit bottom-up DIB
// row by row and hands every run of kept (non-key) pixels to a CRegionBatch
// as a one-pixel-high rectangle. Free of Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

class RegionBatchHost;

// The pixels of a 32-bits-per-pixel bottom-up DIB: the first row in memory
// is the bottom row of the picture.
struct DibPixels {
    const std::uint8_t* pBits;
    std::int32_t nWidth;
    std::int32_t nHeight;
    std::size_t nStride; // bytes per row
};

// The transparent colour range, per pixel byte in memory order (byte 0 is
// blue in a DIB). Bounds are inclusive.
struct ColourKeyRange {
    std::uint8_t low[3];
    std::uint8_t high[3];

    // Bytes 0-2 of `key` are the lower bounds; adding the same bytes of
    // `tolerance` gives the upper bounds, clamped to 255.
    static ColourKeyRange FromKey(std::uint32_t key, std::uint32_t tolerance);

    bool Contains(const std::uint8_t* pPixel) const {
        return pPixel[0] >= low[0] && pPixel[0] <= high[0] && pPixel[1] >= low[1] && pPixel[1] <= high[1] &&
               pPixel[2] >= low[2] && pPixel[2] <= high[2];
    }
};

// Feeds one rectangle per run of pixels outside `range`, top row first with
// y counted from the top, to a batch on `host`, then flushes the last batch
// (also when it is empty). False when the host ran out of memory; the host
// then discards what it built.
bool ScanKeyedRuns(const DibPixels& pixels, const ColourKeyRange& range, RegionBatchHost& host);
