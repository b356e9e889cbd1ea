// The GIF block walk: detection, counting graphic blocks and cutting frames
// out as stand-alone one-image GIFs, on GIFs written block by block here and
// on real ones made by ImageMagick (the fuzzer's seed corpus).
#include "skin/gif_frames.h"

#include "tests/skin/gif_builder.h"
#include "tests/skin/gif_structure.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::vector<std::uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

// A copy of GIF data in a heap block of exactly its size, so that a read
// past the end shows up under AddressSanitizer.
class ExactCopy {
public:
    ExactCopy(const Bytes& data, std::size_t nSize) : m_pBytes(new std::uint8_t[nSize]), m_nSize(nSize) {
        std::copy_n(data.begin(), nSize, m_pBytes.get());
    }
    explicit ExactCopy(const Bytes& data) : ExactCopy(data, data.size()) {}
    const std::uint8_t* data() const { return m_pBytes.get(); }
    std::size_t size() const { return m_nSize; }

private:
    std::unique_ptr<std::uint8_t[]> m_pBytes;
    std::size_t m_nSize;
};

std::vector<GifFrameSlice> AllFrames(CGifBlockWalk& walk) {
    std::vector<GifFrameSlice> frames;
    GifFrameSlice frame;
    while (walk.ExtractNextFrame(frame))
        frames.push_back(frame);
    return frames;
}

Bytes FrameGif(const CGifBlockWalk& walk, const GifFrameSlice& frame) {
    Bytes gif(walk.FrameGifSize(frame));
    walk.WriteFrameGif(frame, gif.data());
    return gif;
}

