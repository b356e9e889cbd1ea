#include "skin/resource_bitmap.h"

#include "framework/win_app.h"

UniqueBitmap LoadResourceBitmap(UINT nID) {
    if (LOWORD(nID) == 0)
        return UniqueBitmap();
    return UniqueBitmap(::LoadBitmapA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nID)));
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !::GetObjectA(bitmap, sizeof info, &info))
        return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}
