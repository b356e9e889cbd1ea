#include "skin/skin_dialog.h"

#include "framework/handles.h"
#include "skin/bitmap_region.h"
#include "skin/resource_bitmap.h"

#include <windowsx.h>

CSkinDialog::CSkinDialog(UINT nIDTemplate, CWnd* pParentWnd) : CDialog(nIDTemplate, pParentWnd) {}

BOOL CSkinDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    ApplySkinRegion();
    return TRUE;
}

void CSkinDialog::ApplySkinRegion() {
    if (!m_hWnd)
        return;
    // Only pure white is cut: with this tolerance every upper bound is 255.
    SetWindowRegionFromBitmap(m_hWnd, LoadResourceBitmap(m_nShapeBitmapId).get(), 0x00FFFFFF, 0x00101010);
    Invalidate(TRUE);
}

void CSkinDialog::DrawSkinBitmap(HDC hDC, HBITMAP bitmap, int left, int top, int right, int bottom, int nStretch) {
    if (!bitmap)
        return;
    MemoryDC source(::CreateCompatibleDC(hDC));
    SelectObjectScope select(source.get(), bitmap);
    const int width = right - left;
    const int height = bottom - top;
    if (nStretch)
        ::StretchBlt(hDC, left, top, width, height, source.get(), 0, 0, width, height, SRCCOPY);
    else
        ::BitBlt(hDC, left, top, width, height, source.get(), 0, 0, SRCCOPY);
}

void CSkinDialog::StretchSkinBitmap(HDC hDC, HBITMAP bitmap, int left, int top, int right, int bottom) {
    if (!bitmap)
        return;
    const SIZE size = BitmapSize(bitmap);
    MemoryDC source(::CreateCompatibleDC(hDC));
    SelectObjectScope select(source.get(), bitmap);
    ::StretchBlt(hDC, left, top, right - left, bottom - top, source.get(), 0, 0, size.cx, size.cy, SRCCOPY);
}

LRESULT CSkinDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        // The skin is drawn by the background erase of the derived dialog.
        PaintDC paint(m_hWnd);
        return 0;
    }
    case WM_LBUTTONDOWN:
        OnLButtonDown(wParam, lParam);
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CSkinDialog::OnLButtonDown(WPARAM keys, LPARAM point) {
    // The move loop measures the drag from this point, in screen coordinates.
    POINT screen{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    ::ClientToScreen(m_hWnd, &screen);
    PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
    CDialog::WindowProc(WM_LBUTTONDOWN, keys, point);
}
