#include "skin/region_batch.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kRectanglesType = 1; // RDH_RECTANGLES
constexpr std::int32_t kEmptyBound = 0x7FFFFFFF;

void PutInt32(std::uint8_t* pAt, std::int32_t nValue) {
    std::memcpy(pAt, &nValue, sizeof nValue);
}

std::size_t BufferBytes(std::uint32_t nCapacity) {
    return CRegionBatch::kHeaderSize + CRegionBatch::kRectSize * nCapacity;
}

} // namespace

bool CRegionBatch::Open() {
    m_nCapacity = kGrowStep;
    m_nCount = 0;
    ResetBounds();
    m_pBuffer = m_host.ResizeBuffer(BufferBytes(m_nCapacity));
    return m_pBuffer != nullptr;
}

bool CRegionBatch::AddRect(std::int32_t nLeft, std::int32_t nTop, std::int32_t nRight, std::int32_t nBottom) {
    if (m_nCount == m_nCapacity) {
        m_pBuffer = m_host.ResizeBuffer(BufferBytes(m_nCapacity + kGrowStep));
        if (!m_pBuffer)
            return false;
        m_nCapacity += kGrowStep;
    }
    std::uint8_t* pRect = m_pBuffer + kHeaderSize + kRectSize * m_nCount;
    PutInt32(pRect, nLeft);
    PutInt32(pRect + 4, nTop);
    PutInt32(pRect + 8, nRight);
    PutInt32(pRect + 12, nBottom);
    m_nBoundLeft = std::min(m_nBoundLeft, nLeft);
    m_nBoundTop = std::min(m_nBoundTop, nTop);
    m_nBoundRight = std::max(m_nBoundRight, nRight);
    m_nBoundBottom = std::max(m_nBoundBottom, nBottom);
    if (++m_nCount == kFlushCount)
        Flush();
    return true;
}

void CRegionBatch::Flush() {
    // The header is written whole right before the hand-over; in between, the
    // count and bounds live in members.
    PutInt32(m_pBuffer, static_cast<std::int32_t>(kHeaderSize));
    PutInt32(m_pBuffer + 4, static_cast<std::int32_t>(kRectanglesType));
    PutInt32(m_pBuffer + 8, static_cast<std::int32_t>(m_nCount));
    PutInt32(m_pBuffer + 12, 0);
    PutInt32(m_pBuffer + 16, m_nBoundLeft);
    PutInt32(m_pBuffer + 20, m_nBoundTop);
    PutInt32(m_pBuffer + 24, m_nBoundRight);
    PutInt32(m_pBuffer + 28, m_nBoundBottom);
    m_host.FlushBatch(m_pBuffer, BufferBytes(m_nCapacity));
    m_nCount = 0;
    ResetBounds();
}

void CRegionBatch::ResetBounds() {
    m_nBoundLeft = kEmptyBound;
    m_nBoundTop = kEmptyBound;
    m_nBoundRight = 0;
    m_nBoundBottom = 0;
}
