#include "skin/color_offset.h"

#include <algorithm>

std::uint32_t OffsetColorBytes(std::uint32_t color, int offset) {
    const int red = static_cast<int>(color & 0xFF);
    const int green = static_cast<int>((color >> 8) & 0xFF);
    const int blue = static_cast<int>((color >> 16) & 0xFF);
    int amount = offset;
    if (offset > 0)
        amount = std::min({offset, 255 - red, 255 - green, 255 - blue});
    else if (offset < 0)
        amount = std::max({offset, -red, -green, -blue});
    return (color & 0xFF000000u) | static_cast<std::uint32_t>(blue + amount) << 16 |
           static_cast<std::uint32_t>(green + amount) << 8 | static_cast<std::uint32_t>(red + amount);
}
