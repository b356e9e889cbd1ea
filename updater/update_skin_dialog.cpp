#include "updater/update_skin_dialog.h"

#include "framework/handles.h"
#include "skin/bitmap_region.h"
#include "skin/resource_bitmap.h"

void CUpdateSkinDialog::ApplySkinRegion() {
    if (!m_hWnd || ShapeBitmapId() == 0)
        return;
    if (!SetWindowRegionFromBitmap(m_hWnd, LoadResourceBitmap(ShapeBitmapId()).get(), 0x00FFFFFF, 0x00101010))
        ::MessageBoxA(m_hWnd, "SADF", "", MB_OK);
    Invalidate(TRUE);
}

LRESULT CUpdateSkinDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        Paint();
        return 0;
    }
    return CSkinDialog::WindowProc(message, wParam, lParam);
}

void CUpdateSkinDialog::Paint() {
    PaintDC paint(m_hWnd);
    UniqueBitmap shape(LoadResourceBitmap(ShapeBitmapId()));
    if (!shape)
        return;
    RECT client;
    GetClientRect(&client);
    WindowDC dc(m_hWnd);
    DrawSkinBitmap(dc.get(), shape.get(), client.left, client.top, client.right, client.bottom, 1);
}
