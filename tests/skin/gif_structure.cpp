#include "tests/skin/gif_structure.h"

#include <cstring>

namespace {

std::size_t TableSize(std::uint8_t packed) {
    return (packed & 0x80) ? std::size_t{3} << ((packed & 7) + 1) : 0;
}

// Moves `at` past a sub-block chain; false when it runs off the end.
bool PassSubBlocks(const std::vector<std::uint8_t>& gif, std::size_t& at) {
    while (at < gif.size()) {
        const std::size_t n = gif[at];
        at += n + 1;
        if (n == 0)
            return true;
    }
    return false;
}

} // namespace

std::string OneImageGifProblem(const std::vector<std::uint8_t>& gif) {
    if (gif.size() < 13 ||
        (std::memcmp(gif.data(), "GIF87a", 6) != 0 && std::memcmp(gif.data(), "GIF89a", 6) != 0))
        return "no GIF header";
    std::size_t at = 13 + TableSize(gif[10]);
    int nImages = 0;
    while (at < gif.size()) {
        switch (gif[at]) {
        case 0x3B:
            if (nImages != 1)
                return "holds " + std::to_string(nImages) + " images";
            return at + 1 == gif.size() ? "" : "bytes after the trailer";
        case 0x21:
            at += 2;
            if (!PassSubBlocks(gif, at))
                return "extension runs past the end";
            break;
        case 0x2C: {
            if (at + 11 > gif.size() || at + 11 + TableSize(gif[at + 9]) > gif.size())
                return "image descriptor cut short";
            const std::size_t nCodeSizeAt = at + 10 + TableSize(gif[at + 9]);
            if (gif[nCodeSizeAt] < 2 || gif[nCodeSizeAt] > 8)
                return "bad LZW code size";
            at = nCodeSizeAt + 1;
            if (!PassSubBlocks(gif, at))
                return "image data runs past the end";
            ++nImages;
            break;
        }
        default:
            return "unknown block at " + std::to_string(at);
        }
    }
    return "no trailer";
}
