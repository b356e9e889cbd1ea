// Writes 24-bit BMP files for the tests, pixel by pixel.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// A bottom-up 24-bit BMP of width × height whose pixel (x, y), counted from
// the top-left, has the colour colourAt(x, y) (0xRRGGBB).
std::vector<std::uint8_t> BmpFile(int width, int height,
                                  const std::function<std::uint32_t(int, int)>& colourAt);
