// Walks arbitrary bytes as a GIF the way the animated picture control does:
// detect, count graphic blocks, extract every frame and write it out. Beyond
// memory safety it checks that every frame lies inside the data, in order,
// that the extraction finds exactly the counted graphic blocks, and that
// each written frame is prefix + frame bytes + trailer.
#include "skin/gif_frames.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool bHolds) {
    if (!bHolds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    CGifBlockWalk walk(pData, nSize);
    GifFrameSlice frame;
    if (!walk.IsGif()) {
        Check(walk.CountGraphicBlocks() == 0 && !walk.ExtractNextFrame(frame));
        return 0;
    }
    Check(walk.PrefixSize() <= nSize);
    const int nCount = walk.CountGraphicBlocks();
    Check(walk.Offset() == walk.PrefixSize());

    int nFrames = 0;
    std::size_t nEnd = walk.PrefixSize();
    while (walk.ExtractNextFrame(frame)) {
        Check(frame.nStart >= nEnd && frame.nLength > 0 && frame.nLength <= nSize - frame.nStart);
        Check(walk.Offset() == frame.nStart + frame.nLength);
        Check(frame.nDisposal >= 0 && frame.nDisposal <= 7);
        nEnd = frame.nStart + frame.nLength;

        std::vector<std::uint8_t> gif(walk.FrameGifSize(frame));
        walk.WriteFrameGif(frame, gif.data());
        Check(std::memcmp(gif.data(), pData, walk.PrefixSize()) == 0);
        Check(std::memcmp(gif.data() + walk.PrefixSize(), pData + frame.nStart, frame.nLength) == 0);
        Check(gif.back() == 0x3B);

        // A frame is itself a GIF with exactly one graphic block.
        CGifBlockWalk frameWalk(gif.data(), gif.size());
        Check(frameWalk.IsGif() && frameWalk.CountGraphicBlocks() == 1);
        ++nFrames;
    }
    Check(nFrames == nCount);
    return 0;
}
