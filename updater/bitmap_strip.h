// CBitmapStrip: a bitmap of equal frames side by side, drawn one frame at a
// time with magenta as the transparent colour.
#pragma once

#include "framework/handles.h"
#include "updater/keyed_bitmap_drawer.h"

#include <windows.h>

#include <string>

class CBitmapStrip {
public:
    // Each load drops the previous bitmap. A failed load leaves an empty
    // strip: a 0 × 0 frame that draws nothing.
    void LoadFromResource(UINT nID, int frameCount);
    void LoadFromFile(const std::string& path, int frameCount);

    SIZE FrameSize() const;
    void DrawFrame(HDC hDC, int left, int top, int index) const;

    // Pure magenta: the colour of the pixels that are left out.
    static constexpr COLORREF kKeyColour = RGB(255, 0, 255);

private:
    void Take(HBITMAP hBitmap, int frameCount);

    CKeyedBitmapDrawer m_drawer;
    BITMAP m_info{};
    UniqueBitmap m_bitmap;
    int m_nFrameWidth = 0;
};
