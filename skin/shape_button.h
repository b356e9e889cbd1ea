// CShapeButton: a bitmap button cut to the shape of a bitmap. It draws its
// normal or hover picture, and the pressed picture over it while pressed,
// optionally through a mask bitmap.
#pragma once

#include "framework/button.h"
#include "framework/handles.h"

class CShapeButton : public CButton {
public:
    // Cuts the window to the non-white pixels of bitmap nID when bApply is set.
    void SetShapeBitmap(UINT nID, BOOL bApply);
    // Bitmap nID as mask: black shows the picture, white lets the background
    // through (ANDed with the picture).
    void SetMaskBitmap(UINT nID, BOOL bMaskedDrawing);
    // Loads the state pictures and sizes the button to the normal picture.
    void SetStateBitmaps(UINT nHoverID, UINT nNormalID, UINT nPressedID, UINT nSpareID);

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& dis);
    void DrawPicture(HDC hDC, HBITMAP picture, int width, int height);
    void OnMouseMove();

    bool m_bHovering = false;
    bool m_bTracking = false;  // a hover/leave request is active
    UniqueBitmap m_bmpNormal;
    UniqueBitmap m_bmpPressed;
    UniqueBitmap m_bmpSpare;  // held for the skin's set of four, never drawn
    UniqueBitmap m_bmpHover;
    UniqueBitmap m_bmpMask;
    bool m_bMaskedDrawing = false;
};
