// Frames cut out by the GIF walk, decoded by the system picture loader the
// way the animated picture control loads them: a fixed global block, a
// stream over it that frees it, OleLoadPicture.
//
// Wine's loader gives a frame's picture the size of the frame's own image,
// not the logical screen size the frame GIF declares; the control renders
// each frame at the frame's own rectangle, which fits. The tests check that
// size.
#include "skin/gif_frames.h"

#include "framework/handles.h"
#include "skin/dib_section.h"
#include "tests/skin/gif_builder.h"

#include <olectl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Decoded {
    ComPtr<IPicture> picture;
    SIZE pixels{};
};

// Loads one frame as the control does; an empty picture when the loader
// refuses it.
Decoded LoadFrame(const CGifBlockWalk& walk, const GifFrameSlice& frame) {
    Decoded decoded;
    const std::size_t nSize = walk.FrameGifSize(frame);
    HGLOBAL hBlock = GlobalAlloc(0, nSize);
    if (!hBlock)
        return decoded;
    walk.WriteFrameGif(frame, static_cast<std::uint8_t*>(GlobalLockScope(hBlock).get()));
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(hBlock, TRUE, stream.put()))) {
        GlobalFree(hBlock);
        return decoded;
    }
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(nSize), FALSE, IID_IPicture,
                              decoded.picture.put_void())))
        return decoded;
    OLE_XSIZE_HIMETRIC nWidth = 0;
    OLE_YSIZE_HIMETRIC nHeight = 0;
    decoded.picture->get_Width(&nWidth);
    decoded.picture->get_Height(&nHeight);
    WindowDC screen(nullptr);
    decoded.pixels.cx = MulDiv(nWidth, GetDeviceCaps(screen.get(), LOGPIXELSX), 2540);
    decoded.pixels.cy = MulDiv(nHeight, GetDeviceCaps(screen.get(), LOGPIXELSY), 2540);
    return decoded;
}

// Renders the picture over a grey 32-bit canvas and returns the colour
// (0xRRGGBB) at its centre.
std::uint32_t RenderedCentreColour(const Decoded& decoded) {
    void* pBits = nullptr;
    MemoryDC dc(CreateCompatibleDC(nullptr));
    UniqueBitmap canvas(Create32BitDibSection(dc.get(), decoded.pixels.cx, -decoded.pixels.cy, &pBits));
    SelectObjectScope selection(dc.get(), canvas.get());
    std::memset(pBits, 0x80, 4 * static_cast<std::size_t>(decoded.pixels.cx) * decoded.pixels.cy);
    OLE_XSIZE_HIMETRIC nWidth = 0;
    OLE_YSIZE_HIMETRIC nHeight = 0;
    decoded.picture->get_Width(&nWidth);
    decoded.picture->get_Height(&nHeight);
    EXPECT_EQ(decoded.picture->Render(dc.get(), 0, 0, decoded.pixels.cx, decoded.pixels.cy, 0, nHeight,
                                      nWidth, -nHeight, nullptr),
              S_OK);
    GdiFlush();
    const int x = decoded.pixels.cx / 2, y = decoded.pixels.cy / 2;
    return static_cast<const std::uint32_t*>(pBits)[y * decoded.pixels.cx + x] & 0xFFFFFF;
}

Bytes ReadSample(const char* name) {
    std::ifstream file(std::string(WXB_GIF_SAMPLES) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class GifFramePicture : public ::testing::Test {
    OleInitScope m_ole;
};

TEST_F(GifFramePicture, EveryFrameDecodesAtItsSizeWithItsOwnColours) {
    // Frame 3 brings a local colour table whose index 1 differs from the
    // global one; frame 2 comes with a comment inside it.
    GifBuilder gif("GIF89a", 40, 24, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
    gif.Looping().Comment("ahead of the frames").Image(0, 0, 40, 24, 1);
    gif.Control(10, 1).Comment("in frame two").Image(0, 0, 40, 24, 2);
    gif.Control(10, 2).Image(10, 6, 20, 12, 1, {0x000000, 0xFFFF00});
    const Bytes data = gif.Trailer().Bytes();

    CGifBlockWalk walk(data.data(), data.size());
    ASSERT_EQ(walk.CountGraphicBlocks(), 3);
    const std::uint32_t expected[3] = {0xFF0000, 0x00FF00, 0xFFFF00};
    GifFrameSlice frame;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(walk.ExtractNextFrame(frame));
        const Decoded decoded = LoadFrame(walk, frame);
        ASSERT_TRUE(decoded.picture) << "frame " << i;
        EXPECT_EQ(decoded.pixels.cx, frame.nWidth);
        EXPECT_EQ(decoded.pixels.cy, frame.nHeight);
        EXPECT_EQ(RenderedCentreColour(decoded), expected[i]) << "frame " << i;
    }
    EXPECT_FALSE(walk.ExtractNextFrame(frame));
}

TEST_F(GifFramePicture, ImageMagickFramesDecode) {
    // Interlaced frames, local colour tables, transparency, offsets and
    // extensions inside frames, as an image editor writes them.
    for (const char* name : {"animated_loop.gif", "interlaced.gif", "local_tables.gif", "comment.gif",
                             "transparent_offsets.gif"}) {
        const Bytes data = ReadSample(name);
        CGifBlockWalk walk(data.data(), data.size());
        ASSERT_GE(walk.CountGraphicBlocks(), 2) << name;
        GifFrameSlice frame;
        int nFrames = 0;
        while (walk.ExtractNextFrame(frame)) {
            const Decoded decoded = LoadFrame(walk, frame);
            ASSERT_TRUE(decoded.picture) << name << " frame " << nFrames;
            EXPECT_EQ(decoded.pixels.cx, frame.nWidth) << name;
            EXPECT_EQ(decoded.pixels.cy, frame.nHeight) << name;
            ++nFrames;
        }
        EXPECT_EQ(nFrames, walk.CountGraphicBlocks()) << name;
    }

    const Bytes data = ReadSample("animated_loop.gif");
    CGifBlockWalk walk(data.data(), data.size());
    GifFrameSlice frame;
    for (std::uint32_t colour : {0xFF0000u, 0x00FF00u, 0x0000FFu}) {
        ASSERT_TRUE(walk.ExtractNextFrame(frame));
        EXPECT_EQ(RenderedCentreColour(LoadFrame(walk, frame)), colour);
    }
}

} // namespace
