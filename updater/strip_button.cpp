#include "updater/strip_button.h"

#include <commctrl.h>
#include <io.h>

namespace {
constexpr int kStripFrames = 4;
// The button-type bits of the style, cleared before BS_OWNERDRAW goes in.
constexpr DWORD kButtonTypeBits = 0x1F;
} // namespace

void CStripButton::LoadSkin(const std::string& fileName, UINT nBitmapID) {
    if (_access(fileName.c_str(), 0) == 0)
        m_pStrip->LoadFromFile(fileName, kStripFrames);
    else
        m_pStrip->LoadFromResource(nBitmapID, kStripFrames);
    // Without a bitmap the button keeps its size, so it can still be clicked.
    const SIZE frame = m_pStrip->FrameSize();
    if (frame.cx > 0 && frame.cy > 0)
        SetWindowPos(nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Invalidate(TRUE);
}

void CStripButton::PreSubclassWindow() {
    const DWORD style = (GetStyle() & ~kButtonTypeBits) | BS_OWNERDRAW;
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(style));
    SetWindowPos(nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

BOOL CStripButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message != WM_DRAWITEM)
        return CButton::OnChildNotify(message, wParam, lParam, pResult);
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    const int oldMode = SetBkMode(item->hDC, TRANSPARENT);
    m_pStrip->DrawFrame(item->hDC, item->rcItem.left, item->rcItem.top, m_nState);
    SetBkMode(item->hDC, oldMode);
    *pResult = TRUE;
    return TRUE;
}

LRESULT CStripButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE: {
        if (m_bOutside) {
            SetState(kHover);
            m_bOutside = false;
        }
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hWnd, 0};
        _TrackMouseEvent(&track);
        break;
    }
    case WM_MOUSELEAVE:
        SetState(kNormal);
        m_bOutside = true;
        return 0;
    case WM_LBUTTONDBLCLK:
        // A fast second click is an ordinary press: the parent gets two
        // clicks and never a double-click notification.
        message = WM_LBUTTONDOWN;
        [[fallthrough]];
    case WM_LBUTTONDOWN:
        SetState(kPressed);
        break;
    case WM_LBUTTONUP:
        SetState(m_bOutside ? kNormal : kHover);
        break;
    case WM_ERASEBKGND:
        return TRUE;
    }
    return CButton::WindowProc(message, wParam, lParam);
}

void CStripButton::SetState(int state) {
    m_nState = state;
    Invalidate(TRUE);
}
