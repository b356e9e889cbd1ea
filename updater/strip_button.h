// CStripButton: an owner-drawn push button that shows one frame of a
// bitmap strip per state (normal, hover, pressed) and never paints its
// background, so the strip's magenta pixels show the dialog beneath.
#pragma once

#include "framework/button.h"
#include "updater/bitmap_strip.h"

#include <memory>
#include <string>

class CStripButton : public CButton {
public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2 };

    // Loads the four-frame strip from the file when it exists, otherwise
    // from the bitmap resource, and sizes the button to one frame.
    void LoadSkin(const std::string& fileName, UINT nBitmapID);

    int State() const { return m_nState; }

protected:
    void PreSubclassWindow() override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SetState(int state);

    std::unique_ptr<CBitmapStrip> m_pStrip = std::make_unique<CBitmapStrip>();
    bool m_bOutside = true; // no leave notification pending
    int m_nState = kNormal;
};
