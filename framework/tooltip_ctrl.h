// CToolTipCtrl: a tooltip window owned by this object. Tools are windows
// (the tip shows over the whole window) or rectangles of a window with an id.
// Mouse messages reach it through RelayEvent.
#pragma once

#include "framework/wnd.h"

class CToolTipCtrl : public CWnd {
public:
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);
    void Activate(BOOL bActivate);
    // The whole of pWnd as tool.
    BOOL AddTool(CWnd* pWnd, const char* text);
    // Rectangle rect (client coordinates of pWnd) as tool nIDTool.
    BOOL AddTool(CWnd* pWnd, const char* text, const RECT& rect, UINT_PTR nIDTool);
    void UpdateTipText(const char* text, CWnd* pWnd, UINT_PTR nIDTool);
    void RelayEvent(MSG* pMsg);
};
