#include "skin/dib_section.h"

HBITMAP Create32BitDibSection(HDC dc, int nWidth, int nHeight, void** ppBits) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = nWidth;
    header.biHeight = nHeight;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS, ppBits, nullptr,
                            0);
}
