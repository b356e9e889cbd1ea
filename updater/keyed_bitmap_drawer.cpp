#include "updater/keyed_bitmap_drawer.h"

#include "framework/handles.h"

void CKeyedBitmapDrawer::DrawKeyedBitmap(HDC hTarget, int x, int y, int width, int height, HDC hSource,
                                         int srcX, int srcY, int srcWidth, int srcHeight,
                                         COLORREF key) const {
    UniqueBitmap image(CreateCompatibleBitmap(hTarget, width, height));
    UniqueBitmap mask(CreateBitmap(width, height, 1, 1, nullptr));
    MemoryDC imageDC(CreateCompatibleDC(hTarget));
    MemoryDC maskDC(CreateCompatibleDC(hTarget));
    if (!image || !mask || !imageDC || !maskDC)
        return;
    SelectObjectScope imageSel(imageDC.get(), image.get());
    SelectObjectScope maskSel(maskDC.get(), mask.get());

    if (width == srcWidth && height == srcHeight)
        BitBlt(imageDC.get(), 0, 0, width, height, hSource, srcX, srcY, SRCCOPY);
    else
        StretchBlt(imageDC.get(), 0, 0, width, height, hSource, srcX, srcY, srcWidth, srcHeight, SRCCOPY);

    // Colour to monochrome: pixels of the background colour become white.
    SetBkColor(imageDC.get(), key);
    BitBlt(maskDC.get(), 0, 0, width, height, imageDC.get(), 0, 0, SRCCOPY);

    // Key pixels of the image turn black, so they add nothing below.
    SetBkColor(imageDC.get(), RGB(0, 0, 0));
    SetTextColor(imageDC.get(), RGB(255, 255, 255));
    BitBlt(imageDC.get(), 0, 0, width, height, maskDC.get(), 0, 0, SRCAND);

    // The target keeps its pixels under the key and turns black elsewhere;
    // the image then fills the black.
    const COLORREF oldBk = SetBkColor(hTarget, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(hTarget, RGB(0, 0, 0));
    BitBlt(hTarget, x, y, width, height, maskDC.get(), 0, 0, SRCAND);
    BitBlt(hTarget, x, y, width, height, imageDC.get(), 0, 0, SRCPAINT);
    SetBkColor(hTarget, oldBk);
    SetTextColor(hTarget, oldText);
}
