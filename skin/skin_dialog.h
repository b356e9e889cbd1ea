// CSkinDialog: base of the skinned, borderless dialogs. It cuts the window
// to the shape of a mask bitmap, offers the copy of a skin bitmap for the
// derived dialog's background erase, and lets the user drag the window by
// its background.
#pragma once

#include "framework/dialog.h"

class CSkinDialog : public CDialog {
public:
    CSkinDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Resource id of the mask bitmap (low 16 bits); set before the dialog is
    // initialised. 0 leaves the window rectangular.
    void SetShapeBitmapId(int nID) { m_nShapeBitmapId = nID; }
    int ShapeBitmapId() const { return m_nShapeBitmapId; }

    // Cuts the window to the non-white pixels of the mask bitmap. Virtual:
    // the updater's dialogs report a shape that cannot be applied.
    virtual void ApplySkinRegion();

    // Copies bitmap 1:1 to (left, top) of hDC, clipped to the rectangle; the
    // stretch flag only chooses StretchBlt over BitBlt.
    static void DrawSkinBitmap(HDC hDC, HBITMAP bitmap, int left, int top, int right, int bottom, int nStretch);
    // Stretches the whole bitmap over the rectangle.
    static void StretchSkinBitmap(HDC hDC, HBITMAP bitmap, int left, int top, int right, int bottom);

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Starts the system's move loop, so that a press on the background drags
    // the window.
    void OnLButtonDown(WPARAM keys, LPARAM point);

private:
    int m_nShapeBitmapId = 0;
};
