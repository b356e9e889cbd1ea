// The block walk over GIF data (87a and 89a): decides whether data is a GIF
// worth splitting, counts its graphic blocks and cuts each frame out as a
// stand-alone one-image GIF, for the system picture loader to decode. Image
// data is never decoded here. Free of Windows headers.
//
// Every read is bounded by the data size: a block or sub-block chain that
// would reach past the end ends the walk like an unrecognised block.
//
// Use, as the animated picture control does:
//   CGifBlockWalk walk(pData, nSize);
//   if (!walk.IsGif())                      -> load the data whole
//   if (walk.CountGraphicBlocks() < 2)      -> still picture (0: nothing to show)
//   GifFrameSlice frame;
//   while (walk.ExtractNextFrame(frame)) {  -> block of walk.FrameGifSize(frame)
//       walk.WriteFrameGif(frame, pBlock);     bytes, loaded as one picture
//   }
#pragma once

#include <cstddef>
#include <cstdint>

enum class GifBlockKind {
    Application,    // 0x21 0xFF
    Comment,        // 0x21 0xFE
    GraphicControl, // 0x21 0xF9
    PlainText,      // 0x21 0x01
    Image,          // 0x2C
    Trailer,        // 0x3B
    Unrecognised,   // anything else, or no byte left to classify
};

// Where one frame lies in the source data, and what the walk read about it.
struct GifFrameSlice {
    std::size_t nStart = 0;  // offset of its control extension, or of the image without one
    std::size_t nLength = 0; // bytes through the end of the image data
    std::int32_t nWidth = 0;
    std::int32_t nHeight = 0;
    std::int32_t nLeft = 0;
    std::int32_t nTop = 0;
    std::uint32_t nDelay = 0; // hundredths of a second; kNoDelay without a control extension
    std::int32_t nDisposal = 0;

    static constexpr std::uint32_t kNoDelay = 0xFFFFFFFF;
};

class CGifBlockWalk {
public:
    static constexpr std::size_t kScreenDescriptorEnd = 13;

    // The data stays the caller's and must outlive the walk. The walk starts
    // at the first block.
    CGifBlockWalk(const std::uint8_t* pData, std::size_t nSize);

    // "GIF87a" or "GIF89a", and long enough for the logical screen
    // descriptor and the global colour table. Every walk step fails otherwise.
    bool IsGif() const { return m_bGif; }
    std::int32_t ScreenWidth() const { return m_nScreenWidth; }
    std::int32_t ScreenHeight() const { return m_nScreenHeight; }
    std::size_t GlobalColourTableSize() const { return m_nGlobalTableSize; }
    // Header, logical screen descriptor and global colour table: the bytes
    // every frame starts with.
    std::size_t PrefixSize() const { return kScreenDescriptorEnd + m_nGlobalTableSize; }

    std::size_t Offset() const { return m_nOffset; }
    void Rewind() { m_nOffset = PrefixSize(); }

    GifBlockKind CurrentBlock() const { return KindAt(m_nOffset); }
    // Moves past the current block; fails, staying put, on an unrecognised
    // block or one reaching past the end.
    bool SkipBlock();
    // Moves past the next graphic block: an optional control extension, then
    // (after any other extensions) one image or plain text extension.
    bool SkipGraphicBlock();
    // Counts graphic blocks from the first one until a skip fails, then
    // rewinds for the frame extraction.
    int CountGraphicBlocks();

    // Moves past the next graphic block and describes it as a frame. Fails on
    // the trailer, an unrecognised block or a block reaching past the end.
    // A frame drawn by a plain text extension takes the position and size of
    // its text grid.
    bool ExtractNextFrame(GifFrameSlice& frame);
    // Length of the stand-alone GIF for `frame`: prefix, frame bytes, trailer.
    std::size_t FrameGifSize(const GifFrameSlice& frame) const { return PrefixSize() + frame.nLength + 1; }
    // Writes that GIF to `pOut`, which holds FrameGifSize(frame) bytes.
    void WriteFrameGif(const GifFrameSlice& frame, std::uint8_t* pOut) const;

private:
    GifBlockKind KindAt(std::size_t nAt) const;
    std::size_t BlockLength(std::size_t nAt) const;
    std::size_t ChainLength(std::size_t nAt) const;
    bool SkipToDrawable(bool bFromControl);
    std::uint32_t Word(std::size_t nAt) const { return m_pData[nAt] | (m_pData[nAt + 1] << 8); }

    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    bool m_bGif = false;
    std::int32_t m_nScreenWidth = 0;
    std::int32_t m_nScreenHeight = 0;
    std::size_t m_nGlobalTableSize = 0;
    std::size_t m_nOffset = 0;
};
