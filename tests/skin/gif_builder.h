// Writes small GIF files for the tests, block by block. Image data is coded
// with literal LZW codes only and a clear code before the code width would
// grow, which every decoder reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class GifBuilder {
public:
    // `version` is the six-byte header ("GIF89a"); `colours` (0xRRGGBB) form
    // the global colour table, none when empty.
    GifBuilder(const char* version, int nWidth, int nHeight, const std::vector<std::uint32_t>& colours);

    GifBuilder& Looping();
    GifBuilder& Comment(const std::string& text);
    GifBuilder& Control(int nDelay, int nDisposal, int nTransparentIndex = -1);
    // One image filled with colour index `nIndex`; `localColours` gives it a
    // local colour table.
    GifBuilder& Image(int nLeft, int nTop, int nWidth, int nHeight, int nIndex,
                      const std::vector<std::uint32_t>& localColours = {});
    GifBuilder& PlainText(int nLeft, int nTop, int nWidth, int nHeight, const std::string& text);
    GifBuilder& Raw(const std::vector<std::uint8_t>& bytes);
    GifBuilder& Trailer();

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    void Word(int nValue);
    void ColourTable(const std::vector<std::uint32_t>& colours);
    void SubBlocks(const std::vector<std::uint8_t>& data);

    std::vector<std::uint8_t> m_bytes;
};

// Packed-fields size bits n of a colour table with at least `nColours`
// entries (2^(n+1) entries).
int ColourTableBits(std::size_t nColours);
