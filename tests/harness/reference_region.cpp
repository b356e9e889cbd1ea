#include "tests/harness/reference_region.h"

#include <vector>

namespace harness {

UniqueRegion ReferenceRegion(int nWidth, int nHeight, const std::function<bool(int x, int y)>& kept) {
    UniqueRegion result(::CreateRectRgn(0, 0, 0, 0));
    for (int y = 0; y < nHeight; ++y) {
        for (int x = 0; x < nWidth;) {
            if (!kept(x, y)) {
                ++x;
                continue;
            }
            const int x0 = x;
            while (x < nWidth && kept(x, y))
                ++x;
            UniqueRegion run(::CreateRectRgn(x0, y, x, y + 1));
            ::CombineRgn(result.get(), result.get(), run.get(), RGN_OR);
        }
    }
    return result;
}

UniqueRegion ReferenceRegionOfMask(HBITMAP mask) {
    BITMAP info{};
    ::GetObjectA(mask, sizeof info, &info);
    const int width = info.bmWidth;
    const int height = info.bmHeight;
    // Read as top-down 32-bit pixels, whatever the mask's own format.
    BITMAPINFOHEADER header{sizeof header, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    MemoryDC dc(::CreateCompatibleDC(nullptr));
    ::GetDIBits(dc.get(), mask, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    return ReferenceRegion(width, height,
                           [&](int x, int y) { return (pixels[y * width + x] & 0xFFFFFF) != 0xFFFFFF; });
}

}  // namespace harness
