#include "tests/skin/gif_builder.h"

#include <algorithm>

namespace {

// Packs codes of a fixed width, least significant bit first.
class CodeWriter {
public:
    explicit CodeWriter(int nWidth) : m_nWidth(nWidth) {}
    void Put(unsigned nCode) {
        m_nBits |= static_cast<std::uint32_t>(nCode) << m_nCount;
        m_nCount += m_nWidth;
        while (m_nCount >= 8) {
            m_out.push_back(static_cast<std::uint8_t>(m_nBits));
            m_nBits >>= 8;
            m_nCount -= 8;
        }
    }
    std::vector<std::uint8_t> Finish() {
        if (m_nCount > 0)
            m_out.push_back(static_cast<std::uint8_t>(m_nBits));
        return m_out;
    }

private:
    int m_nWidth;
    std::uint32_t m_nBits = 0;
    int m_nCount = 0;
    std::vector<std::uint8_t> m_out;
};

} // namespace

int ColourTableBits(std::size_t nColours) {
    int n = 0;
    while ((std::size_t{2} << n) < nColours)
        ++n;
    return n;
}

GifBuilder::GifBuilder(const char* version, int nWidth, int nHeight,
                       const std::vector<std::uint32_t>& colours) {
    m_bytes.assign(version, version + 6);
    Word(nWidth);
    Word(nHeight);
    m_bytes.push_back(colours.empty() ? 0
                                      : static_cast<std::uint8_t>(0x80 | ColourTableBits(colours.size())));
    m_bytes.push_back(0); // background index
    m_bytes.push_back(0); // aspect ratio
    ColourTable(colours);
}

GifBuilder& GifBuilder::Looping() {
    const std::string id = "NETSCAPE2.0";
    m_bytes.insert(m_bytes.end(), {0x21, 0xFF, 0x0B});
    m_bytes.insert(m_bytes.end(), id.begin(), id.end());
    m_bytes.insert(m_bytes.end(), {0x03, 0x01, 0x00, 0x00, 0x00});
    return *this;
}

GifBuilder& GifBuilder::Comment(const std::string& text) {
    m_bytes.insert(m_bytes.end(), {0x21, 0xFE});
    SubBlocks(std::vector<std::uint8_t>(text.begin(), text.end()));
    return *this;
}

GifBuilder& GifBuilder::Control(int nDelay, int nDisposal, int nTransparentIndex) {
    m_bytes.insert(m_bytes.end(), {0x21, 0xF9, 0x04});
    m_bytes.push_back(static_cast<std::uint8_t>((nDisposal << 2) | (nTransparentIndex >= 0 ? 1 : 0)));
    Word(nDelay);
    m_bytes.push_back(static_cast<std::uint8_t>(nTransparentIndex >= 0 ? nTransparentIndex : 0));
    m_bytes.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::Image(int nLeft, int nTop, int nWidth, int nHeight, int nIndex,
                              const std::vector<std::uint32_t>& localColours) {
    m_bytes.push_back(0x2C);
    Word(nLeft);
    Word(nTop);
    Word(nWidth);
    Word(nHeight);
    m_bytes.push_back(
        localColours.empty() ? 0 : static_cast<std::uint8_t>(0x80 | ColourTableBits(localColours.size())));
    ColourTable(localColours);

    const int nMinCodeSize = 8;
    const unsigned nClear = 1u << nMinCodeSize;
    // After a clear the table gains one entry per code but the first; the
    // code width stays nMinCodeSize + 1 while fewer than nClear - 1 codes
    // follow.
    const int nLiteralsPerClear = static_cast<int>(nClear) - 2;
    CodeWriter codes(nMinCodeSize + 1);
    const long nPixels = static_cast<long>(nWidth) * nHeight;
    for (long i = 0; i < nPixels; ++i) {
        if (i % nLiteralsPerClear == 0)
            codes.Put(nClear);
        codes.Put(static_cast<unsigned>(nIndex));
    }
    codes.Put(nClear + 1);
    m_bytes.push_back(nMinCodeSize);
    SubBlocks(codes.Finish());
    return *this;
}

GifBuilder& GifBuilder::PlainText(int nLeft, int nTop, int nWidth, int nHeight, const std::string& text) {
    m_bytes.insert(m_bytes.end(), {0x21, 0x01, 0x0C});
    Word(nLeft);
    Word(nTop);
    Word(nWidth);
    Word(nHeight);
    m_bytes.insert(m_bytes.end(), {8, 8, 1, 0}); // cell size, foreground, background
    SubBlocks(std::vector<std::uint8_t>(text.begin(), text.end()));
    return *this;
}

GifBuilder& GifBuilder::Raw(const std::vector<std::uint8_t>& bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

GifBuilder& GifBuilder::Trailer() {
    m_bytes.push_back(0x3B);
    return *this;
}

void GifBuilder::Word(int nValue) {
    m_bytes.push_back(static_cast<std::uint8_t>(nValue & 0xFF));
    m_bytes.push_back(static_cast<std::uint8_t>((nValue >> 8) & 0xFF));
}

void GifBuilder::ColourTable(const std::vector<std::uint32_t>& colours) {
    if (colours.empty())
        return;
    const std::size_t nEntries = std::size_t{2} << ColourTableBits(colours.size());
    for (std::size_t i = 0; i < nEntries; ++i) {
        const std::uint32_t rgb = i < colours.size() ? colours[i] : 0;
        m_bytes.push_back(static_cast<std::uint8_t>(rgb >> 16));
        m_bytes.push_back(static_cast<std::uint8_t>(rgb >> 8));
        m_bytes.push_back(static_cast<std::uint8_t>(rgb));
    }
}

void GifBuilder::SubBlocks(const std::vector<std::uint8_t>& data) {
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        m_bytes.push_back(static_cast<std::uint8_t>(n));
        m_bytes.insert(m_bytes.end(), data.begin() + static_cast<long>(i),
                       data.begin() + static_cast<long>(i + n));
    }
    m_bytes.push_back(0);
}
