// CSkinButton: an owner-drawn push button (or check box) that draws a pair of
// colour-keyed bitmaps over a copy of its parent's background: the "in"
// bitmap while hovered or pressed, the "out" bitmap otherwise. It keeps the
// keyboard behaviour of a dialog push button.
#pragma once

#include "framework/button.h"
#include "framework/handles.h"

#include <string>

class CSkinButton : public CButton {
public:
    CSkinButton();

    // Skins the button with two bitmap resources (magenta transparent) over
    // its parent's background, without border. nCommandID is reported on a
    // right-click (see WM_RBUTTONUP).
    void SetSkin(UINT nHoverID, UINT nNormalID, int nCommandID);

    // Takes both bitmaps; pixels of the key colour are transparent. Returns
    // 0, 1 for a bitmap whose size cannot be read or 2 when a mask cannot be
    // made; on failure the button keeps no bitmap.
    int SetBitmaps(UniqueBitmap in, COLORREF inKey, UniqueBitmap out, COLORREF outKey);

    // Brightens (offset > 0) or darkens colour nIndex (0 in-background,
    // 1 in-text, 2 out-background, 3 out-text, 4 focused background,
    // 5 focused text). Returns 0, 3 for an index above 5, 5 for an offset
    // outside -255..255.
    int OffsetColor(int nIndex, int nOffset, BOOL bRepaint);

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Image {
        UniqueBitmap bitmap;  // transparent pixels blackened
        UniqueBitmap mask;    // 1 where transparent
        int width = 0;
        int height = 0;
    };
    struct ItemState {
        bool pressed;
        bool focused;
        bool disabled;
    };

    int SetImage(Image& image, UniqueBitmap bitmap, COLORREF key);
    void ReleaseImages();

    void DrawItem(const DRAWITEMSTRUCT& dis);
    void DrawBackground(HDC hDC, const RECT& rect, const ItemState& state);
    void DrawBorder(HDC hDC, const RECT& rect, const ItemState& state);
    void DrawImage(HDC hDC, const RECT& item, const ItemState& state, bool hasTitle, RECT* title);
    void DrawTitle(HDC hDC, const std::string& text, const ItemState& state, RECT title);
    void PaintBackgroundCache(HDC hDC);
    void DropBackgroundCache();

    void OnMouseMove(WPARAM keys, LPARAM point);
    void OnEnable(BOOL bEnable);
    void CancelHover();

    bool m_bMouseOnButton = false;
    bool m_bDrawTransparent = false;  // the parent's background instead of a colour fill
    bool m_bIsDefault = false;
    bool m_bIsCheckBox = false;
    bool m_bDrawBorder = true;
    COLORREF m_colors[6];
    UniqueBitmap m_bmpBackground;  // the parent's pixels under the button, taken once
    int m_nCheck = 0;
    int m_nCommandID = 0;
    Image m_in;
    Image m_out;
};
