#include "skin/gif_frames.h"

#include <cstring>

namespace {

constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;

// Size of a colour table announced by packed fields (bit 7: present; bits
// 0-2: n, 3 x 2^(n+1) bytes).
std::size_t ColourTableSize(std::uint8_t packed) {
    return (packed & 0x80) ? std::size_t{3} << ((packed & 7) + 1) : 0;
}

} // namespace

CGifBlockWalk::CGifBlockWalk(const std::uint8_t* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {
    if (!pData || nSize < kScreenDescriptorEnd)
        return;
    if (std::memcmp(pData, "GIF87a", 6) != 0 && std::memcmp(pData, "GIF89a", 6) != 0)
        return;
    const std::size_t nTable = ColourTableSize(pData[10]);
    if (nSize < kScreenDescriptorEnd + nTable)
        return;
    m_bGif = true;
    m_nScreenWidth = static_cast<std::int32_t>(Word(6));
    m_nScreenHeight = static_cast<std::int32_t>(Word(8));
    m_nGlobalTableSize = nTable;
    Rewind();
}

GifBlockKind CGifBlockWalk::KindAt(std::size_t nAt) const {
    if (nAt >= m_nSize)
        return GifBlockKind::Unrecognised;
    switch (m_pData[nAt]) {
    case kImageSeparator:
        return GifBlockKind::Image;
    case kTrailer:
        return GifBlockKind::Trailer;
    case kExtensionIntroducer:
        break;
    default:
        return GifBlockKind::Unrecognised;
    }
    if (nAt + 1 >= m_nSize)
        return GifBlockKind::Unrecognised;
    switch (m_pData[nAt + 1]) {
    case 0xFF:
        return GifBlockKind::Application;
    case 0xFE:
        return GifBlockKind::Comment;
    case 0xF9:
        return GifBlockKind::GraphicControl;
    case 0x01:
        return GifBlockKind::PlainText;
    default:
        return GifBlockKind::Unrecognised;
    }
}

std::size_t CGifBlockWalk::ChainLength(std::size_t nAt) const {
    std::size_t nLength = 0;
    for (;;) {
        if (nAt >= m_nSize || m_nSize - nAt <= nLength)
            return 0; // runs past the end
        const std::uint8_t nSubBlock = m_pData[nAt + nLength];
        if (nSubBlock == 0)
            return nLength + 1;
        nLength += nSubBlock + 1u;
    }
}

std::size_t CGifBlockWalk::BlockLength(std::size_t nAt) const {
    std::size_t nFixed = 0;
    switch (KindAt(nAt)) {
    case GifBlockKind::Application:
        nFixed = 14;
        break;
    case GifBlockKind::Comment:
        nFixed = 2;
        break;
    case GifBlockKind::PlainText:
        nFixed = 15;
        break;
    case GifBlockKind::Image:
        if (m_nSize - nAt <= 9)
            return 0;
        nFixed = 11 + ColourTableSize(m_pData[nAt + 9]);
        break;
    case GifBlockKind::GraphicControl:
        return m_nSize - nAt >= 8 ? 8 : 0;
    case GifBlockKind::Trailer:
        return 1;
    case GifBlockKind::Unrecognised:
        return 0;
    }
    if (m_nSize - nAt < nFixed)
        return 0;
    const std::size_t nChain = ChainLength(nAt + nFixed);
    return nChain ? nFixed + nChain : 0;
}

bool CGifBlockWalk::SkipBlock() {
    if (!m_bGif)
        return false;
    const std::size_t nLength = BlockLength(m_nOffset);
    if (nLength == 0 || nLength > m_nSize - m_nOffset)
        return false;
    m_nOffset += nLength;
    return true;
}

// Skips extensions until the block that draws (an image or plain text
// extension) is current; before a control extension has been passed, a
// control extension stops the skip too. Fails on the trailer, an
// unrecognised block or a block reaching past the end.
bool CGifBlockWalk::SkipToDrawable(bool bStopAtControl) {
    for (;;) {
        switch (CurrentBlock()) {
        case GifBlockKind::Image:
        case GifBlockKind::PlainText:
            return true;
        case GifBlockKind::GraphicControl:
            if (bStopAtControl)
                return true;
            break;
        case GifBlockKind::Trailer:
        case GifBlockKind::Unrecognised:
            return false;
        case GifBlockKind::Application:
        case GifBlockKind::Comment:
            break;
        }
        if (!SkipBlock())
            return false;
    }
}

bool CGifBlockWalk::SkipGraphicBlock() {
    if (!m_bGif || !SkipToDrawable(true))
        return false;
    if (CurrentBlock() == GifBlockKind::GraphicControl && !(SkipBlock() && SkipToDrawable(false)))
        return false;
    return SkipBlock();
}

int CGifBlockWalk::CountGraphicBlocks() {
    Rewind();
    int nCount = 0;
    while (SkipGraphicBlock())
        ++nCount;
    Rewind();
    return nCount;
}

bool CGifBlockWalk::ExtractNextFrame(GifFrameSlice& frame) {
    if (!m_bGif || !SkipToDrawable(true))
        return false;
    GifFrameSlice found;
    found.nStart = m_nOffset;
    found.nDelay = GifFrameSlice::kNoDelay;
    if (CurrentBlock() == GifBlockKind::GraphicControl) {
        const std::size_t nControl = m_nOffset;
        if (!SkipBlock() || !SkipToDrawable(false))
            return false;
        found.nDisposal = (m_pData[nControl + 3] >> 2) & 7;
        found.nDelay = Word(nControl + 4);
    }
    // Image descriptor: left, top, width, height from byte 1. A plain text
    // extension's text grid has the same four fields from byte 3.
    const std::size_t nDrawable = m_nOffset;
    const std::size_t nGeometry = nDrawable + (CurrentBlock() == GifBlockKind::Image ? 1 : 3);
    if (!SkipBlock())
        return false;
    found.nLeft = static_cast<std::int32_t>(Word(nGeometry));
    found.nTop = static_cast<std::int32_t>(Word(nGeometry + 2));
    found.nWidth = static_cast<std::int32_t>(Word(nGeometry + 4));
    found.nHeight = static_cast<std::int32_t>(Word(nGeometry + 6));
    found.nLength = m_nOffset - found.nStart;
    frame = found;
    return true;
}

void CGifBlockWalk::WriteFrameGif(const GifFrameSlice& frame, std::uint8_t* pOut) const {
    std::memcpy(pOut, m_pData, PrefixSize());
    std::memcpy(pOut + PrefixSize(), m_pData + frame.nStart, frame.nLength);
    pOut[PrefixSize() + frame.nLength] = kTrailer;
}