bool Contains(const Bytes& haystack, const std::string& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// Three frames: red without a control extension, green with one, blue at an
// offset with a comment between its control extension and its image.
GifBuilder ThreeFrames() {
    GifBuilder gif("GIF89a", 20, 10, kPalette);
    gif.Looping().Comment("before any frame");
    gif.Image(0, 0, 20, 10, 1);
    gif.Control(25, 1).Image(0, 0, 20, 10, 2);
    gif.Control(7, 2).Comment("inside frame three").Image(5, 2, 8, 4, 3);
    return gif;
}

TEST(GifWalk, OnlyVersions87aAnd89aAreSplit) {
    for (const char* version : {"GIF87a", "GIF89a"}) {
        GifBuilder gif(version, 3, 2, kPalette);
        const Bytes data = gif.Image(0, 0, 3, 2, 1).Image(0, 0, 3, 2, 2).Trailer().Bytes();
        const ExactCopy walkData(data);
        CGifBlockWalk walk(walkData.data(), walkData.size());
        EXPECT_TRUE(walk.IsGif()) << version;
        EXPECT_EQ(walk.ScreenWidth(), 3);
        EXPECT_EQ(walk.ScreenHeight(), 2);
        EXPECT_EQ(walk.GlobalColourTableSize(), 12u);
        EXPECT_EQ(walk.CountGraphicBlocks(), 2) << version;
    }
    for (const char* version : {"GIF88a", "GIF90a", "gif89a", "GIF89b", "BM6\0\0\0"}) {
        GifBuilder gif(version, 3, 2, kPalette);
        const Bytes data = gif.Image(0, 0, 3, 2, 1).Image(0, 0, 3, 2, 2).Trailer().Bytes();
        const ExactCopy walkData(data);
        CGifBlockWalk walk(walkData.data(), walkData.size());
        EXPECT_FALSE(walk.IsGif()) << version;
        GifFrameSlice frame;
        EXPECT_EQ(walk.CountGraphicBlocks(), 0);
        EXPECT_FALSE(walk.ExtractNextFrame(frame));
    }
}

TEST(GifWalk, DataShorterThanHeaderAndGlobalTableIsNoGif) {
    const std::vector<std::uint32_t> full(256, 0x808080);
    const Bytes header = GifBuilder("GIF89a", 4, 4, full).Bytes();
    ASSERT_EQ(header.size(), 13u + 768u);
    for (std::size_t nSize :
         {std::size_t{0}, std::size_t{6}, std::size_t{12}, std::size_t{13}, header.size() - 1})
        EXPECT_FALSE(CGifBlockWalk(ExactCopy(header, nSize).data(), nSize).IsGif()) << nSize;
    EXPECT_FALSE(CGifBlockWalk(nullptr, 100).IsGif());

    // Exactly the prefix: a GIF, but one with nothing to show.
    const ExactCopy bareData(header);
    CGifBlockWalk bare(bareData.data(), bareData.size());
    EXPECT_TRUE(bare.IsGif());
    EXPECT_EQ(bare.PrefixSize(), header.size());
    EXPECT_EQ(bare.CountGraphicBlocks(), 0);
}

TEST(GifWalk, OneImageWithLoopingExtensionIsOneGraphicBlock) {
    GifBuilder gif("GIF89a", 6, 6, kPalette);
    const Bytes data = gif.Looping().Control(10, 0).Image(0, 0, 6, 6, 2).Trailer().Bytes();
    const ExactCopy walkData(data);
    CGifBlockWalk walk(walkData.data(), walkData.size());
    EXPECT_EQ(walk.CountGraphicBlocks(), 1);
    EXPECT_EQ(walk.Offset(), walk.PrefixSize()); // rewound for extraction
}

TEST(GifWalk, FramesCarryDelayDisposalAndGeometry) {
    const Bytes data = ThreeFrames().Trailer().Bytes();
    const ExactCopy walkData(data);
    CGifBlockWalk walk(walkData.data(), walkData.size());
    ASSERT_EQ(walk.CountGraphicBlocks(), 3);
    const std::vector<GifFrameSlice> frames = AllFrames(walk);
    ASSERT_EQ(frames.size(), 3u);

    EXPECT_EQ(frames[0].nDelay, GifFrameSlice::kNoDelay); // no control extension
    EXPECT_EQ(frames[0].nDisposal, 0);
    EXPECT_EQ(frames[1].nDelay, 25u);
    EXPECT_EQ(frames[1].nDisposal, 1);
    EXPECT_EQ(frames[2].nDelay, 7u);
    EXPECT_EQ(frames[2].nDisposal, 2);
    EXPECT_EQ((std::vector<int>{frames[2].nLeft, frames[2].nTop, frames[2].nWidth, frames[2].nHeight}),
              (std::vector<int>{5, 2, 8, 4}));
    EXPECT_EQ((std::vector<int>{frames[0].nLeft, frames[0].nTop, frames[0].nWidth, frames[0].nHeight}),
              (std::vector<int>{0, 0, 20, 10}));
}

TEST(GifWalk, DisposalIsBitsTwoToFourAndDelayIsLittleEndian) {
    // Packed 0xEF: reserved bits, user input and transparency set around
    // disposal 3. Delay 0x1234.
    const Bytes data = GifBuilder("GIF89a", 2, 2, kPalette)
                           .Raw({0x21, 0xF9, 0x04, 0xEF, 0x34, 0x12, 0x00, 0x00})
                           .Image(0, 0, 2, 2, 1)
                           .Image(0, 0, 2, 2, 1)
                           .Trailer()
                           .Bytes();
    const ExactCopy walkData(data);
    CGifBlockWalk walk(walkData.data(), walkData.size());
    GifFrameSlice frame;
    ASSERT_TRUE(walk.ExtractNextFrame(frame));
    EXPECT_EQ(frame.nDisposal, 3);
    EXPECT_EQ(frame.nDelay, 0x1234u);
}

TEST(GifWalk, FrameBytesRunFromItsControlExtensionThroughItsImage) {
    const Bytes data = ThreeFrames().Trailer().Bytes();
    const ExactCopy walkData(data);
    CGifBlockWalk walk(walkData.data(), walkData.size());
    const std::vector<GifFrameSlice> frames = AllFrames(walk);
    ASSERT_EQ(frames.size(), 3u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Bytes gif = FrameGif(walk, frames[i]);
        EXPECT_EQ(OneImageGifProblem(gif), "") << "frame " << i;
        EXPECT_EQ(gif.size(), walk.PrefixSize() + frames[i].nLength + 1);
        EXPECT_TRUE(
            std::equal(data.begin(), data.begin() + static_cast<long>(walk.PrefixSize()), gif.begin()));
        EXPECT_TRUE(std::equal(gif.begin() + static_cast<long>(walk.PrefixSize()), gif.end() - 1,
                               data.begin() + static_cast<long>(frames[i].nStart)));
        EXPECT_EQ(gif.back(), 0x3B);
        // Extensions ahead of the first graphic block belong to no frame.
        EXPECT_FALSE(Contains(gif, "before any frame"));
        EXPECT_FALSE(Contains(gif, "NETSCAPE2.0"));
    }
    // Frames follow each other without gaps after the first.
    EXPECT_EQ(frames[1].nStart, frames[0].nStart + frames[0].nLength);
    EXPECT_EQ(frames[2].nStart, frames[1].nStart + frames[1].nLength);
    EXPECT_EQ(data[frames[1].nStart + 1], 0xF9);
    // The comment between frame three's control extension and its image
    // travels with that frame only.
    EXPECT_TRUE(Contains(FrameGif(walk, frames[2]), "inside frame three"));
    EXPECT_FALSE(Contains(FrameGif(walk, frames[1]), "inside frame three"));
}

TEST(GifWalk, DataEndingInsideAFrameKeepsTheCompleteFramesBefore) {
    GifBuilder gif = ThreeFrames();
    const Bytes whole = gif.Trailer().Bytes();
    // Cut inside the image data of frame three, and right after its last
    // data sub-block before the terminating zero.
    for (std::size_t nCut : {whole.size() - 10, whole.size() - 2}) {
        const Bytes data(whole.begin(), whole.begin() + static_cast<long>(nCut));
        const ExactCopy walkData(data);
        CGifBlockWalk walk(walkData.data(), walkData.size());
        EXPECT_EQ(walk.CountGraphicBlocks(), 2) << nCut;
        EXPECT_EQ(AllFrames(walk).size(), 2u) << nCut;
    }
    // Without a trailer the walk still ends cleanly after the last frame.
    const Bytes noTrailer(whole.begin(), whole.end() - 1);
    const ExactCopy walkData(noTrailer);
    CGifBlockWalk walk(walkData.data(), walkData.size());
    EXPECT_EQ(AllFrames(walk).size(), 3u);
}

TEST(GifWalk, ChainRunningPastTheEndEndsTheWalk) {
    // A comment whose sub-block claims 200 bytes where 3 remain.
    GifBuilder gif("GIF89a", 2, 2, kPalette);
    gif.Image(0, 0, 2, 2, 1).Image(0, 0, 2, 2, 2);
    const std::size_t nGood = gif.Bytes().size();
    const Bytes data = gif.Raw({0x21, 0xFE, 200, 'a', 'b', 'c'}).Bytes();
    const ExactCopy walkData(data);
    CGifBlockWalk walk(walkData.data(), walkData.size());
    EXPECT_EQ(walk.CountGraphicBlocks(), 2);
    EXPECT_EQ(AllFrames(walk).size(), 2u);
    EXPECT_EQ(walk.Offset(), nGood);
    EXPECT_FALSE(walk.SkipBlock());
    EXPECT_EQ(walk.Offset(), nGood); // a failed skip stays put

    // A control extension cut short, and an image descriptor cut short.
    for (const Bytes& tail : {Bytes{0x21, 0xF9, 0x04, 0x00}, Bytes{0x2C, 0, 0, 0, 0, 2, 0}, Bytes{0x21}}) {
        Bytes cut = GifBuilder("GIF89a", 2, 2, kPalette).Image(0, 0, 2, 2, 1).Bytes();
        cut.insert(cut.end(), tail.begin(), tail.end());
        const ExactCopy cutWalkData(cut);
        CGifBlockWalk cutWalk(cutWalkData.data(), cutWalkData.size());
        EXPECT_EQ(cutWalk.CountGraphicBlocks(), 1);
    }
}

TEST(GifWalk, UnrecognisedBlockEndsTheWalk) {
    for (const Bytes& odd : {Bytes{0x21, 0x77, 0x00}, Bytes{0x99}, Bytes{0x00}}) {
        GifBuilder gif("GIF89a", 2, 2, kPalette);
        const Bytes data = gif.Image(0, 0, 2, 2, 1).Raw(odd).Image(0, 0, 2, 2, 2).Trailer().Bytes();
        const ExactCopy walkData(data);
        CGifBlockWalk walk(walkData.data(), walkData.size());
        EXPECT_EQ(walk.CountGraphicBlocks(), 1);
        EXPECT_EQ(AllFrames(walk).size(), 1u);
    }
}

TEST(GifWalk, ControlExtensionWithoutImageBeforeTheTrailerIsNoFrame) {
    GifBuilder gif("GIF89a", 2, 2, kPalette);
    const Bytes data = gif.Image(0, 0, 2, 2, 1).Control(5, 1).Comment("dangling").Trailer().Bytes();
    const ExactCopy walkData(data);
    CGifBlockWalk walk(walkData.data(), walkData.size());
    EXPECT_EQ(walk.CountGraphicBlocks(), 1);
    EXPECT_EQ(AllFrames(walk).size(), 1u);
}

TEST(GifWalk, PlainTextFrameTakesItsTextGrid) {
    GifBuilder gif("GIF89a", 40, 30, kPalette);
    const Bytes data =
        gif.Image(0, 0, 40, 30, 1).Control(50, 2).PlainText(4, 6, 24, 16, "Hi").Trailer().Bytes();
    const ExactCopy walkData(data);
    CGifBlockWalk walk(walkData.data(), walkData.size());
    EXPECT_EQ(walk.CountGraphicBlocks(), 2);
    const std::vector<GifFrameSlice> frames = AllFrames(walk);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ((std::vector<int>{frames[1].nLeft, frames[1].nTop, frames[1].nWidth, frames[1].nHeight}),
              (std::vector<int>{4, 6, 24, 16}));
    EXPECT_EQ(frames[1].nDelay, 50u);
    EXPECT_EQ(frames[1].nDisposal, 2);
}

struct Sample {
    const char* name;
    int nFrames;
};

Bytes ReadSample(const char* name) {
    std::ifstream file(std::string(WXB_GIF_SAMPLES) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(GifWalk, ImageMagickGifsSplitIntoValidFrames) {
    const Sample samples[] = {
        {"animated_loop.gif", 3},       {"interlaced.gif", 2},    {"local_tables.gif", 3}, {"comment.gif", 2},
        {"transparent_offsets.gif", 3}, {"still_looping.gif", 1}, {"still87.gif", 1}};
    for (const Sample& sample : samples) {
        const Bytes data = ReadSample(sample.name);
        ASSERT_FALSE(data.empty()) << sample.name;
        const ExactCopy walkData(data);
        CGifBlockWalk walk(walkData.data(), walkData.size());
        ASSERT_TRUE(walk.IsGif()) << sample.name;
        EXPECT_EQ(walk.CountGraphicBlocks(), sample.nFrames) << sample.name;
        const std::vector<GifFrameSlice> frames = AllFrames(walk);
        EXPECT_EQ(static_cast<int>(frames.size()), sample.nFrames) << sample.name;
        for (const GifFrameSlice& frame : frames)
            EXPECT_EQ(OneImageGifProblem(FrameGif(walk, frame)), "") << sample.name;
    }
    // Positions and sizes as ImageMagick's identify reports them.
    const Bytes offsets = ReadSample("transparent_offsets.gif");
    const ExactCopy walkData(offsets);
    CGifBlockWalk walk(walkData.data(), walkData.size());
    const std::vector<GifFrameSlice> frames = AllFrames(walk);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ((std::vector<int>{frames[1].nLeft, frames[1].nTop, frames[1].nWidth, frames[1].nHeight}),
              (std::vector<int>{2, 3, 8, 6}));
    EXPECT_EQ((std::vector<int>{frames[2].nLeft, frames[2].nTop, frames[2].nWidth, frames[2].nHeight}),
              (std::vector<int>{10, 9, 6, 8}));
    EXPECT_EQ(frames[2].nDelay, 7u);
    EXPECT_EQ(frames[2].nDisposal, 2);
}

} // namespace
