// CKeyedBitmapDrawer: draws a bitmap with one colour left out, by the
// classic mask blits, so it works on any device context.
#pragma once

#include <windows.h>

class CKeyedBitmapDrawer {
public:
    // Draws the source rectangle (stretched when the sizes differ) at the
    // destination; pixels of the key colour leave the target as it was.
    void DrawKeyedBitmap(HDC hTarget, int x, int y, int width, int height, HDC hSource, int srcX, int srcY,
                         int srcWidth, int srcHeight, COLORREF key) const;
};
