#include "skin/shape_button.h"

#include "skin/bitmap_region.h"
#include "skin/resource_bitmap.h"

#include <commctrl.h>

void CShapeButton::SetShapeBitmap(UINT nID, BOOL bApply) {
    if (!bApply)
        return;
    // Pure white is cut away; without a region the button stays rectangular.
    SetWindowRegionFromBitmap(m_hWnd, LoadResourceBitmap(nID).get(), 0x00FFFFFF, 0);
}

void CShapeButton::SetMaskBitmap(UINT nID, BOOL bMaskedDrawing) {
    m_bMaskedDrawing = bMaskedDrawing != FALSE;
    m_bmpMask = LoadResourceBitmap(nID);
}

void CShapeButton::SetStateBitmaps(UINT nHoverID, UINT nNormalID, UINT nPressedID, UINT nSpareID) {
    m_bmpNormal = LoadResourceBitmap(nNormalID);
    m_bmpPressed = LoadResourceBitmap(nPressedID);
    m_bmpSpare = LoadResourceBitmap(nSpareID);
    m_bmpHover = LoadResourceBitmap(nHoverID);
    if (!m_bmpNormal)
        return;
    const SIZE size = BitmapSize(m_bmpNormal.get());
    SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CShapeButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message != WM_DRAWITEM)
        return CButton::OnChildNotify(message, wParam, lParam, pResult);
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    *pResult = TRUE;
    return TRUE;
}

void CShapeButton::PreSubclassWindow() {
    CButton::PreSubclassWindow();
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(GetStyle() | BS_OWNERDRAW));
}

LRESULT CShapeButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
        OnMouseMove();
        break;
    case WM_MOUSEHOVER:
        m_bHovering = true;
        Invalidate(TRUE);
        return 0;
    case WM_MOUSELEAVE:
        m_bHovering = false;
        m_bTracking = false;  // the next move asks again
        Invalidate(FALSE);
        return 0;
    case WM_ERASEBKGND:
        return TRUE;  // the pictures cover the button
    }
    return CButton::WindowProc(message, wParam, lParam);
}

void CShapeButton::OnMouseMove() {
    if (m_bTracking)
        return;
    TRACKMOUSEEVENT request{sizeof request, TME_HOVER | TME_LEAVE, m_hWnd, 1};
    m_bTracking = ::_TrackMouseEvent(&request) != FALSE;
}

void CShapeButton::DrawItem(const DRAWITEMSTRUCT& dis) {
    const int width = dis.rcItem.right - dis.rcItem.left;
    const int height = dis.rcItem.bottom - dis.rcItem.top;
    {
        SavedDCState saved(dis.hDC);
        DrawPicture(dis.hDC, m_bHovering ? m_bmpHover.get() : m_bmpNormal.get(), width, height);
    }
    if (dis.itemState & ODS_SELECTED)
        DrawPicture(dis.hDC, m_bmpPressed.get(), width, height);
}

// Through the mask: OR-ing the inverted mask whitens where the mask is black,
// so the AND with the picture shows the picture there and background AND
// picture where the mask is white.
void CShapeButton::DrawPicture(HDC hDC, HBITMAP picture, int width, int height) {
    if (!picture)
        return;
    MemoryDC source(::CreateCompatibleDC(hDC));
    const bool masked = m_bMaskedDrawing && m_bmpMask;
    if (masked) {
        SelectObjectScope select(source.get(), m_bmpMask.get());
        ::BitBlt(hDC, 0, 0, width, height, source.get(), 0, 0, MERGEPAINT);
    }
    SelectObjectScope select(source.get(), picture);
    ::BitBlt(hDC, 0, 0, width, height, source.get(), 0, 0, masked ? SRCAND : SRCCOPY);
}
