#include "skin/title_button_panel.h"

#include "skin/layered_window.h"

#include <commctrl.h>

namespace {

// Three 14-pixel buttons, whatever their bitmaps say.
constexpr int kPanelHeight = 42;

int ClientHeight(const CWnd& wnd) {
    RECT rect;
    wnd.GetClientRect(&rect);
    return rect.bottom;
}

// The pictures of one button; the window is cut to its shape at once.
void ApplySkin(CShapeButton& button, const TitleButton& skin) {
    button.SetShapeBitmap(skin.nShapeID, TRUE);
    button.SetMaskBitmap(skin.nShapeID, TRUE);
    button.SetStateBitmaps(skin.nHoverID, skin.nNormalID, skin.nHoverID, skin.nHoverID);
}

}  // namespace

CTitleButtonPanel::CTitleButtonPanel(const TitleButtonPanelSkin& skin, CWnd* pParentWnd)
    : CDialog(skin.nTemplateID, pParentWnd), m_skin(skin) {}

BOOL CTitleButtonPanel::PreTranslateMessage(MSG* pMsg) {
    if (m_tooltip.m_hWnd)
        m_tooltip.RelayEvent(pMsg);
    return CDialog::PreTranslateMessage(pMsg);
}

void CTitleButtonPanel::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, m_skin.close.nControlID, m_btnClose);
    DDX_Control(pDX, m_skin.settings.nControlID, m_btnSettings);
    DDX_Control(pDX, m_skin.minimize.nControlID, m_btnMinimize);
}

BOOL CTitleButtonPanel::OnInitDialog() {
    CDialog::OnInitDialog();
    AddTooltips();
    // Fully opaque to begin with; the owner changes the alpha.
    MakeWindowLayered(m_hWnd, RGB(255, 255, 0), 255, LWA_ALPHA);

    ApplySkin(m_btnClose, m_skin.close);
    ApplySkin(m_btnSettings, m_skin.settings);
    ApplySkin(m_btnMinimize, m_skin.minimize);

    LayOutButtons();
    return TRUE;
}

void CTitleButtonPanel::AddTooltips() {
    m_tooltip.Create(this, 0);
    m_tooltip.Activate(TRUE);
    m_tooltip.AddTool(&m_btnClose, m_skin.close.pszTip);
    m_tooltip.AddTool(&m_btnMinimize, m_skin.minimize.pszTip);
    m_tooltip.AddTool(&m_btnSettings, m_skin.settings.pszTip);
}

// One column at x = 0, top to bottom close, minimise, settings; the panel
// shrinks to it, which leaves the template's Cancel button outside.
void CTitleButtonPanel::LayOutButtons() {
    const int closeHeight = ClientHeight(m_btnClose);
    const int minimizeHeight = ClientHeight(m_btnMinimize);
    const UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    m_btnClose.SetWindowPos(nullptr, 0, 0, 0, 0, flags);
    m_btnMinimize.SetWindowPos(nullptr, 0, closeHeight, 0, 0, flags);
    m_btnSettings.SetWindowPos(nullptr, 0, closeHeight + minimizeHeight, 0, 0, flags);

    RECT close;
    m_btnClose.GetClientRect(&close);
    SetWindowPos(nullptr, 0, 0, close.right, kPanelHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The close button closes the parent, not the panel.
void CTitleButtonPanel::OnOK() {
    ::SendMessageA(GetParent(), m_skin.close.nMessage, 0, 0);
}

LRESULT CTitleButtonPanel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        for (const TitleButton* button : {&m_skin.settings, &m_skin.minimize}) {
            if (LOWORD(wParam) == button->nControlID) {
                ::SendMessageA(GetParent(), button->nMessage, 0, 0);
                return 0;
            }
        }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
