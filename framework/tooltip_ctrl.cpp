#include "framework/tooltip_ctrl.h"

#include <commctrl.h>

namespace {

// The version-1 size is understood by every common-controls version.
TTTOOLINFOA ToolInfo(UINT flags, HWND hWnd, UINT_PTR id, const char* text) {
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.uFlags = flags;
    info.hwnd = hWnd;
    info.uId = id;
    info.lpszText = const_cast<char*>(text);
    return info;
}

}  // namespace

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle) {
    RECT none{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    return CreateEx(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | dwStyle, none, pParentWnd->m_hWnd, 0);
}

void CToolTipCtrl::Activate(BOOL bActivate) {
    SendMessage(TTM_ACTIVATE, bActivate);
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, const char* text) {
    TTTOOLINFOA info = ToolInfo(TTF_IDISHWND, ::GetParent(pWnd->m_hWnd), reinterpret_cast<UINT_PTR>(pWnd->m_hWnd), text);
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, const char* text, const RECT& rect, UINT_PTR nIDTool) {
    TTTOOLINFOA info = ToolInfo(0, pWnd->m_hWnd, nIDTool, text);
    info.rect = rect;
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::UpdateTipText(const char* text, CWnd* pWnd, UINT_PTR nIDTool) {
    TTTOOLINFOA info = ToolInfo(0, pWnd->m_hWnd, nIDTool, text);
    SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::RelayEvent(MSG* pMsg) {
    SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(pMsg));
}
