// An independent reading of GIF block structure, to check the GIFs the walk
// cuts out: every extension read generically as label plus sub-blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Empty when `gif` is a well-formed GIF with exactly one image and the
// trailer as its last byte; otherwise what is wrong with it.
std::string OneImageGifProblem(const std::vector<std::uint8_t>& gif);
