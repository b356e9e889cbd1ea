#include "updater/update_skin_dialog.h"

#include "framework/handles.h"
#include "framework/win_app.h"
#include "skin/bitmap_region.h"

namespace {

HBITMAP LoadShapeBitmap(int nID) {
    return ::LoadBitmapA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(LOWORD(nID)));
}

} // namespace

void CUpdateSkinDialog::ApplySkinRegion() {
    if (!m_hWnd || ShapeBitmapId() == 0)
        return;
    UniqueBitmap mask(LoadShapeBitmap(ShapeBitmapId()));
    UniqueRegion region(CreateRegionFromBitmap(mask.get(), 0x00FFFFFF, 0x00101010));
    if (region && ::SetWindowRgn(m_hWnd, region.get(), TRUE))
        region.release(); // the window owns it now
    else
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
    UniqueBitmap shape(LoadShapeBitmap(ShapeBitmapId()));
    if (!shape)
        return;
    RECT client;
    GetClientRect(&client);
    WindowDC dc(m_hWnd);
    DrawSkinBitmap(dc.get(), shape.get(), client.left, client.top, client.right, client.bottom, 1);
}
