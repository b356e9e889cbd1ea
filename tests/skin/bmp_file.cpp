#include "tests/skin/bmp_file.h"

namespace {

void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

std::vector<std::uint8_t> BmpFile(int width, int height,
                                  const std::function<std::uint32_t(int, int)>& colourAt) {
    const std::size_t kFileHeader = 14, kInfoHeader = 40;
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const std::size_t offBits = kFileHeader + kInfoHeader;
    std::vector<std::uint8_t> bytes(offBits + stride * height, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    Put(bytes, 10, static_cast<std::uint32_t>(offBits), 4);
    Put(bytes, 14, static_cast<std::uint32_t>(kInfoHeader), 4);
    Put(bytes, 18, static_cast<std::uint32_t>(width), 4);
    Put(bytes, 22, static_cast<std::uint32_t>(height), 4);
    Put(bytes, 26, 1, 2);  // planes
    Put(bytes, 28, 24, 2); // bits per pixel
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Rows are stored bottom-up, each pixel blue, green, red.
            const std::size_t at = offBits + (height - 1 - y) * stride + x * 3;
            Put(bytes, at, colourAt(x, y), 3);
        }
    return bytes;
}
