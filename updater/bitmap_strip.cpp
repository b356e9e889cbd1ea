#include "updater/bitmap_strip.h"

#include "skin/resource_bitmap.h"

void CBitmapStrip::LoadFromResource(UINT nID, int frameCount) {
    Take(nullptr, frameCount);
    Take(LoadResourceBitmap(nID).release(), frameCount);
}

void CBitmapStrip::LoadFromFile(const std::string& path, int frameCount) {
    Take(nullptr, frameCount);
    Take(static_cast<HBITMAP>(
             LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)),
         frameCount);
}

void CBitmapStrip::Take(HBITMAP hBitmap, int frameCount) {
    m_bitmap.reset(hBitmap);
    m_info = BITMAP{};
    m_nFrameWidth = 0;
    if (m_bitmap && GetObjectA(m_bitmap.get(), sizeof m_info, &m_info) && frameCount > 0)
        m_nFrameWidth = m_info.bmWidth / frameCount;
}

SIZE CBitmapStrip::FrameSize() const {
    return SIZE{m_nFrameWidth, m_info.bmHeight};
}

void CBitmapStrip::DrawFrame(HDC hDC, int left, int top, int index) const {
    if (!m_bitmap || m_nFrameWidth == 0)
        return;
    MemoryDC memory(CreateCompatibleDC(hDC));
    if (!memory)
        return;
    SelectObjectScope select(memory.get(), m_bitmap.get());
    m_drawer.DrawKeyedBitmap(hDC, left, top, m_nFrameWidth, m_info.bmHeight, memory.get(),
                             index * m_nFrameWidth, 0, m_nFrameWidth, m_info.bmHeight, kKeyColour);
}
