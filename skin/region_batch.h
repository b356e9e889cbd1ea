// Collects the one-pixel-high rectangles of a shape in a working buffer laid
// out as a Win32 RGNDATA block and hands the buffer over in batches, so the
// system builds the region from a few large pieces instead of one rectangle
// at a time. Free of Windows headers: the owner of the buffer and of the
// resulting region is a RegionBatchHost.
#pragma once

#include <cstddef>
#include <cstdint>

// Owns the working buffer and turns full batches into a region.
class RegionBatchHost {
public:
    // Makes the buffer `nBytes` long, keeping what it already holds. Returns
    // its start, which may have moved, or nullptr when no memory is left.
    virtual std::uint8_t* ResizeBuffer(std::size_t nBytes) = 0;
    // Builds a region from the RGNDATA block at `pData` (`nBytes` is the
    // whole buffer, as ExtCreateRegion takes it) and adds it to the result.
    virtual void FlushBatch(const std::uint8_t* pData, std::size_t nBytes) = 0;

protected:
    ~RegionBatchHost() = default;
};

class CRegionBatch {
public:
    static constexpr std::uint32_t kFlushCount = 2000;
    static constexpr std::uint32_t kGrowStep = 100;
    static constexpr std::size_t kHeaderSize = 32;
    static constexpr std::size_t kRectSize = 16;

    explicit CRegionBatch(RegionBatchHost& host) : m_host(host) {}

    // Allocates the buffer for the first kGrowStep rectangles.
    bool Open();
    // Adds one rectangle, flushing the batch when it reaches kFlushCount.
    // False when the buffer could not grow.
    bool AddRect(std::int32_t nLeft, std::int32_t nTop, std::int32_t nRight, std::int32_t nBottom);
    // Flushes what is left, also an empty batch, so that a shape without
    // rectangles still gives an (empty) region.
    void Close() { Flush(); }

private:
    void Flush();
    void ResetBounds();

    RegionBatchHost& m_host;
    std::uint8_t* m_pBuffer = nullptr;
    std::uint32_t m_nCapacity = 0;
    std::uint32_t m_nCount = 0;
    std::int32_t m_nBoundLeft = 0;
    std::int32_t m_nBoundTop = 0;
    std::int32_t m_nBoundRight = 0;
    std::int32_t m_nBoundBottom = 0;
};
