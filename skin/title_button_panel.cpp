#include "skin/title_button_panel.h"

#include "resources/tessaly_resource.h"
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

}  // namespace

CTitleButtonPanel::CTitleButtonPanel(CWnd* pParentWnd) : CDialog(IDD_TITLE_PANEL, pParentWnd) {}

BOOL CTitleButtonPanel::PreTranslateMessage(MSG* pMsg) {
    if (m_tooltip.m_hWnd)
        m_tooltip.RelayEvent(pMsg);
    return CDialog::PreTranslateMessage(pMsg);
}

void CTitleButtonPanel::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK, m_btnClose);
    DDX_Control(pDX, IDC_SETTINGS, m_btnSettings);
    DDX_Control(pDX, IDC_MINIMIZE, m_btnMinimize);
}

BOOL CTitleButtonPanel::OnInitDialog() {
    CDialog::OnInitDialog();
    AddTooltips();
    // Fully opaque to begin with; the owner changes the alpha.
    MakeWindowLayered(m_hWnd, RGB(255, 255, 0), 255, LWA_ALPHA);

    m_btnClose.SetShapeBitmap(IDB_BUTTON_SHAPE, TRUE);
    m_btnClose.SetMaskBitmap(IDB_BUTTON_SHAPE, TRUE);
    m_btnClose.SetStateBitmaps(IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL, IDB_CLOSE_HOVER, IDB_CLOSE_HOVER);
    m_btnSettings.SetShapeBitmap(IDB_SETTINGS_BUTTON_SHAPE, TRUE);
    m_btnSettings.SetMaskBitmap(IDB_SETTINGS_BUTTON_SHAPE, TRUE);
    m_btnSettings.SetStateBitmaps(IDB_SETTINGS_HOVER, IDB_SETTINGS_NORMAL, IDB_SETTINGS_HOVER, IDB_SETTINGS_HOVER);
    m_btnMinimize.SetShapeBitmap(IDB_BUTTON_SHAPE, TRUE);
    m_btnMinimize.SetMaskBitmap(IDB_BUTTON_SHAPE, TRUE);
    m_btnMinimize.SetStateBitmaps(IDB_MINIMIZE_HOVER, IDB_MINIMIZE_NORMAL, IDB_MINIMIZE_HOVER, IDB_MINIMIZE_HOVER);

    LayOutButtons();
    return TRUE;
}

void CTitleButtonPanel::AddTooltips() {
    m_tooltip.Create(this, 0);
    m_tooltip.Activate(TRUE);
    m_tooltip.AddTool(&m_btnClose, "关闭");
    m_tooltip.AddTool(&m_btnMinimize, "最小化");
    m_tooltip.AddTool(&m_btnSettings, "设置");
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
    ::SendMessageA(GetParent(), WM_CLOSE, 0, 0);
}

LRESULT CTitleButtonPanel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_SETTINGS:
            ::SendMessageA(GetParent(), WM_PANEL_SETTINGS, 0, 0);
            return 0;
        case IDC_MINIMIZE:
            ::SendMessageA(GetParent(), WM_PANEL_MINIMIZE, 0, 0);
            return 0;
        }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
