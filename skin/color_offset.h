// Brightening and darkening of colour values without changing their hue.
#pragma once

#include <cstdint>

// Adds one amount to the red, green and blue bytes of a colour value
// (0x00BBGGRR): offset, reduced in size just enough that no byte leaves
// 0..255. Offsets are expected within -255..255. The top byte is kept.
std::uint32_t OffsetColorBytes(std::uint32_t color, int offset);
